// The setup's self-update (states 10 and 20 of the sequence) and the restore mode.
#include <windows.h>

#include "engine/archive_extractor.h"
#include "engine/install_engine.h"
#include "engine/program_end.h"
#include "log/setup_log.h"
#include "net/own_version.h"
#include "net/transfer_check.h"
#include "net/update_info.h"
#include "net/wininet_wrapper.h"
#include "sys/fs_utils.h"
#include "sys/string_utils.h"

const char kUpdateConnectionProblemText[] =
    "Si sono verificati dei problemi di connessione durante la ricerca di aggiornamenti. "
    "Verificare la propria connessione a Internet e riprovare.";

namespace {

std::string ErrorCode() { return IntToString(static_cast<long long>(GetLastError())); }

bool AllFieldsNumeric(const std::vector<std::string>& fields) {
  for (const std::string& field : fields)
    if (field.empty() || field[0] < '0' || field[0] > '9') return false;
  return true;
}

bool SameVersion(const std::vector<std::string>& a, const std::vector<std::string>& b) {
  return !a.empty() && a.size() == b.size() && !IsServerVersionNewer(a, b) &&
         !IsServerVersionNewer(b, a);
}

// Removes exactly `folder`: 0, or the error after logging each entry that is still there.
unsigned long RemoveExactly(const std::string& folder) {
  std::vector<LeftEntry> left;
  const unsigned long error = RemoveFolder(folder, &left);
  for (const LeftEntry& entry : left)
    WriteLog("[**  ERR] Not removed -> " + entry.path + " -> " +
             IntToString(static_cast<long long>(entry.error)));
  return error;
}

std::string JoinVersion(const std::vector<std::string>& fields) {
  std::string text;
  for (size_t i = 0; i < fields.size(); ++i) text += (i ? "." : "") + fields[i];
  return text;
}

}  // namespace

std::string UpdateBoxCaption(int32_t run_mode) {
  const char* prefix = run_mode == 0 ? "DEV - " : run_mode == 1 ? "TEST - " : "";
  return std::string(prefix) + "Rivaduz ZAV - Installazione - Attenzione";
}

void InstallEngine::StartUpdateCheck() {
  if (skip_update) return;
  skip_update = true;
  WriteLog("[  INFO] Looking for new update -> " + params_.update_info_url);
  install_state = 10;
  StartRequest(params_.update_info_url);
  if (ui_.UpdateDialogExists()) {
    ui_.ShowUpdateDialog(true);
    return;
  }
  ui_.RunUpdateDialog();
}

void InstallEngine::AbandonUpdate() {
  if (install_state == 10 || install_state == 20) {
    WriteLog("[* WARN] Update check closed by the user");
    install_state = -1;
    // Its transfer stops too: nobody will read what it would bring.
    if (current_request) current_request->Cancel();
  }
  ui_.EndUpdateDialog();
}

void InstallEngine::OnUpdateInfoCompleted(WininetWrapper* request) {
  ui_.ShowUpdateDialog(false);
  const std::string& body = request->response;
  std::vector<std::string> fields;
  if (IsCompleteTransfer(request->statusCode, request->contentLengthKnown, request->contentLength,
                         request->bodyBytes)) {
    if (!Trusted(&body, "")) return;
    SplitString(body, ".", fields);
  }
  // A field that is not a number cannot be compared: such a file is unusable as well.
  const bool usable = fields.size() > 3 && AllFieldsNumeric(fields);
  if (usable) {
    WriteLog("[  INFO] Release update available on server -> " + body);
  } else {
    if (request->statusCode == 200) {
      WriteLog("[* WARN] Download new version information not completed -> " +
               IntToString(static_cast<long long>(body.size())) + " -> " +
               IntToString(request->contentLength));
      WriteLog("[* WARN] Error on information parsing. Size is " +
               IntToString(static_cast<long long>(fields.size())) + " expected 4 -> " + body);
    } else {
      WriteLog("[* WARN] Connection error check update -> " + IntToString(request->statusCode));
    }
    fields.clear();
    if (request->statusCode == 407) {
      if (AskCredentials()) {
        skip_update = false;
        StartUpdateCheck();
        return;
      }
    } else if (request->statusCode != 200) {
      if (ui_.ShowBox(BoxOwner::kPage, kUpdateConnectionProblemText,
                      UpdateBoxCaption(params_.run_mode),
                      MB_ICONQUESTION | MB_RETRYCANCEL) == IDRETRY) {
        skip_update = false;
        StartUpdateCheck();
      } else {
        ui_.EndUpdateDialog();
      }
      return;
    }
  }

  ui_.SetUpdateProgress(100);
  std::vector<std::string> own;
  ReadFileVersionFields(params_.own_exe_path, own);
  if (IsServerVersionNewer(fields, own)) {
    announced_version_ = fields;
    ui_.ShowBox(BoxOwner::kNone,
                "E' stata trovata una versione aggiornata del setup. Procedere con il download.",
                "Aggiornamento setup", MB_ICONINFORMATION | MB_OK);
    ui_.ShowUpdateDialog(true);
    StartUpdateDownload();
    WriteLog("[  INFO] An update is available");
    return;
  }
  WriteLog("[  INFO] No update available");
  ui_.EndUpdateDialog();
}

void InstallEngine::StartUpdateDownload() {
  WriteLog("[  INFO] Looking for new setup -> " + params_.update_package_url);
  install_state = 20;
  StartRequest(params_.update_package_url, params_.update_package_path);
}

void InstallEngine::OnUpdatePackageCompleted(WininetWrapper* request) {
  ui_.ShowUpdateDialog(false);
  const long long received = request->bodyBytes;
  WriteLog("[  INFO] Setup download finished -> " + IntToString(received));
  // The request renamed the package to its final name only when it arrived whole.
  if (IsCompleteTransfer(request->statusCode, request->contentLengthKnown, request->contentLength,
                         received) &&
      request->writeError == 0) {
    if (!Trusted(nullptr, params_.update_package_path, request)) return;
    ui_.ShowUpdateDialog(true);
    ApplyUpdate();
    return;
  }
  if (request->writeError != 0) {
    if (AskAfterWriteFailure(params_.update_package_path, *request,
                             UpdateBoxCaption(params_.run_mode))) {
      ui_.ShowUpdateDialog(true);
      StartUpdateDownload();
    } else {
      ui_.EndUpdateDialog();
    }
    return;
  }
  if (IsBodyStatus(request->statusCode)) {
    WriteLog("[* WARN] Download setup update package not completed -> " + IntToString(received) +
             " -> " + IntToString(request->contentLength));
  } else {
    WriteLog("[* WARN] Connection error check update -> " + IntToString(request->statusCode));
  }

  if (request->statusCode == 407) {
    if (!AskCredentials()) {
      ui_.EndUpdateDialog();
      return;
    }
    ui_.ShowUpdateDialog(true);
    StartUpdateDownload();
    return;
  }
  if (ui_.ShowBox(BoxOwner::kPage, kUpdateConnectionProblemText, UpdateBoxCaption(params_.run_mode),
                  MB_ICONQUESTION | MB_RETRYCANCEL) == IDRETRY) {
    ui_.ShowUpdateDialog(true);
    StartUpdateDownload();
    return;
  }
  ui_.EndUpdateDialog();
}

void InstallEngine::ShowUpdateFailure() {
  ui_.ShowBox(BoxOwner::kNone,
              "Impossibile completare l'operazione di aggiornamento, si consiglia di terminare "
              "l'installazione e scaricare la nuova versione da " +
                  params_.web_site + "/piattaforma",
              "Attenzione", MB_ICONERROR | MB_OK);
}

bool InstallEngine::RemoveUpdateFolder(const std::string& folder) {
  WriteLog("[  INFO] Delete temp update path -> " + folder);
  // The folder itself and all in it; its siblings in the temporary folder are not ours.
  return RemoveExactly(folder) == 0;
}

void InstallEngine::ApplyUpdate() {
  const std::string folder = params_.update_temp_folder;
  // What an earlier update left there would be unpacked over, unseen.
  if (!RemoveUpdateFolder(folder)) {
    ShowUpdateFailure();
    ui_.EndUpdateDialog();
    return;
  }
  if (!CreateDirectoryA((folder + "\\").c_str(), nullptr)) {
    WriteLog("[**  ERR] Cannot create directory " + folder + "\\ -> " + ErrorCode());
    ShowUpdateFailure();
    ui_.EndUpdateDialog();
    return;
  }
  const uint32_t result = ExtractArchive(params_.update_package_path, folder + "\\", nullptr, {});
  if (result != 0) {
    WriteLog("[**  ERR] Cannot unzip archive " + params_.update_package_path + " -> " + folder +
             "\\ -> " + IntToString(result));
    ShowUpdateFailure();
    ui_.EndUpdateDialog();
    RemoveUpdateFolder(folder);
    return;
  }
  const std::string new_exe = folder + "\\" + params_.setup_exe_name;

  // The package must hold the version the server announced, newer than this one: anything
  // else would restart into an old setup and download again at every start.
  std::vector<std::string> unpacked, own;
  ReadFileVersionFields(new_exe, unpacked);
  ReadFileVersionFields(params_.own_exe_path, own);
  if (!SameVersion(unpacked, announced_version_) || !IsServerVersionNewer(unpacked, own)) {
    WriteLog("[**  ERR] Update package holds version " + JoinVersion(unpacked) + " instead of " +
             JoinVersion(announced_version_) + " -> " + new_exe);
    ShowUpdateFailure();
    ui_.EndUpdateDialog();
    RemoveUpdateFolder(folder);
    return;
  }

  const std::string own_path = params_.own_exe_path;
  const size_t slash = own_path.find_last_of('\\');
  const std::string own_folder = own_path.substr(0, slash + 1);
  const std::string old_path = own_folder + "old_" + own_path.substr(slash + 1);

  // A setup renamed aside by an earlier update stands in the way of this one.
  if (FileExists(old_path) && !DeleteFileA(old_path.c_str())) {
    WriteLog("[**  ERR] Cannot remove " + old_path + " -> " + ErrorCode());
    ShowUpdateFailure();
    ui_.EndUpdateDialog();
    return;
  }
  const bool renamed = MoveFileA(own_path.c_str(), old_path.c_str()) != FALSE;
  const std::string rename_error = ErrorCode();
  WriteLog("[  INFO] Renaming from path " + own_path + " -> " + old_path);
  if (!renamed) {
    WriteLog("[**  ERR] Cannot rename " + own_path + " -> " + rename_error);
    ShowUpdateFailure();
    ui_.EndUpdateDialog();
    return;
  }
  const bool copied = CopyFileA(new_exe.c_str(), own_path.c_str(), FALSE) != FALSE;
  const std::string copy_error = ErrorCode();
  WriteLog("[  INFO] Copying from path " + new_exe + " -> " + own_path);
  if (!copied) {
    WriteLog("[**  ERR] Cannot copy " + new_exe + " -> " + copy_error);
    // The setup's own path must never be left empty.
    MoveFileA(old_path.c_str(), own_path.c_str());
    ShowUpdateFailure();
    ui_.EndUpdateDialog();
    return;
  }

  if (instance_lock) instance_lock(false);
  // The child's command line starts with its own quoted name, so its first switch stays a
  // switch instead of becoming the program name.
  std::string command = "\"" + new_exe + "\"";
  if (!params_.command_line.empty()) command += " " + params_.command_line;
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  unsigned exit_code = 0;
  if (CreateProcessA(new_exe.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                     &startup, &process)) {
    CloseHandle(process.hThread);
    if (params_.wait_for_restarted) {
      DWORD code = 0;
      WaitForSingleObject(process.hProcess, INFINITE);
      GetExitCodeProcess(process.hProcess, &code);
      exit_code = code;
      WriteLog("[  INFO] Updated setup ended -> " + IntToString(static_cast<long long>(code)));
    }
    CloseHandle(process.hProcess);
  } else {
    const DWORD error = GetLastError();
    if (instance_lock) instance_lock(true);
    WriteLog("[**  ERR] Cannot start new process " + new_exe + " -> " +
             IntToString(static_cast<long long>(error)));
    ShowUpdateFailure();
    // Nothing runs the installation any more: that is not an update done.
    exit_code = error ? error : 1;
  }
  ui_.EndUpdateDialog();
  EndProgram(exit_code);
}

void InstallEngine::StartRestore() {
  WriteLog("[  INFO] Restore mode");
  ui_.SetPhaseText("Fase 1 di 4 - Ripristino funzionalità");
  WriteLog("[  INFO] Removing User Data on path -> " + params_.user_data_folder);
  // Exactly the client's folder: "User Data - Copia" beside it is the user's backup. Data
  // still in use means the client is not restored: that ends like a failed phase.
  const unsigned long error = RemoveExactly(params_.user_data_folder);
  if (error != 0) {
    ui_.ShowBox(BoxOwner::kSheet,
                "Errore " + IntToString(static_cast<long long>(error)) +
                    " nella rimozione dei dati utente.",
                "Errore", MB_ICONERROR | MB_OK);
    EndProgram(error);
    return;
  }
  WriteLog("[  INFO] Starting Qel checksum check");
  StartPhase2();
}
