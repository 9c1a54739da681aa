#include "app/app.h"

#include <cstdlib>
#include <cstdio>

#include "app/command_line.h"
#include "app/system_info.h"
#include "log/setup_log.h"
#include "sys/identity.h"

CApp* g_app = nullptr;

namespace {

std::string TempFolder() {
  char temp[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, temp);
  return temp;
}

void ErrorBox(const std::string& text) {
  MessageBoxA(nullptr, text.c_str(), "Errore", MB_ICONERROR);
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
std::string OwnVersion() {
  char module[128] = {};
  if (!GetModuleFileNameA(nullptr, module, sizeof(module))) return {};
  DWORD handle = 0;
  const DWORD size = GetFileVersionInfoSizeA(module, &handle);
  if (!size) return {};
  std::string data(size, '\0');
  if (!GetFileVersionInfoA(module, 0, size, &data[0])) return {};
  VS_FIXEDFILEINFO* info = nullptr;
  UINT length = 0;
  if (!VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&info), &length) ||
      length != sizeof(VS_FIXEDFILEINFO))
    return {};
  char text[64];
  std::snprintf(text, sizeof(text), "%u.%u.%u.%u", HIWORD(info->dwProductVersionMS),
                LOWORD(info->dwProductVersionMS), HIWORD(info->dwProductVersionLS),
                LOWORD(info->dwProductVersionLS));
  return text;
}

}  // namespace

CApp::CApp() : setting(new CSetting), sysinfo(new CSystemInfo) {
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
    WriteLog("[  INFO] Command line provided -> " + raw);
    const SwitchResult result = ParseSwitches(raw, run_mode);
    if (result.action == SwitchAction::kBadCommand) {
      MessageBoxA(nullptr, kBadCommandText, "Informazioni", MB_ICONINFORMATION);
      return true;
    }
    if (result.action == SwitchAction::kShowHelp) {
      MessageBoxA(nullptr, kHelpText, "Informazioni", MB_ICONINFORMATION);
      return true;
    }
    if (result.peripheral_unit) setting->install_kind = 2;
    skip_update = skip_update || result.skip_update;
    skip_permission = skip_permission || result.skip_permission;
    no_discovery = no_discovery || result.no_discovery;
    if (result.skip_qel_running_check) option_flags |= kOptionSkipQelRunningCheck;
    run_mode = result.run_mode;
  }
  ApplyRunMode(TempFolder(), true);
  return false;
}

bool CApp::Initialize() {
  try {
    LogProcessorFacts();
    const std::string version = OwnVersion();
    WriteLog("[  INFO] Current installed version -> " + version);
    WriteLog("[  INFO] Current assignee -> " + GetCurrentAssignee());
    if (ReadCommandLineSwitches()) return true;
    if (no_discovery) WriteLog("[  INFO] Network discovery not started due to switch on commandline");
    return false;
  } catch (const char* text) {
    WriteLog(std::string("[**  ERR] Exception ") + text);
    ErrorBox(text);
    return true;
  } catch (...) {
    WriteLog("[**  ERR] Exception on CApp::Initialize ");
    ErrorBox("Errore imprevisto durante l'inizializzazione.");
    return true;
  }
}

int CApp::Run(HINSTANCE, HINSTANCE, LPSTR text, int) {
  command_line = text;
  if (Initialize()) {
    WriteLog("[**  ERR] InitFailed");
    std::exit(0);
  }
  for (const std::string* path : {&moltra_archive_path, &qel_archive_path, &update_package_path}) {
    if (path->empty()) continue;
    HANDLE file = CreateFileA(path->c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) continue;
    CloseHandle(file);
    DeleteFileA(path->c_str());
  }
  return 0;
}

void CApp::OnContentLength(WininetWrapper*, int) {}
void CApp::OnProgress(WininetWrapper*, int) {}
void CApp::OnCompleted(WininetWrapper*) {}
