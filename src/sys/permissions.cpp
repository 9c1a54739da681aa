#include "sys/permissions.h"

#include <aclapi.h>
#include <windows.h>

#include "app/app.h"
#include "log/setup_log.h"

namespace {

struct GroupSid {
  const char* label;
  SID_IDENTIFIER_AUTHORITY authority;
  BYTE count;
  DWORD sub0;
  DWORD sub1;
  TRUSTEE_TYPE trustee_type;
};

// Frees the SIDs however the function ends.
struct SidSet {
  PSID sids[4] = {};
  ~SidSet() {
    for (PSID sid : sids)
      if (sid) FreeSid(sid);
  }
};

bool SkipPermissionRequested() { return g_app != nullptr && g_app->skip_permission; }

bool EndsWithBackslash(const std::string& text) { return !text.empty() && text.back() == '\\'; }

}  // namespace

PACL BuildFolderPrivilegesAcl() {
  const GroupSid groups[4] = {
      {"Everyone", SECURITY_WORLD_SID_AUTHORITY, 1, SECURITY_WORLD_RID, 0,
       TRUSTEE_IS_WELL_KNOWN_GROUP},
      {"Users", SECURITY_NT_AUTHORITY, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_USERS,
       TRUSTEE_IS_WELL_KNOWN_GROUP},
      {"Authenticated users", SECURITY_NT_AUTHORITY, 1, SECURITY_AUTHENTICATED_USER_RID, 0,
       TRUSTEE_IS_WELL_KNOWN_GROUP},
      {"Administrators", SECURITY_NT_AUTHORITY, 2, SECURITY_BUILTIN_DOMAIN_RID,
       DOMAIN_ALIAS_RID_ADMINS, TRUSTEE_IS_GROUP},
  };

  SidSet sids;
  EXPLICIT_ACCESSA entries[4] = {};
  ULONG count = 0;
  for (int i = 0; i < 4; ++i) {
    SID_IDENTIFIER_AUTHORITY authority = groups[i].authority;
    if (!AllocateAndInitializeSid(&authority, groups[i].count, groups[i].sub0, groups[i].sub1, 0, 0,
                                  0, 0, 0, 0, &sids.sids[i])) {
      WriteLog(std::string("[* WARN] AllocateAndInitializeSid (") + groups[i].label + ") error " +
               std::to_string(GetLastError()));
      sids.sids[i] = nullptr;
      continue;
    }
    EXPLICIT_ACCESSA& entry = entries[count++];
    entry.grfAccessPermissions = GENERIC_ALL;
    entry.grfAccessMode = SET_ACCESS;
    entry.grfInheritance = SUB_CONTAINERS_AND_OBJECTS_INHERIT;
    entry.Trustee.MultipleTrusteeOperation = NO_MULTIPLE_TRUSTEE;
    entry.Trustee.TrusteeForm = TRUSTEE_IS_SID;
    entry.Trustee.TrusteeType = groups[i].trustee_type;
    entry.Trustee.ptstrName = static_cast<LPSTR>(sids.sids[i]);
  }
  if (count == 0) return nullptr;

  PACL acl = nullptr;
  const DWORD result = SetEntriesInAclA(count, entries, nullptr, &acl);
  if (result != ERROR_SUCCESS) {
    WriteLog("[* WARN] Failed SetEntriesInAcl " + std::to_string(result));
    return nullptr;
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

  WIN32_FIND_DATAA entry;
  HANDLE find = FindFirstFileA((base + "*").c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE) return;
  int count = 0;
  do {
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
  } while (FindNextFileA(find, &entry));
  FindClose(find);

  if (count >= 1)
    WriteLog("[  INFO] Set attributes on " + std::to_string(count) + " files/folder in " + base);
}

bool CanWriteFolder(const std::string& folder) {
  std::string name = folder;
  if (!EndsWithBackslash(name)) name += '\\';
  name += "test_privileges.txt";

  DeleteFileA(name.c_str());  // a leftover of an earlier test
  HANDLE file = CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  DeleteFileA(name.c_str());
  return true;
}
