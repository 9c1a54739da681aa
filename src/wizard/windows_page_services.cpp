#include "wizard/windows_page_services.h"

#include <prsht.h>

#include "app/app.h"
#include "sharedinfo/sharedinfo.h"
#include "sys/drive_mapping.h"
#include "sys/fs_utils.h"
#include "sys/install_lock.h"
#include "sys/permissions.h"
#include "sys/process_checks.h"
#include "sys/share_discovery.h"

void WindowsPageServices::RemovePage(int index) { SendMessageA(sheet_, PSM_REMOVEPAGE, index, 0); }

bool WindowsPageServices::IsRegistered(const std::string& sharedinfo,
                                       const std::string& office_code, int year) {
  bool exists = false;
  return ExistValidInstall(sharedinfo, office_code, year, &exists) == 0 && exists;
}

bool WindowsPageServices::IsMoltraRunning() {
  return ::IsMoltraRunning(page_, g_app->skip_qel_running_check());
}

bool WindowsPageServices::TerminateQel() {
  return IsQelRunning(page_, g_app->skip_qel_running_check(), true);
}

int WindowsPageServices::CheckInstallLock(const std::string& folder) {
  return ::CheckInstallLock(page_, folder);
}

bool WindowsPageServices::MapNetworkDrive(const std::string& folder, std::string& drive) {
  return ::MapNetworkDrive(folder, drive);
}

bool WindowsPageServices::CreateFolder(const std::string& folder, bool& created) {
  created = !DirectoryExists(folder);
  if (!created) return true;
  const bool made = CreateDirectoryTree(folder);
  created = made;
  return made;
}

void WindowsPageServices::SecureFolder(const std::string& folder) {
  SetFolderPrivileges(folder);
  ResetAttributes(folder);
}

bool WindowsPageServices::CanWrite(const std::string& folder) { return CanWriteFolder(folder); }

void WindowsPageServices::RefreshOfficeList() { SendMessageA(sheet_, WM_INSTALLS_CHANGED, 0, 0); }
