// Permissions and attributes of platform folders.
#pragma once
#include <string>

// Gives the four well-known groups full control of the folder, inherited below it.
// A logged no-op when the setup was started with /SKIPPERMISSION.
void SetFolderPrivileges(const std::string& folder);
