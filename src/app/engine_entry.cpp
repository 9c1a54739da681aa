// CApp's install-engine operations: each builds the engine's parameters from the wizard's
// choices and the command line, hands the work to src/engine, and mirrors the engine's
// state back into the fields the pages read.
#include <windows.h>
#include <shlobj.h>

#include "app/app.h"
#include "app/run_mode.h"
#include "app/single_instance.h"
#include "engine/install_engine.h"
#include "engine/window_install_ui.h"
#include "sys/fs_utils.h"
#include "wizard/pages.h"

namespace {

// Both live for the rest of the process: requests keep pointing at the engine.
InstallEngine* g_engine = nullptr;
WindowInstallUi* g_ui = nullptr;

std::string TempFolder() {
  char temp[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, temp);
  return temp;
}

std::string OwnExePath() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  return path;
}

std::string UserDataFolder() {
  char local[MAX_PATH] = {};
  SHGetSpecialFolderPathA(nullptr, local, CSIDL_LOCAL_APPDATA, FALSE);
  return std::string(local) + "\\QEL" + "\\User Data";
}

InstallParams BuildInstallParams(const CApp& app) {
  const CSetting& setting = *app.setting;
  InstallParams p;
  p.office_root = setting.office_root;
  p.year_folder = setting.year_folder;
  p.selected_year = setting.selected_year;
  p.qel_folder = setting.qel_folder;
  p.client_root = GetDefaultClientFolder();
  p.client_bin_folder = GetDefaultClientBinFolder();
  p.moltra_archive_path = app.moltra_archive_path;
  p.qel_archive_path = app.qel_archive_path;
  p.moltra_local_candidate = std::string(".\\") + kMoltraArchiveName;
  p.qel_local_candidate = std::string(".\\") + kQelArchiveName;
  p.moltra_archive_url = UpdateServerAddress() + "/update/qel_archive/" + kMoltraArchiveName;
  p.qel_manifest_url = app.qel_manifest_url;
  p.update_info_url = app.update_info_url;
  p.update_package_url = app.update_package_url;
  p.update_package_path = app.update_package_path.empty() ? TempFolder() + app.update_package_name
                                                          : app.update_package_path;
  p.setup_exe_name = app.setup_exe_name;
  p.update_temp_folder = TempFolder() + "NewSetupExe";
  p.skip_qel_running_check = app.skip_qel_running_check();
  p.skip_update = app.skip_update;
  p.run_mode = app.run_mode;
  p.proxy_user = app.proxy_user;
  p.proxy_password = app.proxy_password;
  p.own_exe_path = OwnExePath();
  p.command_line = app.command_line ? app.command_line : "";
  p.user_data_folder = UserDataFolder();
  p.web_site = std::string("https://") + ZAV_WEB_HOST;
  p.wait_for_restarted = app.unattended.enabled;
  return p;
}

}  // namespace

// A fresh engine for each entry: the wizard's choices may have changed since the last one.
// What the earlier engine learnt (manifest values, credentials) comes along in the fields.
InstallEngine& CApp::Engine() {
  if (!g_ui && !install_ui) {
    g_ui = new WindowInstallUi([] { return g_app ? g_app->page_hwnd : nullptr; },
                               [] { return g_app ? g_app->sheet_hwnd : nullptr; });
    g_ui->on_update_dialog_close = [] {
      if (g_engine) g_engine->AbandonUpdate();
    };
    // The install page decides when to move on: not while its cancel question is open.
    g_ui->on_finished = [] {
      if (g_app) PostMessageA(g_app->page_hwnd, kInstallFinished, 0, 0);
    };
  }
  g_engine = new InstallEngine(BuildInstallParams(*this), install_ui ? *install_ui : *g_ui);
  g_engine->request_delegate = this;
  g_engine->qel_archive_url = qel_archive_url;
  g_engine->qel_version = qel_version;
  g_engine->qel_checksum = qel_checksum;
  g_engine->instance_lock = [](bool hold) {
    if (hold)
      AcquireSingleInstance("");
    else
      ReleaseSingleInstance();
  };
  return *g_engine;
}

void CApp::MirrorEngineState() {
  if (!g_engine) return;
  install_state = g_engine->install_state;
  current_request = g_engine->current_request;
  skip_update = g_engine->skip_update;
  moltra_local_package = g_engine->moltra_local_package;
  qel_local_package = g_engine->qel_local_package;
  qel_archive_url = g_engine->qel_archive_url;
  qel_version = g_engine->qel_version;
  qel_checksum = g_engine->qel_checksum;
  proxy_user = g_engine->proxy_user;
  proxy_password = g_engine->proxy_password;
  install_thread = g_engine->install_thread;
  update_dialog = g_ui ? g_ui->update_dialog() : nullptr;
  if (!g_engine->year_path.empty()) setting->year_path = g_engine->year_path;
}

void CApp::StartUpdateCheck() {
  if (skip_update) return;  // no engine, no request, no dialog
  InstallEngine& engine = Engine();
  engine.StartUpdateCheck();
  MirrorEngineState();
}

void CApp::StartPhase1() {
  Engine().StartPhase1();
  MirrorEngineState();
}

void CApp::StartRestore() {
  Engine().StartRestore();
  MirrorEngineState();
}

void CApp::CancelInstall() {
  if (!g_engine) return;
  g_engine->Cancel();
  MirrorEngineState();
}

void CApp::OnContentLength(WininetWrapper* request, long long length) {
  if (g_engine) g_engine->OnContentLength(request, length);
}

void CApp::OnProgress(WininetWrapper* request, long long bytes_so_far) {
  if (g_engine) g_engine->OnProgress(request, bytes_so_far);
}

void CApp::OnCompleted(WininetWrapper* request) {
  if (!g_engine) return;
  g_engine->OnCompleted(request);
  MirrorEngineState();
}
