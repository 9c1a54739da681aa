// The search for earlier installations on the usable disks.
#include <windows.h>

#include <stdexcept>

#include "log/setup_log.h"
#include "survey/find_first.h"
#include "survey/install_order.h"
#include "survey/office_code_readers.h"
#include "survey/setting.h"
#include "sys/identity.h"
#include "sys/scoped_handle.h"
#include "sys/string_utils.h"

void CSetting::AddOrphanCandidate(const std::string& zav_path, const std::string& setup_path,
                                  const std::string& year) {
  auto record = std::make_unique<InstallRecord>();
  record->setup_path = setup_path;
  if (record->setup_path.empty() || record->setup_path.back() != '\\') record->setup_path += '\\';
  record->kind = 1;
  record->year = year;
  record->zav_path = zav_path;
  orphans.push_back(std::move(record));
  InstallRecord& added = *orphans.back();

  if (ReadOfficeFromOlinf(zav_path + kOlinfFile, added) || !added.pm.empty()) return;
  if (ReadOfficeFromUffaut(zav_path + kUffautFile, added) == 0) return;
  if (ReadOfficeFromInstallaMod(zav_path + kInstallaModFile, added) == 0) return;
  orphans.pop_back();  // no office code anywhere: not an installation
}

int CSetting::CheckForPreviousPlatform() {
  try {
    if (year_folder.size() < 3) throw std::length_error("year folder too short");
    const int year = StringToInt(year_folder.substr(3, 4));
    const std::string year_text = IntToString(year);

    FindQelClient();

    WriteLog("[  INFO] Looking for Moltra in ZAV/PM<ccccc>");
    for (const std::string& disk : disks) {
      const std::string zav = disk + "ZAV";
      WriteLog("[  INFO] Looking for Moltra -> " + zav);
      if (!FindFirstName(zav)) continue;
      ScopedFind find(zav + "\\PM?????");
      WriteLog("[  INFO] Looking for Moltra -> " + zav + "\\" +
               (find.valid() ? std::string(find.entry.cFileName) : std::string()));
      if (!find.valid()) continue;
      do {
        const std::string office_folder = zav + "\\" + find.entry.cFileName + "\\";
        FindSharedInfo(office_folder, year);
        AddOrphanCandidate(office_folder + "ZAV" + year_text, office_folder, year_text);
      } while (find.Next());
    }

    WriteLog("[  INFO] Looking for Moltra in ZAV<aaaa> in 2nd level");
    for (const std::string& disk : disks) {
      WriteLog("[  INFO] Looking for Moltra -> " + disk + "*.*");
      ScopedFind find(disk + "*.*");
      if (!find.valid()) continue;
      do {
        const WIN32_FIND_DATAA& data = find.entry;
        const std::string name = data.cFileName;
        WriteLog("[  INFO] Checking folder -> " + disk + name);
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || name == "." || name == "..") {
          WriteLog("[  INFO] Skipping, not valid folder");
          continue;
        }
        FindSharedInfo(disk + name, year);
        const std::string candidate = disk + name + "\\ZAV" + year_text;
        WriteLog("[  INFO] Looking for Moltra -> " + candidate);
        if (!FindFirstName(candidate)) continue;
        AddOrphanCandidate(candidate, disk + name + "\\", year_text);
      } while (find.Next());
    }

    WriteLog("[  INFO] Looking for Moltra in ZAV<aaaa - 1>");
    for (size_t i = 0; i < disks.size(); ++i) {
      const std::string disk = disks[i];
      FindSharedInfo(disk, year);
      const std::string candidate = disk + "ZAV" + year_text;
      WriteLog("[  INFO] Looking for Moltra -> " + candidate);
      std::string found_name;
      const bool found = FindFirstName(candidate, &found_name);
      WriteLog("[  INFO] Looking for Moltra -> " + candidate + "\\" + found_name + "\\");
      if (found) AddOrphanCandidate(candidate, disk, year_text);
    }

    if (!installs.empty()) SortInstalls(installs, GetCurrentAssignee());
    RemoveRegisteredOrphans();
    return 0;
  } catch (...) {
    WriteLog("[* WARN] Exception on CSetting::CheckForPreviousPlatform");
    return 1;
  }
}
