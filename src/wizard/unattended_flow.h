// An unattended run through the wizard's own rules, in the order its pages apply them: the
// start page, the office pages, the destination pages, the install page and the end page.
// Nothing is shown; the prompter answers or refuses. Pure apart from the log and the services.
#pragma once
#include <string>

#include "app/unattended_switches.h"
#include "survey/setting.h"
#include "wizard/destination_rules.h"
#include "wizard/end_work.h"
#include "wizard/page_services.h"
#include "wizard/unattended_prompter.h"

// The install page's work.
class UnattendedInstall {
 public:
  virtual ~UnattendedInstall() = default;
  // Creates the office's install lock (it is this run's until the end work removes it).
  virtual void CreateLock(const std::string& office_root, const std::string& pdl_number) = 0;
  // The end work removed the lock: it is no longer this run's to remove.
  virtual void LockRemoved() = 0;
  // Runs the engine (the restore, or the downloads and placement) until the components are
  // in place: true. A failure ends the program with its code and does not come back.
  virtual bool Install(bool restore) = 0;
};

struct UnattendedRun {
  UnattendedOptions options;  // the password already read from its file
  CSetting* setting = nullptr;
  UnattendedPrompter* prompter = nullptr;
  PageServices* pages = nullptr;
  DestinationServices* destination = nullptr;
  EndServices* end = nullptr;
  UnattendedInstall* install = nullptr;
  MachineFolders machine;
  std::string assignee;  // this PC's current assignee
};

// The whole run; the exit code of its outcome.
int RunUnattendedFlow(UnattendedRun& run);

// The index in `installs` of the office a flow joins: the first record (the newest year) of
// that office whose folder begins with `destination` (any folder when empty); -1 when none.
int FindOffice(const CSetting& setting, const std::string& office_code,
               const std::string& destination);
