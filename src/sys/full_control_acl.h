// Access lists that give well-known groups full control of a folder or share, inherited by
// everything below.
#pragma once
#include <initializer_list>

struct _ACL;

enum class WellKnownGroup { kEveryone, kUsers, kAuthenticatedUsers, kAdministrators };

// One entry per group, in the order given: GENERIC_ALL, SET_ACCESS, inherited by sub-folders
// and files. A group whose identifier cannot be built is left out after the line
// "[* WARN] AllocateAndInitializeSid (<group>) error <code>". Returns the result of
// SetEntriesInAclA (0 on success); `acl` receives the list, to be freed with LocalFree, or
// null when the call failed or no identifier could be built (then the result is 0).
unsigned long BuildFullControlAcl(std::initializer_list<WellKnownGroup> groups, _ACL** acl);
