#include "sys/install_lock.h"

#include <fstream>

#include "log/setup_log.h"
#include "sys/fs_utils.h"
#include "sys/identity.h"
#include "sys/scoped_handle.h"

std::string GetLockFilePath(const std::string& folder) {
  std::string path = folder;
  if (path.empty() || path.back() != '\\') path += '\\';
  return path + "ZAV_Shared\\LockFile";
}

std::string FormatInstallLock(const std::string& timestamp, const std::string& assignee,
                              const std::string& pdl_number) {
  return timestamp + ";" + assignee + ";" + pdl_number;
}

const char kInstallLockQuestion[] =
    "E' stata rilevata un'altra installazione concorrente per questo Codice Ufficio. "
    "Vuoi procedere?";

int CheckInstallLock(const std::string& folder,
                     const std::function<bool(const std::string& question)>& ask) {
  const std::string path = GetLockFilePath(folder);
  if (!FileExists(path)) {
    WriteLog("[  INFO] No lock file detected on " + path);
    return 0;
  }
  WriteLog("[* WARN] Lock file detected on " + path + " -> " + ReadInstallLock(folder));
  if (ask(kInstallLockQuestion)) {
    WriteLog("[* WARN] User choose to continue with setup");
    return 1;
  }
  WriteLog("[  INFO] User choose NOT to continue with setup");
  return -1;
}

int CheckInstallLock(HWND page, const std::string& folder) {
  const int result = CheckInstallLock(folder, [page](const std::string& question) {
    return MessageBoxA(page, question.c_str(), "Attenzione", MB_ICONWARNING | MB_YESNO) == IDYES;
  });
  if (result < 0 && page) SetWindowLongPtrA(page, DWLP_MSGRESULT, -1);
  return result;
}

void CreateInstallLock(const std::string& folder, const std::string& pdl_number) {
  SYSTEMTIME now;
  GetLocalTime(&now);
  const std::string line =
      FormatInstallLock(FormatLogTimestamp(now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute,
                                           now.wSecond, now.wMilliseconds),
                        GetCurrentAssignee(), pdl_number);
  // OPEN_ALWAYS fails when ZAV_Shared is missing: then there is simply no lock.
  ScopedHandle file(CreateFileA(GetLockFilePath(folder).c_str(), FILE_APPEND_DATA,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return;
  DWORD written = 0;
  WriteFile(file.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

std::string ReadInstallLock(const std::string& folder) {
  std::ifstream file(GetLockFilePath(folder), std::ios::binary);
  std::string word;
  if (file) file >> word;
  return word;
}

bool RemoveInstallLock(const std::string& folder) {
  return DeleteFileA(GetLockFilePath(folder).c_str()) != FALSE;
}
