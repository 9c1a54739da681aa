#include "sys/drive_mapping.h"

#include "log/setup_log.h"
#include "sys/drive_mapping_service.h"
#include "sys/string_utils.h"

namespace {
constexpr unsigned long kNoError = 0;
constexpr unsigned long kAccessDenied = 5;          // ERROR_ACCESS_DENIED
constexpr unsigned long kBadNetName = 67;           // ERROR_BAD_NET_NAME
constexpr unsigned long kConnectionUnavail = 1201;  // ERROR_CONNECTION_UNAVAIL
constexpr unsigned int kDriveNoRootDir = 1;         // DRIVE_NO_ROOT_DIR
}  // namespace

bool MapNetworkDrive(const std::string& network_folder, std::string& drive) {
  std::string folder = network_folder;
  if (!folder.empty() && folder.back() == '\\') folder.pop_back();
  // A lone backslash is as empty: it would equal every unconnected letter's remote name.
  if (folder.empty()) {
    WriteLog("[* WARN] Empty net share");
    return false;
  }
  folder = ToUpperCopy(folder);

  DriveMappingService& service = GetDriveMappingService();
  std::string candidate;
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    const std::string local = std::string(1, letter) + ":";
    std::string remote;
    const unsigned long result = service.GetConnection(local, &remote);
    // A remembered, disconnected drive still names its folder: it is in use.
    if (result != kNoError && result != kConnectionUnavail) remote.clear();
    remote = ToUpperCopy(remote);
    if (remote == folder) {
      WriteLog("[  INFO] Net share " + folder + " already mapped as " + local);
      drive = local;
      return true;
    }
    if (remote.empty() && service.RootDriveType(local + "\\") == kDriveNoRootDir)
      candidate = local;  // the highest free letter wins
  }
  if (candidate.empty()) {
    WriteLog("[* WARN] No candidate found");
    return false;
  }
  WriteLog("[  INFO] Found candidate -> " + candidate);

  std::string access_name;
  const unsigned long result = service.UseConnection(candidate, folder, &access_name);
  if (result != kNoError) {
    if (result == kAccessDenied)
      WriteLog("[* WARN] Mapping unit not created, due to access denied");
    else if (result == kBadNetName)
      WriteLog("[* WARN] Mapping unit not created, bad net name");
    else
      WriteLog("[* WARN] Mapping unit not created -> " + std::to_string(result));
    return false;
  }
  WriteLog("[  INFO] Mapping unit created successfully");
  if (access_name.size() > 2) {
    WriteLog("[* WARN] No valid unit created");
    return false;
  }
  // The access name is the letter we asked for; an empty one still means that letter.
  drive = (access_name.empty() ? candidate : access_name) + "\\";
  return true;
}
