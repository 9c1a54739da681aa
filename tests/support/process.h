// Starting and ending Windows processes from tests; the handle is closed (and a still
// running child ended) when the object goes away, so a failed test leaves nothing behind.
#pragma once
#include <windows.h>

#include <string>

class ChildProcess {
 public:
  ChildProcess() = default;
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Starts `exe` with the raw argument text (placed after the quoted program name).
  bool Start(const std::string& exe, const std::string& arguments,
             const std::string& working_dir = "");
  // Starts with an exact command line (the program name is not added).
  bool StartRaw(const std::string& exe, const std::string& command_line,
                const std::string& working_dir = "");
  // True when the process ended within the time; its exit code is stored.
  bool Wait(DWORD milliseconds, DWORD* exit_code = nullptr);
  void Kill();
  DWORD pid() const { return pid_; }
  HANDLE handle() const { return process_; }

 private:
  HANDLE process_ = nullptr;
  DWORD pid_ = 0;
};

// Full Windows path of the setup executable built beside the tests.
std::string SetupExePath();
// A Unix path of the build (as CMake knows it) seen from Windows through drive Z:.
std::string UnixToWindowsPath(const std::string& unix_path);
