#include "support/process.h"

#include <vector>

ChildProcess::~ChildProcess() {
  if (process_) {
    if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) Kill();
    CloseHandle(process_);
  }
}

bool ChildProcess::Start(const std::string& exe, const std::string& arguments,
                         const std::string& working_dir) {
  return StartRaw(exe, "\"" + exe + "\"" + (arguments.empty() ? "" : " " + arguments), working_dir);
}

bool ChildProcess::StartRaw(const std::string& exe, const std::string& command_line,
                            const std::string& working_dir) {
  std::vector<char> line(command_line.begin(), command_line.end());
  line.push_back('\0');
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info = {};
  if (!CreateProcessA(exe.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      working_dir.empty() ? nullptr : working_dir.c_str(), &startup, &info))
    return false;
  CloseHandle(info.hThread);
  process_ = info.hProcess;
  pid_ = info.dwProcessId;
  return true;
}

bool ChildProcess::Wait(DWORD milliseconds, DWORD* exit_code) {
  if (!process_ || WaitForSingleObject(process_, milliseconds) != WAIT_OBJECT_0) return false;
  DWORD code = 0;
  GetExitCodeProcess(process_, &code);
  if (exit_code) *exit_code = code;
  return true;
}

void ChildProcess::Kill() {
  if (!process_) return;
  TerminateProcess(process_, 0xDEAD);
  WaitForSingleObject(process_, 10000);
}

std::string UnixToWindowsPath(const std::string& unix_path) {
  std::string path = "Z:" + unix_path;
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

std::string SetupExePath() { return UnixToWindowsPath(ZAV_SETUP_EXE_UNIX); }
