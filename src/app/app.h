// The one application object: created by the entry point, alive for the whole process,
// reached by every subsystem through g_app.
#pragma once
#include <windows.h>
#include <prsht.h>

#include <cstdint>
#include <memory>
#include <string>

#include "app/run_mode.h"
#include "app/unattended_switches.h"
#include "net/wininet_wrapper_delegate.h"
#include "survey/setting.h"

class CSystemInfo;
class InstallEngine;
class InstallUi;
struct PageContext;

// Option flag values of CApp::option_flags.
constexpr uint32_t kOptionSkipQelRunningCheck = 2;

class CApp : public WininetWrapperDelegate {
 public:
  CApp();
  virtual ~CApp();

  // Stores the command line, initializes and shows the wizard. Returns the exit code.
  int Run(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show);
  // false = go on, true = stop (initialization failed or the command line asked to end).
  bool Initialize();
  // The command-line step of Initialize: false = continue, true = stop.
  bool ReadCommandLineSwitches();
  // Steps of Initialize after the survey: one log line per install and orphan, then the
  // preselection of the only install found (if exactly one).
  void LogInstalls();
  void Preselect();

  // Install engine entry points used by the wizard pages: the self-update check (start
  // page), the download sequence and the restore (install page).
  void StartUpdateCheck();
  void StartPhase1();
  void StartRestore();
  // Cancel on the install page: the engine stopped, its threads ended, what it wrote removed.
  void CancelInstall();
  // Deletes this run's downloads that are there; one that cannot be deleted is logged.
  void DeleteDownloads();
  // The unattended run after Initialize (app/unattended_run.cpp): the exit code.
  int RunUnattended();

  bool skip_qel_running_check() const { return (option_flags & kOptionSkipQelRunningCheck) != 0; }

  // WininetWrapperDelegate
  void OnContentLength(WininetWrapper* request, long long length) override;
  void OnProgress(WininetWrapper* request, long long bytes_so_far) override;
  void OnCompleted(WininetWrapper* request) override;

  // Fields, in the order the rest of the program knows them.
  HPROPSHEETPAGE page_handles[8] = {};
  int32_t run_mode = kRunModeProduction;
  int16_t install_state = -1;
  uint32_t option_flags = 0;
  std::unique_ptr<CSetting> setting;
  std::unique_ptr<CSystemInfo> sysinfo;
  WininetWrapper* current_request = nullptr;
  bool skip_update = false;
  bool skip_permission = false;
  bool no_discovery = false;
  std::string moltra_local_package;
  std::string qel_local_package;
  std::string moltra_archive_path;
  std::string qel_archive_path;
  std::string update_package_path;
  std::string update_info_url;
  std::string update_package_url;
  std::string setup_exe_name;
  std::string update_package_name;
  std::string qel_manifest_url;
  std::string qel_archive_url;
  std::string qel_version;
  std::string qel_checksum;
  int32_t restore_mode = 0;
  HANDLE install_thread = nullptr;
  int32_t current_page = 0;
  std::string proxy_user;
  std::string proxy_password;
  HWND sheet_hwnd = nullptr;
  HWND page_hwnd = nullptr;
  HWND update_dialog = nullptr;
  const char* command_line = nullptr;
  bool notsupported_removed = false;
  bool pmselect_removed = false;
  bool pmnew_removed = false;
  volatile bool discovery_running = false;
  // "/QUIET" and its switches; nothing is shown when enabled.
  UnattendedOptions unattended;
  // The exit code when Initialize stops the run (the interactive setup ends with 0).
  int init_exit_code = 0;
  // The engine's interface to the user; null: the wizard's windows.
  InstallUi* install_ui = nullptr;

 private:
  void ApplyRunMode(const std::string& temp_folder, bool with_package_path);
  void StartNetworkDiscovery();
  void CreatePages(HINSTANCE instance, PageContext* context);
  // The install engine for the next operation, and the copy of its state into the fields.
  InstallEngine& Engine();
  void MirrorEngineState();
};

extern CApp* g_app;

// A message-only window that takes the network discovery's reports in an unattended run,
// where there is no sheet.
HWND CreateSheetStandIn();

// The network discovery thread (started by CApp::Initialize unless "/NODISCOVERY" was
// given). It must clear g_app->discovery_running when it ends.
DWORD WINAPI NetworkDiscoveryThread(LPVOID);
