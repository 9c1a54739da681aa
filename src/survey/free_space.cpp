// CSetting::HasFreeSpace: the free space of the drive that holds a path.
#include <string>

#include "log/setup_log.h"
#include "survey/setting.h"
#include "sys/free_space_service.h"

std::string DriveRootOf(const std::string& path) {
  const size_t slash = path.find('\\', 2);
  return slash == std::string::npos ? path : path.substr(0, slash + 1);
}

// Asking for the drive root, not the path: the folders of a new office do not exist yet,
// and the query fails on a missing folder.
bool CSetting::HasFreeSpace(const std::string& path, uint64_t bytes) {
  const std::string root = DriveRootOf(path);
  unsigned long error = 0;
  free_bytes = 0;
  if (!GetFreeSpaceService().FreeBytes(root, &free_bytes, &error)) {
    WriteLog("[* WARN] Free space not readable -> " + root + " -> " + std::to_string(error));
    return false;
  }
  return free_bytes > bytes;
}
