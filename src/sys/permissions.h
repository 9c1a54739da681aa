// Permissions and attributes of platform folders.
#pragma once
#include <string>

// Gives Everyone, Users, Authenticated users and Administrators full control of the folder,
// inherited by everything below it. A logged no-op when the setup was started with
// /SKIPPERMISSION. Failures are logged; the folder then keeps its previous ACL.
void SetFolderPrivileges(const std::string& folder);
// The /SKIPPERMISSION switch, for the whole process (the extraction calls
// SetFolderPrivileges on every folder it creates).
void SetSkipPermission(bool skip);

struct _ACL;
// The DACL that SetFolderPrivileges applies: one inheritable GENERIC_ALL entry per group
// whose identifier could be built. Free it with LocalFree; null when nothing could be built
// (the reason is logged).
_ACL* BuildFolderPrivilegesAcl();

// Clears the read-only and hidden attributes of everything below the folder, depth first,
// logging one line per folder level that had something to clear. The folder itself is kept.
void ResetAttributes(const std::string& folder);

// True when this process could create (and then removed) a new file in the folder.
bool CanWriteFolder(const std::string& folder);
