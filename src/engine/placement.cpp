// Phases 4 and 5: unpacking the legacy runtime into the office's platform folder and the
// client into its fixed folder, on worker threads that report to the install page.
#include <windows.h>
#include <process.h>

#include <cstdio>
#include <memory>

#include "engine/archive_extractor.h"
#include "engine/install_engine.h"
#include "engine/program_end.h"
#include "engine/written_entries.h"
#include "net/folder_checksum.h"
#include "log/setup_log.h"
#include "sys/fs_utils.h"
#include "sys/permissions.h"
#include "sys/string_utils.h"

namespace {

std::string WithoutBackslash(const std::string& path) {
  return !path.empty() && path.back() == '\\' ? path.substr(0, path.size() - 1) : path;
}

std::string ExtractionErrorText(uint32_t result) {
  char text[260];
  std::snprintf(text, sizeof(text), "Errore %d nella decompressione.", static_cast<int>(result));
  return text;
}

}  // namespace

InstallEngine::~InstallEngine() {
  for (void* handle : thread_handles_) CloseHandle(handle);
}

int ExtractPercent(uint32_t done, uint32_t total) {
  return total == 0 ? 0 : static_cast<int>(static_cast<uint64_t>(done) * 100 / total);
}

void InstallEngine::ReportProgress(uint32_t done, uint32_t total) {
  extract_done_ = done;
  extract_total_ = total;
  if (!cancel_ && show_extract_progress_) ui_.SetExtractProgress(done, total);
}

bool InstallEngine::StartExtractionThread(unsigned(__stdcall* body)(void*)) {
  std::lock_guard<std::mutex> lock(placement_mutex_);
  const uintptr_t thread = _beginthreadex(nullptr, 0, body, this, 0, nullptr);
  if (thread == 0) {
    WriteLog("[**  ERR] Cannot start extraction thread -> " + IntToString(errno));
    return false;
  }
  install_thread = reinterpret_cast<void*>(thread);
  thread_handles_.push_back(install_thread);
  return true;
}

unsigned __stdcall InstallEngine::MoltraThread(void* engine) {
  static_cast<InstallEngine*>(engine)->RunMoltraExtraction();
  return 0;
}

unsigned __stdcall InstallEngine::QelThread(void* engine) {
  static_cast<InstallEngine*>(engine)->RunQelExtraction();
  return 0;
}

const FolderSnapshot& InstallEngine::Snapshot(const std::string& folder) {
  std::lock_guard<std::mutex> lock(placement_mutex_);
  snapshots_.push_back(std::make_unique<FolderSnapshot>(folder));
  return *snapshots_.back();
}

bool InstallEngine::CreateFolder(const std::string& folder) {
  std::vector<std::string> missing;
  for (std::string path = WithoutBackslash(folder); !path.empty() && !FileExists(path);) {
    missing.push_back(path);
    const size_t slash = path.find_last_of('\\');
    path = slash == std::string::npos ? std::string() : path.substr(0, slash);
  }
  const bool created = CreateDirectoryTree(folder);
  std::lock_guard<std::mutex> lock(placement_mutex_);
  for (const std::string& path : missing)
    if (DirectoryExists(path)) created_folders_.push_back(path);
  return created;
}

void InstallEngine::FailPlacement(const std::string& what, uint32_t code, const std::string& folder,
                                  const FolderSnapshot& before) {
  WriteLog("[**  ERR] " + what + " error -> " + IntToString(code));
  ui_.ShowBox(BoxOwner::kSheet, ExtractionErrorText(code), "Errore", MB_ICONERROR | MB_OK);
  WriteLog("[**  ERR] Delete destination path -> " + folder);
  // Only what this run added goes: an office folder may hold a working year.
  before.RemoveAddedEntries();
  EndProgram(code);
}

int InstallEngine::RemoveWhatTheRunWrote() {
  // A thread may be sending progress to this thread's windows while it is waited for.
  for (size_t joined = 0;;) {
    HANDLE thread;
    {
      std::lock_guard<std::mutex> lock(placement_mutex_);
      if (joined == thread_handles_.size()) break;
      thread = thread_handles_[joined++];
    }
    while (MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_SENDMESSAGE) ==
           WAIT_OBJECT_0 + 1) {
      MSG message;
      PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
  }
  int removed = 0;
  for (const auto& snapshot : snapshots_) removed += snapshot->RemoveAddedEntries();
  for (const std::string& folder : created_folders_)
    if (RemoveDirectoryA(folder.c_str())) ++removed;
  return removed;
}

void InstallEngine::Cancel() {
  WriteLog("[* WARN] Installation cancelled by the user");
  cancel_ = true;
  install_state = -1;
  current_request = nullptr;  // a download's report still to come is stale
  const int removed = RemoveWhatTheRunWrote();
  install_state = -1;
  early_log_.Discard();  // a runtime unpacked ahead of its turn never had it
  WriteLog("[* WARN] Removed what the installation had written -> " + IntToString(removed));
}

void InstallEngine::SetYearPath() {
  if (params_.office_root.empty() || params_.office_root.back() != '\\')
    params_.office_root += '\\';
  year_path = params_.office_root + params_.year_folder + "\\";
}

void InstallEngine::StartPhase4() {
  if (cancel_) return;
  WriteLog("[  INFO] Install phase 4 - Moltra install");
  install_state = 4;
  ui_.SetPhaseText("Fase 3 di 4 - Installazione componenti");
  if (early_started_) {
    ReachEarlyMoltra();
    return;
  }
  if (CanOpenPackage(params_.moltra_archive_path) || CanOpenPackage(moltra_local_package)) {
    SetYearPath();  // here, before the thread that reads it starts
    // Without a thread the extraction still has to happen: then it runs here.
    if (!StartExtractionThread(&InstallEngine::MoltraThread)) RunMoltraExtraction();
    return;
  }
  WriteLog("[  INFO] Install phase 4 - Moltra install skipped, already installed");
  StartPhase5();
}

void InstallEngine::RunMoltraExtraction() {
  uint32_t result = 0;
  const FolderSnapshot* before = nullptr;
  if (UnpackMoltra(result, before)) AfterMoltra(result, *before);
}

bool InstallEngine::UnpackMoltra(uint32_t& result, const FolderSnapshot*& before) {
  WriteLog("[  INFO] Starting Moltra decompression");
  const std::string platform = WithoutBackslash(year_path);
  if (!DirectoryExists(platform)) {
    if (CreateDirectoryA(platform.c_str(), nullptr)) {
      std::lock_guard<std::mutex> lock(placement_mutex_);
      created_folders_.push_back(platform);
    }
    SetFolderPrivileges(platform);
  }
  const std::string source =
      CanOpenPackage(moltra_local_package) ? moltra_local_package : params_.moltra_archive_path;
  before = &Snapshot(year_path);
  result = ExtractArchive(
      source, year_path, nullptr,
      [this](uint32_t done, uint32_t total) { ReportProgress(done, total); }, &cancel_);
  if (cancel_) return false;  // the cancel removes what was written
  if (result == 0) ResetAttributes(platform);
  return true;
}

void InstallEngine::AfterMoltra(uint32_t result, const FolderSnapshot& before) {
  if (result != 0) {
    FailPlacement("Moltra decompression", result, year_path, before);
    return;
  }
  StartPhase5();
}

void InstallEngine::StartEarlyMoltra() {
  if (early_started_ || cancel_) return;
  if (!CanOpenPackage(params_.moltra_archive_path) && !CanOpenPackage(moltra_local_package))
    return;  // phase 4 says it skips the runtime, in its turn
  SetYearPath();  // here, before the thread that reads it starts; phase 4 leaves it alone
  show_extract_progress_ = false;  // the bar shows the client's download meanwhile
  early_started_ = StartExtractionThread(&InstallEngine::EarlyMoltraThread);
  if (!early_started_) show_extract_progress_ = true;  // phase 4 unpacks it in its turn
}

unsigned __stdcall InstallEngine::EarlyMoltraThread(void* engine) {
  static_cast<InstallEngine*>(engine)->RunEarlyMoltra();
  return 0;
}

void InstallEngine::RunEarlyMoltra() {
  HeldLogLines::HoldOnThisThread(&early_log_);
  uint32_t result = 0;
  const FolderSnapshot* before = nullptr;
  const bool unpacked = UnpackMoltra(result, before);
  HeldLogLines::HoldOnThisThread(nullptr);
  if (!unpacked) return;
  {
    std::lock_guard<std::mutex> lock(placement_mutex_);
    early_result_ = result;
    early_before_ = before;
    early_done_ = true;
    if (!phase4_reached_) return;  // phase 4 goes on from here when its turn comes
  }
  AfterMoltra(result, *before);
}

void InstallEngine::ReachEarlyMoltra() {
  early_log_.Release();
  show_extract_progress_ = true;
  if (extract_total_ > 0) ui_.SetExtractProgress(extract_done_, extract_total_);
  {
    std::lock_guard<std::mutex> lock(placement_mutex_);
    phase4_reached_ = true;
    if (!early_done_) return;  // its thread goes on to phase 5 when it ends
  }
  AfterMoltra(early_result_, *early_before_);
}

void InstallEngine::DropEarlyMoltra() {
  if (!early_started_ || phase4_reached_) return;
  cancel_ = true;
  RemoveWhatTheRunWrote();
  early_log_.Discard();
}

void InstallEngine::StartPhase5() {
  if (cancel_) return;
  WriteLog("[  INFO] Install phase 5 - Qel install");
  install_state = 5;
  ui_.SetPhaseText("Fase 4 di 4 - Installazione componenti");
  if (CanOpenPackage(params_.qel_archive_path) || CanOpenPackage(qel_local_package)) {
    if (!StartExtractionThread(&InstallEngine::QelThread)) RunQelExtraction();
    return;
  }
  const std::string bin = params_.client_bin_folder;
  if (params_.qel_folder.empty() ||
      ToUpperCopy(WithoutBackslash(params_.qel_folder)) == ToUpperCopy(WithoutBackslash(bin))) {
    WriteLog(
        "[  INFO] Install phase 5 - Qel install skipped, already installed, no need to "
        "copy or decompress");
  } else {
    WriteLog("[  INFO] Install phase 5 - Qel copy instead of decompress -> from " +
             params_.qel_folder + " to " + bin);
    const bool created = DirectoryExists(bin) || CreateFolder(bin);
    const DWORD create_error = created ? 0 : GetLastError();
    const FolderSnapshot& before = Snapshot(bin);
    WriteLog("[  INFO] Setting privileges and attributes on -> " + bin);
    SetFolderPrivileges(bin);
    ResetAttributes(bin);
    // A client that is not all in place must not pass for an installed one. The shell does
    // not always tell (Wine's skips a file it cannot read and answers success), so the copy
    // must also match the manifest as its source did.
    uint32_t error = !created ? (create_error ? create_error : ERROR_PATH_NOT_FOUND)
                              : CopyFolderContents(params_.qel_folder + "\\", bin);
    if (cancel_) return;
    if (error == 0 && !IsValidInstallation(bin, qel_version, qel_checksum)) {
      WriteLog("[**  ERR] Qel copy does not match the manifest -> " + bin);
      error = ERROR_FILE_CORRUPT;
    }
    if (error != 0) {
      FailPlacement("Qel copy", error, bin, before);
      return;
    }
  }
  ui_.InstallFinished();
}

void InstallEngine::RunQelExtraction() {
  WriteLog("[  INFO] Starting Qel decompression");
  WaitForPlatformToClose();
  if (cancel_) return;
  const std::string bin = params_.client_bin_folder;
  CreateFolder(bin);
  WriteLog("[  INFO] Setting privileges and attributes on -> " + params_.client_root);
  SetFolderPrivileges(params_.client_root);
  const std::string source =
      CanOpenPackage(qel_local_package) ? qel_local_package : params_.qel_archive_path;
  const FolderSnapshot& before = Snapshot(bin);
  const uint32_t result = ExtractArchive(
      source, bin, nullptr, [this](uint32_t done, uint32_t total) { ReportProgress(done, total); },
      &cancel_);
  if (cancel_) return;
  if (FileExists(bin + "qel.exe")) {
    WriteLog("[  INFO] Qel launcher already exists, no switch provided");
  } else {
    WriteLog("[  INFO] Switching qel launcher with newer");
    MoveFileA((bin + "new_qel.exe").c_str(), (bin + "qel.exe").c_str());
  }
  ResetAttributes(params_.client_root);
  if (result != 0) {
    FailPlacement("Qel decompression", result, bin, before);
    return;
  }
  ui_.InstallFinished();
}
