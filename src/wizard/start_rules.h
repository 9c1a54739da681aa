// What the start page decides: the sheet caption, the invalid-configuration check and
// where Next leads (with the pages it removes). Pure apart from the log and the services.
#pragma once
#include <string>

#include "survey/setting.h"
#include "wizard/page_services.h"
#include "wizard/prompter.h"

// The sheet caption: "DEV - " or "TEST - " by run mode, the product caption, " - " and the
// operating system's name.
std::string SheetCaption(int run_mode, const std::string& product_caption,
                         const std::string& system_name);

enum class InvalidConfig {
  kNone,         // nothing invalid found
  kOtherYear,    // invalid records, none of this year: the wizard goes on
  kCurrentYear,  // invalid records of this year: the user is asked
};
extern const char kInvalidConfigQuestion[];
// Logs every invalid record and the finding.
InvalidConfig CheckInvalidConfig(const CSetting& setting);
// The user accepted the invalid configuration: the orphans join the list (copies; the
// orphans stay known as such), which is sorted again.
void AcceptInvalidConfig(CSetting& setting, const std::string& current_assignee);

// The pages the start page has removed, and the restore choice.
struct StartFlags {
  bool notsupported_removed = false;
  bool pmselect_removed = false;
  bool pmnew_removed = false;
  bool restore_mode = false;
};

// Next on the start page with the checked option (a control id of the three options, or 0).
// Returns the page result (kStay, kNeighbour or a template).
int StartNext(int option, CSetting& setting, StartFlags& flags, Prompter& prompter,
              PageServices& services);
