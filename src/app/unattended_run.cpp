// CApp's unattended run: the wizard's rules and the install engine without a window. The
// answers come from the command line, the outcome leaves as the exit code, the log is the same.
#include <windows.h>

#include "app/app.h"
#include "app/exit_codes.h"
#include "engine/headless_install_ui.h"
#include "engine/program_end.h"
#include "log/setup_log.h"
#include "sys/fs_utils.h"
#include "sys/identity.h"
#include "sys/install_lock.h"
#include "sys/scoped_handle.h"
#include "sys/share_discovery.h"
#include "sys/string_utils.h"
#include "wizard/sheet.h"
#include "wizard/unattended_flow.h"
#include "wizard/windows_install_services.h"
#include "wizard/windows_page_services.h"

namespace {

const char kSheetClass[] = "ZAV_UnattendedSheet";

// Takes the discovery's reports in place of the wizard's sheet.
LRESULT CALLBACK SheetStandInProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_INSTALLS_CHANGED && g_app) {
    if (ApplyInstallsChanged(*g_app->setting, reinterpret_cast<const char*>(wparam),
                             static_cast<int>(lparam)))
      FillOfficeList(nullptr, *g_app->setting);  // the list's duplicates go, as on the page
    return 0;
  }
  return DefWindowProcA(window, message, wparam, lparam);
}

// The office pages' services without a sheet: the lock question goes to the prompter.
class UnattendedPageServices : public WindowsPageServices {
 public:
  UnattendedPageServices(CSetting& setting, Prompter& prompter)
      : WindowsPageServices(nullptr, nullptr), setting_(setting), prompter_(prompter) {}
  void RemovePage(int) override {}
  int CheckInstallLock(const std::string& folder) override {
    return ::CheckInstallLock(folder, [this](const std::string& question) {
      return prompter_.Ask(Question::kInstallLock, question, "Attenzione");
    });
  }
  void RefreshOfficeList() override {
    ApplyInstallsChanged(setting_, nullptr, 0);
    FillOfficeList(nullptr, setting_);
  }

 private:
  CSetting& setting_;
  Prompter& prompter_;
};

class InstallWork : public UnattendedInstall {
 public:
  InstallWork(CApp& app, HeadlessInstallUi& ui) : app_(app), ui_(ui) {}
  void CreateLock(const std::string& office_root, const std::string& pdl_number) override {
    CreateInstallLock(office_root, pdl_number);
    lock_root_ = office_root;
  }
  void LockRemoved() override { lock_root_.clear(); }
  bool Install(bool restore) override {
    if (restore)
      app_.StartRestore();
    else
      app_.StartPhase1();
    return ui_.WaitForFinish();
  }
  // A run that ends before its end work leaves no lock of its own behind: a second run from
  // the same script would otherwise find it and stop.
  void ReleaseLock() {
    if (lock_root_.empty()) return;
    WriteLog("[  INFO] Deleted lock file");
    RemoveInstallLock(lock_root_);
    lock_root_.clear();
  }

 private:
  CApp& app_;
  HeadlessInstallUi& ui_;
  std::string lock_root_;
};

int ExitCodeOf(EngineStop stop, unsigned code) {
  switch (stop) {
    case EngineStop::kDownloadFailed:
      return kExitDownloadFailed;
    case EngineStop::kSignatureRefused:
      return kExitSignatureRefused;
    case EngineStop::kProxyCredentials:
      return kExitProxyCredentials;
    case EngineStop::kCannotSave:
      return kExitCannotSave;
    case EngineStop::kUnpackFailed:
      return kExitUnpackFailed;
    case EngineStop::kUserDataInUse:
      return kExitUserDataInUse;
    case EngineStop::kPlatformRunning:
      return kExitPlatformRunning;
    case EngineStop::kNone:
      break;
  }
  return static_cast<int>(code);  // the updated setup's own outcome, or a code given here
}

// The password as the new-office page would take it: from its file when one is named, then
// in capitals (the page's field turns what is typed into capitals).
bool ReadPassword(UnattendedOptions& options) {
  if (!options.password_file.empty()) {
    ScopedHandle file(CreateFileA(options.password_file.c_str(), GENERIC_READ, FILE_SHARE_READ,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    char bytes[4096];
    DWORD read = 0;
    if (!file.valid() || !ReadFile(file.get(), bytes, sizeof(bytes), &read, nullptr)) {
      WriteLog("[**  ERR] Unattended password file not read -> " + options.password_file +
               " -> " + IntToString(static_cast<long long>(GetLastError())));
      return false;
    }
    if (!PasswordFromFile(std::string(bytes, read), options.password)) {
      WriteLog("[**  ERR] Unattended password file holds a NUL -> " + options.password_file);
      return false;
    }
    const std::string problem = CheckPassword(options.password);
    if (!problem.empty()) {
      WriteLog("[**  ERR] Unattended password file not usable -> " + options.password_file +
               " -> " + problem);
      return false;
    }
  }
  if (!options.password.empty())
    CharUpperBuffA(&options.password[0], static_cast<DWORD>(options.password.size()));
  return true;
}

// Dispatches messages (the discovery's reports among them) until the discovery has ended:
// an office it finds on the network must be there before the office is looked for.
void WaitForDiscovery() {
  while (g_app->discovery_running) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }
}

void Pause(int seconds) { Sleep(static_cast<DWORD>(seconds) * 1000); }

}  // namespace

HWND CreateSheetStandIn() {
  WNDCLASSA window_class = {};
  window_class.lpfnWndProc = SheetStandInProc;
  window_class.hInstance = GetModuleHandleA(nullptr);
  window_class.lpszClassName = kSheetClass;
  RegisterClassA(&window_class);
  const HWND window = CreateWindowExA(0, kSheetClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                      GetModuleHandleA(nullptr), nullptr);
  if (!window)
    WriteLog("[* WARN] Unattended: no window for the discovery's reports -> " +
             IntToString(static_cast<long long>(GetLastError())));
  return window;
}

int CApp::RunUnattended() {
  UnattendedOptions options = unattended;
  if (!ReadPassword(options)) {
    WriteLog("[  INFO] Unattended installation ended -> " + IntToString(kExitBadCommandLine));
    return kExitBadCommandLine;
  }

  HeadlessInstallUi ui(options.retries, options.retry_wait_seconds, options.proxy_user,
                       options.proxy_password,
                       [](EngineStop) { EndProgram(kExitPlatformRunning); });
  InstallWork install(*this, ui);
  // Wherever the run ends (the engine's threads included): no lock of its own left, no
  // download, and the exit code of what stopped it.
  SetProgramEndHandler([this, &ui, &install](unsigned code) {
    const int exit_code = ExitCodeOf(ui.stop(), code);
    install.ReleaseLock();
    DeleteDownloads();
    WriteLog("[  INFO] Unattended installation ended -> " + IntToString(exit_code));
    ExitProcess(static_cast<UINT>(exit_code));
  });
  install_ui = &ui;

  UnattendedPrompter prompter(options, Pause, [] { EndProgram(kExitPlatformRunning); });
  WindowsInstallServices services(skip_qel_running_check());
  UnattendedPageServices pages(*setting, prompter);

  StartUpdateCheck();
  WaitForDiscovery();

  UnattendedRun run;
  run.options = options;
  run.setting = setting.get();
  run.prompter = &prompter;
  run.pages = &pages;
  run.destination = &services;
  run.end = &services;
  run.install = &install;
  run.machine = ThisMachineFolders();
  run.assignee = GetCurrentAssignee();
  const int code = RunUnattendedFlow(run);

  install.ReleaseLock();
  DeleteDownloads();
  SetProgramEndHandler(nullptr);
  WriteLog("[  INFO] Unattended installation ended -> " + IntToString(code));
  return code;
}
