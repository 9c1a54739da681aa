#include "sys/full_control_acl.h"

#include <aclapi.h>
#include <windows.h>

#include <string>
#include <vector>

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

GroupSid Describe(WellKnownGroup group) {
  switch (group) {
    case WellKnownGroup::kEveryone:
      return {"Everyone", SECURITY_WORLD_SID_AUTHORITY, 1, SECURITY_WORLD_RID,
              0,          TRUSTEE_IS_WELL_KNOWN_GROUP};
    case WellKnownGroup::kUsers:
      return {"Users",
              SECURITY_NT_AUTHORITY,
              2,
              SECURITY_BUILTIN_DOMAIN_RID,
              DOMAIN_ALIAS_RID_USERS,
              TRUSTEE_IS_WELL_KNOWN_GROUP};
    case WellKnownGroup::kAuthenticatedUsers:
      return {
          "Authenticated users",      SECURITY_NT_AUTHORITY, 1, SECURITY_AUTHENTICATED_USER_RID, 0,
          TRUSTEE_IS_WELL_KNOWN_GROUP};
    case WellKnownGroup::kAdministrators:
    default:
      return {"Administrators",        SECURITY_NT_AUTHORITY, 2, SECURITY_BUILTIN_DOMAIN_RID,
              DOMAIN_ALIAS_RID_ADMINS, TRUSTEE_IS_GROUP};
  }
}

// Frees the identifiers however the function ends; the ACL keeps copies of them.
struct SidList {
  std::vector<PSID> sids;
  ~SidList() {
    for (PSID sid : sids) FreeSid(sid);
  }
};

}  // namespace

unsigned long BuildFullControlAcl(std::initializer_list<WellKnownGroup> groups, PACL* acl) {
  *acl = nullptr;
  SidList sids;
  std::vector<EXPLICIT_ACCESSA> entries;
  for (WellKnownGroup group : groups) {
    GroupSid described = Describe(group);
    PSID sid = nullptr;
    if (!AllocateAndInitializeSid(&described.authority, described.count, described.sub0,
                                  described.sub1, 0, 0, 0, 0, 0, 0, &sid)) {
      WriteLog(std::string("[* WARN] AllocateAndInitializeSid (") + described.label + ") error " +
               std::to_string(GetLastError()));
      continue;
    }
    sids.sids.push_back(sid);
    EXPLICIT_ACCESSA entry = {};
    entry.grfAccessPermissions = GENERIC_ALL;
    entry.grfAccessMode = SET_ACCESS;
    entry.grfInheritance = SUB_CONTAINERS_AND_OBJECTS_INHERIT;
    entry.Trustee.MultipleTrusteeOperation = NO_MULTIPLE_TRUSTEE;
    entry.Trustee.TrusteeForm = TRUSTEE_IS_SID;
    entry.Trustee.TrusteeType = described.trustee_type;
    entry.Trustee.ptstrName = static_cast<LPSTR>(sid);
    entries.push_back(entry);
  }
  if (entries.empty()) return ERROR_SUCCESS;

  PACL built = nullptr;
  const DWORD result =
      SetEntriesInAclA(static_cast<ULONG>(entries.size()), entries.data(), nullptr, &built);
  if (result == ERROR_SUCCESS) *acl = built;
  return result;
}
