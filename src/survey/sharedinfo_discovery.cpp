// Turning the workstations of a SharedInfo database into installation records.
#include <algorithm>

#include "log/setup_log.h"
#include "net/md5_digest.h"
#include "sharedinfo/sharedinfo.h"
#include "survey/find_first.h"
#include "survey/office_code_readers.h"
#include "survey/setting.h"
#include "sys/string_utils.h"

namespace {

// A registered installation is still there when one of its office-code files opens.
bool InstallationStillPresent(const std::string& zav_path) {
  return CanOpenForReading(zav_path + kOlinfFile) || CanOpenForReading(zav_path + kUffautFile) ||
         CanOpenForReading(zav_path + kInstallaModFile);
}

}  // namespace

int CSetting::FindSharedInfo(const std::string& folder, int year) {
  if (folder.empty()) return 14;
  std::string path = folder;
  if (path.back() != '\\') path += '\\';
  path += "ZAV_Shared\\SharedInfo";
  WriteLog("[  INFO] Looking for Sharedinfo -> " + path);
  if (!CanOpenForReading(path)) return 0;
  WriteLog("[  INFO] Sharedinfo found -> " + path);

  // The same database reached through another path (a share, a mapped drive, a copy)
  // is read once: its bytes decide, not its name.
  // A file whose digest cannot be made ("-1", or empty without a crypto provider) is read
  // rather than taken for a copy of another one.
  const std::string digest = FileDigest(path);
  if (digest.size() == 32) {
    if (std::find(sharedinfo_digests.begin(), sharedinfo_digests.end(), digest) !=
        sharedinfo_digests.end()) {
      WriteLog("[  INFO] Duplicated Sharedinfo -> " + path);
      return 0;
    }
    sharedinfo_digests.push_back(digest);
  }

  std::vector<WorkpointInfo> rows;
  ParseSharedInfo(path, year, &rows);
  if (!rows.empty()) WriteLog("[  INFO] Sharedinfo item count -> " + IntToString(rows.size()));

  for (const WorkpointInfo& row : rows) {
    auto record = std::make_unique<InstallRecord>();
    record->sharedinfo_path = path;
    record->setup_path = row.path;
    record->year = IntToString(row.anno);
    record->zav_path = row.path + "ZAV" + record->year;
    record->kind = 1;
    record->new_office = false;
    record->registered = true;
    record->pm = row.pm;
    record->password = row.pwd;
    record->pdl = row.pdl;
    record->assignee = row.assignee;
    record->valid = row.valid;
    if (!InstallationStillPresent(record->zav_path)) continue;  // folder deleted since

    // A network copy that follows an equal record is the same workstation seen again.
    bool duplicate = false;
    if (!record->zav_path.empty() && record->zav_path[0] == '\\') {
      for (const auto& earlier : installs) {
        if (earlier->pm == record->pm && earlier->year == record->year &&
            earlier->pdl == record->pdl && earlier->assignee == record->assignee) {
          duplicate = true;
          break;
        }
      }
    }
    if (!duplicate) installs.push_back(std::move(record));
  }
  return 0;
}
