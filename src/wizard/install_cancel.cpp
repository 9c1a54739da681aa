#include "wizard/install_cancel.h"

#include "log/setup_log.h"

CancelAnswer InstallCancel::OnCancel(Prompter& prompter, InstallControl& install) {
  if (asking_ || cancelled_) return CancelAnswer::kStay;
  asking_ = true;
  finished_ = false;
  const bool yes =
      prompter.Ask(Question::kCancel, "Sei sicuro di voler interrompere l'installazione?");
  asking_ = false;
  if (!yes) {
    if (!finished_) return CancelAnswer::kStay;
    WriteLog("[  INFO] Installation finished while the cancel question was open");
    return CancelAnswer::kMoveOn;
  }
  cancelled_ = true;
  install.Cancel();
  install.DeleteDownloads();  // the install lock stays: the next setup asks about it
  return CancelAnswer::kClose;
}

bool InstallCancel::OnFinished() {
  if (cancelled_) return false;
  if (asking_) {
    finished_ = true;
    return false;
  }
  return true;
}
