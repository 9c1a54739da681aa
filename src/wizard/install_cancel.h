// Cancel on the install page, and the engine's finish that may arrive while its question is
// open (the finish is handled inside the question's message loop): it waits for the answer.
#pragma once
#include "wizard/prompter.h"

// The engine as the install page sees it.
class InstallControl {
 public:
  virtual ~InstallControl() = default;
  // Stops the engine; returns once no extraction runs and what this run wrote is removed.
  virtual void Cancel() = 0;
  // Deletes the downloaded packages of this run (none is held open any more).
  virtual void DeleteDownloads() = 0;
};

enum class CancelAnswer {
  kStay,    // No: the installation goes on
  kMoveOn,  // No, and the installation finished meanwhile: the wizard moves on now
  kClose,   // Yes: everything stopped and cleaned; the sheet closes
};

class InstallCancel {
 public:
  CancelAnswer OnCancel(Prompter& prompter, InstallControl& install);
  // The engine finished: true when the wizard moves on now.
  bool OnFinished();

 private:
  bool asking_ = false;
  bool finished_ = false;  // reported while the question was open
  bool cancelled_ = false;
};
