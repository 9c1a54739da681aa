#include "app/app.h"

#include <commctrl.h>

#include <cstdlib>
#include <stdexcept>
#include <vector>

#include "app/command_line.h"
#include "app/exit_codes.h"
#include "app/system_info.h"
#include "log/setup_log.h"
#include "net/own_version.h"
#include "net/wininet_wrapper.h"
#include "sys/identity.h"
#include "sys/permissions.h"
#include "wizard/message_box_prompter.h"
#include "wizard/page_context.h"
#include "wizard/sheet.h"
#include "wizard/windows_install_services.h"

CApp* g_app = nullptr;

namespace {

std::string TempFolder() {
  char temp[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, temp);
  return temp;
}

// An unattended run shows nothing: the log line written before each box says it all.
void ErrorBox(const std::string& text) {
  if (g_app && g_app->unattended.enabled) return;
  MessageBoxA(nullptr, text.c_str(), "Errore", MB_ICONERROR);
}

// Ends the process at once with -1, the code of a start that cannot go on.
[[noreturn]] void EndImmediately() { ExitProcess(static_cast<UINT>(-1)); }

// Lets Explorer show the icons of shortcuts whose target is on a network path (the
// desktop shortcut of an office installed on a share). Needs administrator rights;
// without them nothing changes and the setup goes on.
void AllowRemoteShortcutIcons() {
  HKEY key;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Policies\\Microsoft\\Windows\\Explorer\\", 0,
                      nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, &key,
                      nullptr) != ERROR_SUCCESS)
    return;
  const DWORD enabled = 1;
  RegSetValueExA(key, "EnableShellShortcutIconRemotePath", 0, REG_DWORD,
                 reinterpret_cast<const BYTE*>(&enabled), sizeof(enabled));
  RegCloseKey(key);
}

void LogProcessorFacts() {
  std::string name;
  DWORD speed = 0;
  HKEY key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0", 0,
                    KEY_READ, &key) == ERROR_SUCCESS) {
    DWORD size = sizeof(speed);
    RegQueryValueExA(key, "~MHz", nullptr, nullptr, reinterpret_cast<BYTE*>(&speed), &size);
    char buffer[260] = {};
    size = sizeof(buffer) - 1;
    if (RegQueryValueExA(key, "ProcessorNameString", nullptr, nullptr,
                         reinterpret_cast<BYTE*>(buffer), &size) == ERROR_SUCCESS)
      name = buffer;
    RegCloseKey(key);
  }
  WriteLog("[  INFO] Processor name -> " + name);
  WriteLog("[  INFO] Processor speed -> " + std::to_string(speed));
}

// The product version of this executable's version resource as "a.b.c.d"; empty if absent.
std::string OwnProductVersion() {
  std::vector<std::string> fields;
  if (!ReadOwnVersionFields(fields, VersionField::kProduct)) return {};
  std::string text;
  for (size_t i = 0; i < fields.size(); ++i) text += (i ? "." : "") + fields[i];
  return text;
}

// The engine as the install page reaches it.
class AppInstallControl : public InstallControl {
 public:
  void Cancel() override { g_app->CancelInstall(); }
  void DeleteDownloads() override { g_app->DeleteDownloads(); }
};

}  // namespace

CApp::CApp() : setting(new CSetting), sysinfo(new CSystemInfo) {
  AllowRemoteShortcutIcons();
  run_mode = kRunModeProduction;
  ApplyRunMode(TempFolder(), false);
  const std::string temp = TempFolder();
  moltra_archive_path = temp + kMoltraArchiveName;
  qel_archive_path = temp + kQelArchiveName;
  DeleteFileA(moltra_archive_path.c_str());  // left-overs of an earlier run
  DeleteFileA(qel_archive_path.c_str());
}

CApp::~CApp() = default;

void CApp::ApplyRunMode(const std::string& temp_folder, bool with_package_path) {
  const RunModeStrings column = RunModeColumn(run_mode, UpdateServerAddress(), temp_folder);
  update_info_url = column.update_info_url;
  setup_exe_name = column.setup_exe_name;
  update_package_name = column.update_package_name;
  update_package_url = column.update_package_url;
  qel_manifest_url = column.qel_manifest_url;
  if (with_package_path) update_package_path = column.update_package_path;
}

bool CApp::ReadCommandLineSwitches() {
  const std::string raw = command_line ? command_line : "";
  if (raw.empty()) {
    WriteLog("[  INFO] No command line provided");
  } else {
    // What a password switch holds stays out of the log.
    WriteLog("[  INFO] Command line provided -> " + MaskSecrets(raw));
    const SwitchResult result = ParseSwitches(raw, run_mode);
    if (result.action == SwitchAction::kBadCommand) {
      MessageBoxA(nullptr, kBadCommandText, "Informazioni", MB_ICONINFORMATION);
      return true;
    }
    if (result.action == SwitchAction::kShowHelp) {
      MessageBoxA(nullptr, kHelpText, "Informazioni", MB_ICONINFORMATION);
      return true;
    }
    std::string error;
    if (!ReadUnattendedSwitches(raw, unattended, error)) {
      WriteLog("[**  ERR] Unattended command line refused -> " + error);
      init_exit_code = kExitBadCommandLine;
      return true;
    }
    if (unattended.enabled && !unattended.proxy_user.empty()) {
      proxy_user = unattended.proxy_user;
      proxy_password = unattended.proxy_password;
    }
    if (result.peripheral_unit) setting->install_kind = 2;
    skip_update = skip_update || result.skip_update;
    skip_permission = skip_permission || result.skip_permission;
    SetSkipPermission(skip_permission);
    no_discovery = no_discovery || result.no_discovery;
    if (result.skip_qel_running_check) option_flags |= kOptionSkipQelRunningCheck;
    run_mode = result.run_mode;
  }
  ApplyRunMode(TempFolder(), true);
  return false;
}

void CApp::LogInstalls() {
  const std::string me = GetCurrentAssignee();
  for (const auto& install : setting->installs) {
    std::string line = "[  INFO] PM " + install->pm + "-" + install->pdl + " (" + install->year +
                       ") " + install->assignee + " -> " + install->zav_path + " -> " +
                       install->sharedinfo_path;
    if (install->assignee == me) line += " (CURRENT USER)";
    if (!install->zav_path.empty() && install->zav_path[0] == '\\') line += " (NETSHARE)";
    WriteLog(line);
  }
  WriteLog("[  INFO] Platform detection completed successfully -> " +
           std::to_string(setting->installs.size()) + " found");
  if (!setting->orphans.empty()) {
    WriteLog("[* WARN] Orphan installation detected -> " + std::to_string(setting->orphans.size()));
    for (const auto& orphan : setting->orphans)
      WriteLog("[* WARN] Orphan PM -> " + orphan->pm + " path -> " + orphan->zav_path);
  }
}

void CApp::Preselect() {
  CSetting& s = *setting;
  s.office_code.clear();
  s.office_password.clear();
  s.install_kind = 1;
  s.office_dir = s.year_path;
  s.office_root = s.year_path;
  s.new_office = false;
  s.selected_registered = false;
  s.selected_valid = false;
  if (s.installs.size() == 1) {
    const InstallRecord& only = *s.installs.front();
    s.office_code = only.pm;
    s.office_password = only.password;
    s.install_kind = only.kind;
    s.office_dir = only.zav_path;
    s.office_root = only.setup_path;
    s.selected_valid = only.valid;
  }
}

void CApp::StartNetworkDiscovery() {
  if (no_discovery) {
    WriteLog("[  INFO] Network discovery not started due to switch on commandline");
    return;
  }
  discovery_running = true;
  HANDLE thread = CreateThread(nullptr, 0, NetworkDiscoveryThread, nullptr, 0, nullptr);
  if (!thread) {
    discovery_running = false;
    return;
  }
  CloseHandle(thread);  // the thread reports its end through discovery_running
}

bool CApp::Initialize() {
  try {
    LogProcessorFacts();
    if (!IsSupportedWindows(sysinfo->major_version(), sysinfo->minor_version())) {
      WriteLog("[**  ERR] Unsupported OS detected -> " + sysinfo->display_text());
      ErrorBox(
          "Sistema operativo non supportato.\n\nE' possibile utilizzare il software solo su "
          "Windows 7, 8, 8.1 e 10");
      EndImmediately();
    }
    WriteLog("[  INFO] Supported OS detected -> " + sysinfo->display_text());
    WriteLog("[  INFO] Current installed version -> " + OwnProductVersion());
    WriteLog("[  INFO] Current assignee -> " + GetCurrentAssignee());

    setting->LoadInfAndDisks();
    if (setting->CheckForPreviousPlatform() != 0) {
      WriteLog("[**  ERR] Previous platform detect not completed successfully");
      ErrorBox("Errore nella rilevazione delle precedenti installazioni.");
      EndImmediately();
    }
    LogInstalls();
    Preselect();

    if (ReadCommandLineSwitches()) return true;
    StartNetworkDiscovery();
    return false;
  } catch (const char* text) {
    WriteLog(std::string("[**  ERR] Exception ") + text);
    ErrorBox(text);
    if (unattended.enabled) init_exit_code = kExitInitFailed;
    return true;
  } catch (...) {
    WriteLog("[**  ERR] Exception on CApp::Initialize ");
    ErrorBox("Errore imprevisto durante l'inizializzazione.");
    if (unattended.enabled) init_exit_code = kExitInitFailed;
    return true;
  }
}

void CApp::CreatePages(HINSTANCE instance, PageContext* context) {
  if (!CreateWizardPages(instance, page_handles, context))
    throw std::runtime_error("pages not created");
}

void CApp::DeleteDownloads() {
  const std::string package =
      update_package_path.empty() ? TempFolder() + update_package_name : update_package_path;
  for (const std::string& file : {moltra_archive_path, qel_archive_path, package}) {
    if (file.empty()) continue;
    WininetWrapper::RemovePartial(file);
    if (GetFileAttributesA(file.c_str()) == INVALID_FILE_ATTRIBUTES) continue;
    if (!DeleteFileA(file.c_str()))
      WriteLog("[* WARN] Download not deleted -> " + file + " -> " +
               std::to_string(GetLastError()));
  }
}

int CApp::Run(HINSTANCE instance, HINSTANCE, LPSTR text, int) {
  command_line = text;
  // unattended.enabled comes from the entry point, before the survey: its failures show no box.
  if (unattended.enabled) sheet_hwnd = CreateSheetStandIn();
  if (Initialize()) {
    WriteLog("[**  ERR] InitFailed");
    if (unattended.enabled)
      WriteLog("[  INFO] Unattended installation ended -> " + std::to_string(init_exit_code));
    std::exit(init_exit_code);
  }
  if (unattended.enabled) return RunUnattended();

  INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  if (!instance) instance = GetModuleHandleA(nullptr);
  // What the pages work with; alive until the sheet has closed.
  MessageBoxPrompter prompter([] { return g_app->page_hwnd; });
  WindowsInstallServices services(skip_qel_running_check());
  AppInstallControl install;
  PageContext context;
  context.setting = setting.get();
  context.prompter = &prompter;
  context.end_services = &services;
  context.install = &install;
  CreatePages(instance, &context);

  const bool shown = ShowWizard(instance, page_handles);

  // The downloaded archives are removed also when the wizard was cancelled, and so are
  // the partial files of downloads cut short.
  DeleteDownloads();
  if (!shown) throw std::runtime_error("property sheet not shown");
  return 0;
}
