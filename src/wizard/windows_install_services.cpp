#include "wizard/windows_install_services.h"

#include <windows.h>

#include "sharedinfo/sharedinfo.h"
#include "sys/drive_mapping_service.h"
#include "sys/fs_utils.h"
#include "sys/install_lock.h"
#include "sys/process_checks.h"
#include "wizard/end_files.h"
#include "sys/net_share.h"
#include "sys/permissions.h"
#include "sys/share_service.h"

namespace {
constexpr unsigned long kElevatedWaitMs = 4000;
}  // namespace

bool WindowsInstallServices::IsNetworkDrive(const std::string& root) {
  return GetDriveMappingService().RootDriveType(root) == DRIVE_REMOTE;
}

bool WindowsInstallServices::DirectoryExists(const std::string& folder) {
  return ::DirectoryExists(folder);
}

bool WindowsInstallServices::CreateFolder(const std::string& folder) {
  return CreateDirectoryTree(folder);
}

void WindowsInstallServices::SecureFolder(const std::string& folder, bool attributes) {
  SetFolderPrivileges(folder);
  if (attributes) ResetAttributes(folder);
}

bool WindowsInstallServices::CanWrite(const std::string& folder) { return CanWriteFolder(folder); }

bool WindowsInstallServices::IsRegistered(const std::string& sharedinfo,
                                          const std::string& office_code, int year) {
  bool exists = false;
  return ExistValidInstall(sharedinfo, office_code, year, &exists) == 0 && exists;
}

int WindowsInstallServices::RemoveWorkpoint(const std::string& sharedinfo,
                                            const std::string& office_code,
                                            const std::string& year) {
  return ::RemoveWorkpoint(sharedinfo, office_code, year);
}

bool WindowsInstallServices::IsDestinationShared(const std::string& folder) {
  return ::IsDestinationShared(folder);
}

bool WindowsInstallServices::OfficeShareExists(const std::string& office_code) {
  return ::OfficeShareExists(office_code);
}

bool WindowsInstallServices::CreateOfficeShare(const std::string& office_code,
                                               const std::string& folder, int& status) {
  return ::CreateOfficeShare(office_code, "", folder, &status);
}

std::string WindowsInstallServices::OwnCommandLine() { return GetCommandLineA(); }

bool WindowsInstallServices::RunElevated(const std::string& program, const std::string& parameters,
                                         unsigned long& error, bool& exit_read,
                                         unsigned long& exit_code) {
  return GetShareService().RunElevated(program, parameters, kElevatedWaitMs, &error, &exit_read,
                                       &exit_code);
}

bool WindowsInstallServices::IsMoltraRunning() {
  return ::IsMoltraRunning(nullptr, skip_qel_running_check_);
}

bool WindowsInstallServices::CloseQel() {
  return IsQelRunning(nullptr, skip_qel_running_check_, true);
}

void WindowsInstallServices::PrepareSharedFolder(const std::string& folder) {
  if (!::DirectoryExists(folder)) CreateDirectoryTree(folder);
  SecureFolder(folder, true);
}

bool WindowsInstallServices::WriteConfigurationFile(const std::string& path,
                                                    const std::string& bytes) {
  return ::WriteConfigurationFile(path, bytes);
}

void WindowsInstallServices::MoveUnitConfiguration(const std::string& year_path) {
  ::MoveUnitConfiguration(year_path);
}

void WindowsInstallServices::CreateDesktopShortcut(const std::string& name, bool replace) {
  ::CreateDesktopShortcut(name, GetDefaultClientBinFolder(), replace);
}

void WindowsInstallServices::WriteCompatibilityValues(const std::string& runtime_program) {
  ::WriteCompatibilityValues(runtime_program);
}

void WindowsInstallServices::RemoveInstallLock(const std::string& office_root) {
  ::RemoveInstallLock(office_root);
}

MachineFolders ThisMachineFolders() {
  char windows[MAX_PATH] = {};
  const UINT length = GetWindowsDirectoryA(windows, MAX_PATH);
  MachineFolders folders;
  folders.windows_folder = length >= 3 && length < MAX_PATH ? windows : "C:\\Windows";
  folders.client_folder = GetDefaultClientFolder();
  folders.client_bin_folder = GetDefaultClientBinFolder();
  return folders;
}
