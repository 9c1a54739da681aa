#include "sys/close_wait.h"

#include "log/setup_log.h"
#include "sys/string_utils.h"

CloseWait::CloseWait(int checks, int pause_seconds, std::function<void(int)> pause)
    : checks_(checks), pause_seconds_(pause_seconds), pause_(std::move(pause)) {}

bool CloseWait::Again(const std::string& message) {
  if (made_ >= checks_) {
    WriteLog("[**  ERR] Unattended: still open after " + IntToString(made_) + " checks -> " +
             OneLine(message));
    return false;
  }
  ++made_;
  WriteLog("[* WARN] Unattended: waiting " + IntToString(pause_seconds_) +
           " s, then checking again -> " + OneLine(message));
  if (pause_) pause_(pause_seconds_);
  return true;
}
