#include "support/other_pc.h"

#include <algorithm>

#include "support/process.h"
#include "support/temp_folder.h"
#include "support/ui_driver.h"
#include "sys/fs_utils.h"

namespace {

const DWORD kPollMs = 50;

std::string Quote(const std::string& text) { return "\"" + text + "\""; }

std::string ExeBaseName() {
  std::string exe = OwnExePath();
  exe = exe.substr(exe.find_last_of('\\') + 1);
  return exe.substr(0, exe.find_last_of('.'));
}

}  // namespace

std::string OwnExePath() {
  char module[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, module, MAX_PATH);
  return module;
}

OtherPc::OtherPc(const std::string& name, std::vector<std::pair<char, std::string>> drives)
    : name_(name),
      drives_(std::move(drives)),
      prefix_(std::string(ZAV_OTHER_PC_ROOT) + "/" + ExeBaseName() + "/" + name) {}

OtherPc::~OtherPc() { Stop(); }

std::string OtherPc::NextResult() {
  const std::string result =
      prefix_ + ".jobs/" + std::to_string(++jobs_) + "." + std::to_string(GetCurrentProcessId());
  CreateDirectoryTree(UnixToWindowsPath(prefix_ + ".jobs"));
  DeleteFileA(UnixToWindowsPath(result).c_str());
  return result;
}

bool OtherPc::Command(const std::string& arguments, DWORD timeout_ms, PcRun* run) {
  Job job;
  job.result = NextResult();
  const std::string line = Quote(UnixToWindowsPath(ZAV_OTHER_PC_SCRIPT)) + " " + arguments;
  ChildProcess script;  // a Linux process: Wine hands out no handle, the result file tells
  const size_t at = line.find("@RESULT@");
  const std::string full = line.substr(0, at) + Quote(job.result) + line.substr(at + 8);
  if (!script.StartRaw(UnixToWindowsPath(ZAV_OTHER_PC_SCRIPT), full)) return false;
  const PcRun done = Wait(job, timeout_ms);
  if (run) *run = done;
  return done.ended && done.exit_code == 0;
}

bool OtherPc::Prepare() {
  std::string drives;
  for (const auto& drive : drives_)
    drives += " " + Quote(std::string(1, drive.first) + "=" + drive.second);
  // A new prefix takes 10 to 20 s on an idle machine, minutes on a busy emulated one.
  return Command("prepare @RESULT@ " + Quote(prefix_) + " " + name_ + drives, 600000);
}

bool OtherPc::UnlinkDrive(char letter) {
  return Command("link @RESULT@ " + Quote(prefix_) + " " + std::string(1, letter), 60000);
}

bool OtherPc::RelinkDrive(char letter) {
  const auto it = std::find_if(drives_.begin(), drives_.end(),
                               [&](const auto& drive) { return drive.first == letter; });
  if (it == drives_.end()) return false;
  return Command(
      "link @RESULT@ " + Quote(prefix_) + " " + std::string(1, letter) + " " + Quote(it->second),
      60000);
}

OtherPc::Job OtherPc::Start(const std::string& exe, const std::string& arguments,
                            const std::vector<std::string>& environment) {
  Job job;
  job.result = NextResult();
  job.output = job.result + ".out";
  std::string line = Quote(UnixToWindowsPath(ZAV_OTHER_PC_SCRIPT)) + " run " + Quote(job.result) +
                     " " + Quote(prefix_) + " " + name_ + " " + Quote(job.output);
  for (const std::string& variable : environment) line += " " + Quote(variable);
  line += " -- " + Quote(exe) + (arguments.empty() ? "" : " " + arguments);
  ChildProcess script;
  if (!script.StartRaw(UnixToWindowsPath(ZAV_OTHER_PC_SCRIPT), line)) job.result.clear();
  return job;
}

bool OtherPc::Ended(const Job& job) {
  return job.result.empty() ||
         GetFileAttributesA(UnixToWindowsPath(job.result).c_str()) != INVALID_FILE_ATTRIBUTES;
}

PcRun OtherPc::Wait(const Job& job, DWORD timeout_ms) {
  PcRun run;
  if (job.result.empty()) return run;
  const std::string result = UnixToWindowsPath(job.result);
  const DWORD start = GetTickCount();
  while (GetFileAttributesA(result.c_str()) == INVALID_FILE_ATTRIBUTES) {
    if (GetTickCount() - start > timeout_ms) return run;
    PumpMessages(kPollMs);
  }
  run.ended = true;
  run.exit_code = std::atoi(ReadTextFile(result).c_str());
  if (!job.output.empty()) run.output = ReadTextFile(UnixToWindowsPath(job.output));
  return run;
}

OtherPc::Job OtherPc::StartTest(const std::string& test,
                                const std::vector<std::string>& environment) {
  return Start(OwnExePath(), "--gtest_also_run_disabled_tests --gtest_filter=" + test, environment);
}

bool OtherPc::Passed(const PcRun& run) {
  // A filter that matches nothing passes too: the one test must have run.
  return run.ended && run.exit_code == 0 &&
         run.output.find("[  PASSED  ] 1 test.") != std::string::npos;
}

std::string OtherPc::Path(const std::string& pc_path) const {
  if (pc_path.size() < 2 || pc_path[1] != ':') return pc_path;
  std::string letter(1, static_cast<char>(tolower(pc_path[0])));
  if (letter == "c")
    letter = "drive_c";
  else
    letter = "dosdevices\\" + letter + ":";
  return UnixToWindowsPath(prefix_) + "\\" + letter + pc_path.substr(2);
}

void OtherPc::Stop() {
  if (!jobs_) return;
  Command("stop @RESULT@ " + Quote(prefix_), 60000);
  jobs_ = 0;
}
