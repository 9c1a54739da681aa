#include "log/setup_log.h"

#include <windows.h>
#include <shlobj.h>

#include <cstdio>
#include <mutex>

#include "sys/fs_utils.h"

namespace {
const char kLogFileName[] = "\\QEL_setup_log.txt";
const char kLogFolderVariable[] = "ZAV_SETUP_LOG_FOLDER";
constexpr ULONGLONG kLockWaitMs = 1000;  // other writers hold the lock for one short write
std::mutex g_log_mutex;  // keeps this process's lines in call order; other processes append too
// The thread's held lines, in a slot of the system's own thread storage. A C++ thread_local
// goes through the compiler's emulated TLS, set up at a thread's first use and torn down at
// its exit by the threads library; under Wine two requests hung at their thread's first log
// line, where that set-up happens, while the previous request's thread was ending.
// Allocated before main, while there is one thread.
const DWORD g_held_slot = TlsAlloc();

HeldLogLines* HeldOnThisThread() {
  return g_held_slot == TLS_OUT_OF_INDEXES ? nullptr
                                           : static_cast<HeldLogLines*>(TlsGetValue(g_held_slot));
}
}  // namespace

void HeldLogLines::HoldOnThisThread(HeldLogLines* held) {
  if (g_held_slot != TLS_OUT_OF_INDEXES) TlsSetValue(g_held_slot, held);
}

bool HeldLogLines::Take(const std::string& message) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (released_) return false;
  lines_.push_back(message);
  return true;
}

void HeldLogLines::Release() {
  // Held while writing: a line the thread writes meanwhile waits, and so comes after these.
  std::lock_guard<std::mutex> lock(mutex_);
  released_ = true;
  HeldLogLines* const own = HeldOnThisThread();
  HoldOnThisThread(nullptr);
  for (const std::string& line : lines_) WriteLog(line);
  HoldOnThisThread(own);
  lines_.clear();
}

void HeldLogLines::Discard() {
  std::lock_guard<std::mutex> lock(mutex_);
  lines_.clear();
}

std::string LogFolderUnder(const std::string& local_app_data) {
  // Without the user's folder the path would name "\QEL" at the root of the current drive.
  return local_app_data.empty() ? std::string() : local_app_data + "\\QEL";
}

std::string GetLogFolder() {
  // The user's folder does not move while the setup runs, and asking the shell for it costs
  // more than writing the line, so it is looked up once per process.
  static const std::string folder = [] {
    // Tests give each test program a log folder of its own so that they can run side by
    // side; without the variable the log is where support staff look for it.
    char given[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableA(kLogFolderVariable, given, sizeof(given));
    if (length > 0 && length < sizeof(given)) return std::string(given);
    char local[MAX_PATH] = {};
    if (!SHGetSpecialFolderPathA(nullptr, local, CSIDL_LOCAL_APPDATA, FALSE)) local[0] = '\0';
    return LogFolderUnder(local);
  }();
  return folder;
}

std::string GetLogFilePath() {
  const std::string folder = GetLogFolder();
  return folder.empty() ? std::string() : folder + kLogFileName;
}

void DeleteLog() {
  const std::string path = GetLogFilePath();
  if (!path.empty()) DeleteFileA(path.c_str());
}

std::string FormatLogTimestamp(int year, int month, int day, int hour, int minute, int second,
                               int millisecond) {
  char buffer[30];
  std::snprintf(buffer, sizeof(buffer), "[%02d%02d%02d@%02d:%02d:%02d:%03d]", year, month, day,
                hour, minute, second, millisecond);
  return buffer;
}

std::string FormatLogLine(const std::string& timestamp, const std::string& message) {
  std::string line;
  line.reserve(timestamp.size() + message.size() + 4);
  line += timestamp;
  line += ' ';
  for (char c : message) {
    if (c == '\n') line += '\r';
    line += c;
  }
  line += "\r\n";
  return line;
}

void WriteLog(const std::string& message) {
  HeldLogLines* const held = HeldOnThisThread();
  if (held && held->Take(message)) return;
  SYSTEMTIME now;
  GetLocalTime(&now);
  const std::string line =
      FormatLogLine(FormatLogTimestamp(now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute,
                                       now.wSecond, now.wMilliseconds),
                    message);

  std::lock_guard<std::mutex> lock(g_log_mutex);
  const std::string folder = GetLogFolder();
  if (folder.empty()) return;  // no user folder to log into: the line is dropped
  CreateDirectoryTree(folder);
  // Append-only access makes every write land at the current end, also with a second writer.
  HANDLE file = CreateFileA((folder + kLogFileName).c_str(), FILE_APPEND_DATA,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;  // a lost line never stops the setup
  // Appends of two processes can land on the same offset (seen under Wine), tearing both
  // lines; a byte-range lock far past any real end serialises the writers of this file.
  OVERLAPPED range = {};
  range.Offset = 0xFFFFFFF0;
  range.OffsetHigh = 0x7FFFFFFF;
  // The wait is bounded: a program that locks the whole file would otherwise hang the setup.
  // Past the bound the line is written unlocked, and such a lock then simply loses it.
  bool locked = false;
  const ULONGLONG deadline = GetTickCount64() + kLockWaitMs;
  for (;;) {
    locked = LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
                        &range) != FALSE;
    if (locked || GetTickCount64() >= deadline) break;
    Sleep(1);
  }
  DWORD written = 0;
  WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  if (locked) UnlockFileEx(file, 0, 1, 0, &range);
  CloseHandle(file);
}
