#include "survey/install_order.h"

#include <algorithm>

#include "sys/string_utils.h"

bool InstallComesBefore(const InstallRecord& a, const InstallRecord& b,
                        const std::string& current_assignee) {
  if (a.pm != b.pm) return a.pm < b.pm;
  if (a.year != b.year) return a.year > b.year;
  if (a.zav_path != b.zav_path) return a.zav_path < b.zav_path;
  const std::string me = ToLowerCopy(current_assignee);
  const bool a_mine = ToLowerCopy(a.assignee) == me;
  const bool b_mine = ToLowerCopy(b.assignee) == me;
  if (a_mine != b_mine) return a_mine;
  return StringToInt(a.pdl) < StringToInt(b.pdl);
}

void SortInstalls(std::vector<std::unique_ptr<InstallRecord>>& installs,
                  const std::string& current_assignee) {
  std::stable_sort(
      installs.begin(), installs.end(),
      [&](const std::unique_ptr<InstallRecord>& a, const std::unique_ptr<InstallRecord>& b) {
        return InstallComesBefore(*a, *b, current_assignee);
      });
}
