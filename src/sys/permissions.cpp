#include "sys/permissions.h"

#include <aclapi.h>
#include <windows.h>

#include <atomic>

#include "log/setup_log.h"
#include "sys/full_control_acl.h"
#include "sys/scoped_handle.h"

namespace {

std::atomic<bool> g_skip_permission{false};

bool SkipPermissionRequested() { return g_skip_permission.load(); }

bool EndsWithBackslash(const std::string& text) { return !text.empty() && text.back() == '\\'; }

}  // namespace

void SetSkipPermission(bool skip) { g_skip_permission.store(skip); }

PACL BuildFolderPrivilegesAcl() {
  PACL acl = nullptr;
  const unsigned long result =
      BuildFullControlAcl({WellKnownGroup::kEveryone, WellKnownGroup::kUsers,
                           WellKnownGroup::kAuthenticatedUsers, WellKnownGroup::kAdministrators},
                          &acl);
  if (result != ERROR_SUCCESS) {
    // The call reports its failure through its result and leaves the thread's last error
    // as it was, so the result is the code worth logging.
    WriteLog("[* WARN] Failed SetEntriesInAcl " + std::to_string(result));
  }
  return acl;
}

void SetFolderPrivileges(const std::string& folder) {
  if (SkipPermissionRequested()) {
    WriteLog("[* WARN] Permission setting skipped due to switch for " + folder);
    return;
  }
  // Without an ACL, applying "nothing" would install a null DACL (no protection at all):
  // the folder keeps its current ACL instead.
  PACL acl = BuildFolderPrivilegesAcl();
  if (!acl) return;

  std::string path = folder;
  const DWORD result = SetNamedSecurityInfoA(&path[0], SE_FILE_OBJECT, DACL_SECURITY_INFORMATION,
                                             nullptr, nullptr, acl, nullptr);
  LocalFree(acl);
  if (result == ERROR_SUCCESS) {
    WriteLog("[  INFO] Privileges set successfully");
  } else if (result != ERROR_ACCESS_DENIED) {
    // Access denied is expected on folders of other users and stays silent.
    WriteLog("[* WARN] Privileges set failed error " + std::to_string(result));
  }
}

void ResetAttributes(const std::string& folder) {
  std::string base = folder;
  if (!base.empty() && !EndsWithBackslash(base)) base += '\\';

  ScopedFind find(base + "*");
  if (!find.valid()) return;
  int count = 0;
  do {
    const WIN32_FIND_DATAA& entry = find.entry;
    if (entry.cFileName[0] == '.') continue;
    const std::string path = base + entry.cFileName;
    // A junction or symbolic link may point back up the tree: clear its own attributes but
    // do not walk into it.
    if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
        !(entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
      ResetAttributes(path);
    if (entry.dwFileAttributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN)) {
      SetFileAttributesA(path.c_str(), 0);
      ++count;
    }
  } while (find.Next());

  if (count >= 1)
    WriteLog("[  INFO] Set attributes on " + std::to_string(count) + " files/folder in " + base);
}

bool CanWriteFolder(const std::string& folder) {
  std::string name = folder;
  if (!EndsWithBackslash(name)) name += '\\';
  name += "test_privileges.txt";

  DeleteFileA(name.c_str());  // a leftover of an earlier test
  {
    ScopedHandle file(CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) return false;
  }
  DeleteFileA(name.c_str());
  return true;
}
