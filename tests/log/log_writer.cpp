// A second process for the log tests:
//   log_writer <tag> <count>   writes count lines tagged with a name, from two threads;
//   log_writer lock <ms>       locks the whole log file as another program might, holds the
//                              lock for ms milliseconds and exits.
#include <windows.h>

#include <cstdlib>
#include <string>
#include <thread>

#include "log/setup_log.h"

namespace {

int HoldWholeFileLock(DWORD milliseconds) {
  HANDLE file = CreateFileA(GetLogFilePath().c_str(), GENERIC_READ | GENERIC_WRITE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 3;
  OVERLAPPED all = {};
  if (!LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD, MAXDWORD,
                  &all)) {
    CloseHandle(file);
    return 4;
  }
  Sleep(milliseconds);
  UnlockFileEx(file, 0, MAXDWORD, MAXDWORD, &all);
  CloseHandle(file);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  const std::string tag = argv[1];
  const int count = std::atoi(argv[2]);
  if (tag == "lock") return HoldWholeFileLock(static_cast<DWORD>(count));
  auto writer = [&](const char* thread_name) {
    for (int i = 0; i < count; ++i)
      WriteLog("[  INFO] " + tag + " " + thread_name + " line " + std::to_string(i) +
               " unità perché così");
  };
  std::thread other(writer, "b");
  writer("a");
  other.join();
  return 0;
}
