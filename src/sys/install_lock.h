// The advisory install lock of an office folder: ZAV_Shared\LockFile, written while a setup
// installs into the folder so that a second setup (here or on another PC) notices it.
#pragma once
#include <windows.h>

#include <functional>
#include <string>

// folder (a backslash added when missing) + "ZAV_Shared\LockFile".
std::string GetLockFilePath(const std::string& folder);

// The lock file's single line: "[YYYYMMDD@hh:mm:ss:mmm];COMPUTER\user;pdl".
std::string FormatInstallLock(const std::string& timestamp, const std::string& assignee,
                              const std::string& pdl_number);

// 0: no lock. With a lock, asks the user (message box owned by `page`): 1 = go on,
// -1 = stop (the page's DWLP_MSGRESULT is then set to -1, "stay on this page").
int CheckInstallLock(HWND page, const std::string& folder);
// The same with the question put by `ask` (true for Yes).
extern const char kInstallLockQuestion[];
int CheckInstallLock(const std::string& folder,
                     const std::function<bool(const std::string& question)>& ask);

// Appends the lock line (local time, current assignee, workstation number; empty for a new
// office). Writes nothing when the ZAV_Shared folder is missing.
void CreateInstallLock(const std::string& folder, const std::string& pdl_number);

// The lock's first word (up to the first white space); empty when it cannot be opened.
std::string ReadInstallLock(const std::string& folder);

// Deletes the lock file; the result of the deletion.
bool RemoveInstallLock(const std::string& folder);
