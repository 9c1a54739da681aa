// Where the platform client is installed.
#include "log/setup_log.h"
#include "survey/find_first.h"
#include "survey/setting.h"
#include "survey/version_folder.h"

namespace {

// The client's program folder qualifies when it holds qel.exe and a version folder.
bool IsClientFolder(const std::string& bin, std::string& version) {
  if (!FindFirstName(bin) || !FindFirstName(bin + "\\qel.exe")) return false;
  std::string name;
  const std::vector<int> found = FindVersionFolder(bin, name);
  if (!VersionGreater(found, {0})) return false;
  version = VersionText(found);
  return true;
}

}  // namespace

void CSetting::FindQelClient() {
  WriteLog("[  INFO] Looking for QEL");
  for (const std::string& disk : disks) {
    std::string version;
    std::string bin = disk + "ZAV\\QEL\\bin";
    if (IsClientFolder(bin, version)) {
      WriteLog("[  INFO] Qel version dir found -> " + version);
      qel_folder = bin;  // a later disk wins
    }
    if (qel_folder.empty()) {
      bin = disk + "QEL\\bin";
      if (IsClientFolder(bin, version)) {
        WriteLog("[  INFO] Qel version dir found -> " + version);
        qel_folder = bin;
      }
    }
  }
  if (qel_folder.empty()) WriteLog("[  INFO] QEL not found");
}
