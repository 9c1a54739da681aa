// What the office pages decide (WIZ_PMSELECT lists the installations found, WIZ_PMNEW takes
// a new office code): the list, the office-code rule and where Next leads. Pure apart from
// the log and the services.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "survey/setting.h"
#include "wizard/page_services.h"
#include "wizard/prompter.h"

// One to five decimal digits, not all zero.
bool IsValidOfficeCode(const std::string& text);

// Erases every record that repeats an earlier one's office code, folder and year.
void RemoveDuplicateInstalls(std::vector<std::unique_ptr<InstallRecord>>& installs);
// The list line of a record.
std::string OfficeListLine(const InstallRecord& record);
// The line logged for a record once the list is complete.
std::string InstallLogLine(const InstallRecord& record, const std::string& current_assignee);

// The year of a record of the same office listed above `index` with another year (a newer
// one, in the survey's order); empty when there is none.
std::string NewerYearAbove(const std::vector<std::unique_ptr<InstallRecord>>& installs,
                           size_t index);

// After `network_root` was mapped to `drive_root`: the record's paths that begin with it
// begin with the drive instead. Each change is logged when `log` is set.
void RewriteMappedPaths(InstallRecord& record, const std::string& network_root,
                        const std::string& drive_root, bool log);

// Next on WIZ_PMSELECT with the selected list index (-1 for none).
int PmSelectNext(int index, CSetting& setting, Prompter& prompter, PageServices& services);
// "Nuovo Ufficio": the chosen office is cleared, the folders of the first record kept.
void PrepareNewOffice(CSetting& setting);

// WIZ_PMNEW's reset on creation.
void ResetNewOffice(CSetting& setting);
// Typing in the office-code edit: the text (cut to five characters; `cut` tells whether it
// was) becomes the office code and gives the office folder. Nothing changes while an
// installation chosen from the list is kept.
std::string OfficeCodeTyped(const std::string& text, CSetting& setting, bool& cut);
// Next on WIZ_PMNEW with the edits' texts.
int PmNewNext(const std::string& code, const std::string& password, CSetting& setting,
              Prompter& prompter);
