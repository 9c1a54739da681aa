// The order in which the installs found are offered. Pure: no Windows calls.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "survey/install_record.h"

// Office code ascending, year descending, folder ascending, the current assignee's
// (letter case ignored) first, then workstation number ascending.
bool InstallComesBefore(const InstallRecord& a, const InstallRecord& b,
                        const std::string& current_assignee);

void SortInstalls(std::vector<std::unique_ptr<InstallRecord>>& installs,
                  const std::string& current_assignee);
