// The free space of a drive behind an interface: a test cannot make a drive with an exact
// number of free bytes (Wine rounds a small drive to whole pages), so it installs a stand-in.
#pragma once
#include <cstdint>
#include <string>

class FreeSpaceService {
 public:
  virtual ~FreeSpaceService() = default;
  // GetDiskFreeSpaceExA of `root` (bytes available to the user); false with `error` set
  // when the drive cannot be queried.
  virtual bool FreeBytes(const std::string& root, uint64_t* free, unsigned long* error) = 0;
};

FreeSpaceService& GetFreeSpaceService();
// Installs `service` for the whole process (not owned); null restores the Windows one.
void SetFreeSpaceService(FreeSpaceService* service);
