// An unattended run waiting for a program the user would close: a pause before each new
// check, and a limit to the checks. Pure apart from the log.
#pragma once
#include <functional>
#include <string>

class CloseWait {
 public:
  // `pause(seconds)` waits; it is given `pause_seconds` before each of at most `checks` checks.
  CloseWait(int checks, int pause_seconds, std::function<void(int)> pause);
  // The program in `message` is still open: true after the pause (check again), false with
  // an error logged once the checks are spent.
  bool Again(const std::string& message);

 private:
  int checks_;
  int pause_seconds_;
  std::function<void(int)> pause_;
  int made_ = 0;
};
