// MPR network enumeration (WNetOpenEnumA / WNetEnumResourceA) behind an interface: Wine
// has no network neighbourhood, so tests install a fake. The Windows one is the default.
#pragma once
#include <string>
#include <vector>

struct NetResourceEntry {
  std::string remote_name;
  std::string provider;
  unsigned long display_type = 0;  // RESOURCEDISPLAYTYPE_*
  unsigned long usage = 0;         // RESOURCEUSAGE_*
};

class NetworkResourceService {
 public:
  virtual ~NetworkResourceService() = default;
  // The disk containers below `container` (null: the whole network), global scope, read
  // `buffer_size` bytes per call. Gives what was read until the enumeration ended, by its
  // end or by an error.
  virtual std::vector<NetResourceEntry> ListChildren(const NetResourceEntry* container,
                                                     unsigned long buffer_size) = 0;
};

NetworkResourceService& GetNetworkResourceService();
// Installs `service` for the whole process (not owned); null restores the Windows one.
void SetNetworkResourceService(NetworkResourceService* service);
