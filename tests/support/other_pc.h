// Another computer of the office, for end-to-end tests: a Wine prefix of its own whose Wine
// processes (its wineserver included) run with their own host name, so Windows reports
// another computer name, and drives of type network that reach folders of this PC as a
// mapped share would. The work is done by tests/support/other_pc.sh, as root.
//
// A prefix takes long to create: it is made once and kept in the build folder while its
// drives stay the same. Every call waits for the command's own result file, never a fixed
// time; the PC's wineserver is stopped when the object goes away, also after a failure.
#pragma once
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

struct PcRun {
  bool ended = false;  // false: still running at the time-out
  int exit_code = -1;
  std::string output;  // what the program wrote on its standard output and error
};

class OtherPc {
 public:
  // `name`: the computer name (upper case, as Windows shows it); `drives`: letter and Linux
  // folder of each network drive.
  OtherPc(const std::string& name, std::vector<std::pair<char, std::string>> drives);
  ~OtherPc();
  OtherPc(const OtherPc&) = delete;
  OtherPc& operator=(const OtherPc&) = delete;

  const std::string& name() const { return name_; }
  // Creates the prefix when needed; false when it could not be made.
  bool Prepare();
  // The drive's link removed (the share gone, as when the network drops), or made again.
  bool UnlinkDrive(char letter);
  bool RelinkDrive(char letter);

  // Runs a Windows program on the PC and waits for its end.
  struct Job {
    std::string result, output;
  };
  Job Start(const std::string& exe, const std::string& arguments,
            const std::vector<std::string>& environment = {});
  PcRun Wait(const Job& job, DWORD timeout_ms);
  static bool Ended(const Job& job);
  // One test of the calling test program (`Suite.Name`, disabled ones included) on the PC,
  // with these NAME=VALUE variables; true when it ran and passed (else its output in `run`).
  Job StartTest(const std::string& test, const std::vector<std::string>& environment = {});
  static bool Passed(const PcRun& run);

  // A path of the PC ("C:\ZAV\QEL\BIN\qel.exe") as this PC reaches it, through Z:.
  std::string Path(const std::string& pc_path) const;
  void Stop();

 private:
  bool Command(const std::string& arguments, DWORD timeout_ms, PcRun* run = nullptr);
  std::string NextResult();

  std::string name_;
  std::vector<std::pair<char, std::string>> drives_;
  std::string prefix_;  // Linux path
  unsigned jobs_ = 0;
};

// This test program's Windows path.
std::string OwnExePath();
