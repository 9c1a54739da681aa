// The end page's work without its window: registration, configuration files, shortcut,
// share offer and lock removal, through a prompter and services that tests replace.
#pragma once
#include <functional>
#include <string>

#include "app/exit_codes.h"
#include "survey/setting.h"
#include "wizard/end_rules.h"
#include "wizard/prompter.h"


// What the end work asks of the system besides SharedInfo.
class EndServices : public ShareOfferServices {
 public:
  virtual bool IsMoltraRunning() = 0;
  // Ends a running client; true when one was running.
  virtual bool CloseQel() = 0;
  // Creates the office's shared folder when missing and sets its permissions and attributes.
  virtual void PrepareSharedFolder(const std::string& folder) = 0;
  virtual bool WriteConfigurationFile(const std::string& path, const std::string& bytes) = 0;
  virtual void MoveUnitConfiguration(const std::string& year_path) = 0;
  virtual void CreateDesktopShortcut(const std::string& name, bool replace) = 0;
  virtual void WriteCompatibilityValues(const std::string& runtime_program) = 0;
  virtual void RemoveInstallLock(const std::string& office_root) = 0;
};

// Kept by the end page for the whole run.
struct EndWorkState {
  bool done = false;               // the work runs once per process
  bool workpoints_copied = false;  // for the message of Finish
  bool share_failed = false;       // the share was wanted but could not be created
};

enum class EndResult {
  kAlreadyDone,
  kInstalled,      // the installation's texts are shown
  kRestored,       // the restore's texts
  kNotRegistered,  // the process ends with kExitNotRegistered; nothing more was written
};

// `show_texts` gets kInstalled or kRestored when the page's texts are due: before the
// shortcut and the share question, which then appear over them.
EndResult RunEndWork(bool restore_mode, CSetting& setting, Prompter& prompter,
                     EndServices& services, EndWorkState& state,
                     const std::function<void(EndResult)>& show_texts);
