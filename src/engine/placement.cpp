// Phases 4 and 5: unpacking the legacy runtime into the office's platform folder and the
// client into its fixed folder, on worker threads that report to the install page.
#include <windows.h>
#include <process.h>

#include <cstdio>

#include "engine/archive_extractor.h"
#include "engine/install_engine.h"
#include "engine/program_end.h"
#include "engine/written_entries.h"
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
  ui_.SetExtractProgress(done, total);
}

bool InstallEngine::StartExtractionThread(unsigned(__stdcall* body)(void*)) {
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

void InstallEngine::StartPhase4() {
  WriteLog("[  INFO] Install phase 4 - Moltra install");
  install_state = 4;
  ui_.SetPhaseText("Fase 3 di 4 - Installazione componenti");
  if (CanOpenPackage(params_.moltra_archive_path) || CanOpenPackage(moltra_local_package)) {
    // Without a thread the extraction still has to happen: then it runs here.
    if (!StartExtractionThread(&InstallEngine::MoltraThread)) RunMoltraExtraction();
    return;
  }
  WriteLog("[  INFO] Install phase 4 - Moltra install skipped, already installed");
  StartPhase5();
}

void InstallEngine::RunMoltraExtraction() {
  WriteLog("[  INFO] Starting Moltra decompression");
  if (params_.office_root.empty() || params_.office_root.back() != '\\')
    params_.office_root += '\\';
  const std::string platform = params_.office_root + params_.year_folder;
  year_path = platform + "\\";
  if (!DirectoryExists(platform)) {
    CreateDirectoryA(platform.c_str(), nullptr);
    SetFolderPrivileges(platform);
  }
  const std::string source =
      CanOpenPackage(moltra_local_package) ? moltra_local_package : params_.moltra_archive_path;
  const FolderSnapshot before(year_path);
  const uint32_t result =
      ExtractArchive(source, year_path, nullptr,
                     [this](uint32_t done, uint32_t total) { ReportProgress(done, total); });
  if (result != 0) {
    WriteLog("[**  ERR] Moltra decompression error -> " + IntToString(result));
    ui_.ShowBox(BoxOwner::kSheet, ExtractionErrorText(result), "Errore", MB_ICONERROR | MB_OK);
    WriteLog("[**  ERR] Delete destination path -> " + year_path);
    // Only what this extraction added goes: an office folder may hold a working year.
    before.RemoveAddedEntries();
    EndProgram(result);
    return;
  }
  ResetAttributes(platform);
  StartPhase5();
}

void InstallEngine::StartPhase5() {
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
    if (!DirectoryExists(bin)) CreateDirectoryTree(bin);
    WriteLog("[  INFO] Setting privileges and attributes on -> " + bin);
    SetFolderPrivileges(bin);
    ResetAttributes(bin);
    CopyFolderContents(params_.qel_folder + "\\", bin);
  }
  ui_.InstallFinished();
}

void InstallEngine::RunQelExtraction() {
  WriteLog("[  INFO] Starting Qel decompression");
  WaitForMoltraToClose();
  const std::string bin = params_.client_bin_folder;
  CreateDirectoryTree(bin);
  WriteLog("[  INFO] Setting privileges and attributes on -> " + params_.client_root);
  SetFolderPrivileges(params_.client_root);
  const std::string source =
      CanOpenPackage(qel_local_package) ? qel_local_package : params_.qel_archive_path;
  const FolderSnapshot before(bin);
  const uint32_t result = ExtractArchive(
      source, bin, nullptr, [this](uint32_t done, uint32_t total) { ReportProgress(done, total); });
  if (FileExists(bin + "qel.exe")) {
    WriteLog("[  INFO] Qel launcher already exists, no switch provided");
  } else {
    WriteLog("[  INFO] Switching qel launcher with newer");
    MoveFileA((bin + "new_qel.exe").c_str(), (bin + "qel.exe").c_str());
  }
  ResetAttributes(params_.client_root);
  if (result != 0) {
    WriteLog("[**  ERR] Qel decompression error -> " + IntToString(result));
    ui_.ShowBox(BoxOwner::kSheet, ExtractionErrorText(result), "Errore", MB_ICONERROR | MB_OK);
    WriteLog("[**  ERR] Delete destination path -> " + bin);
    before.RemoveAddedEntries();
    EndProgram(result);
    return;
  }
  ui_.InstallFinished();
}
