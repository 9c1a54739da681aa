// Stand-ins for the network neighbourhood and drive connections, which Wine cannot serve.
#pragma once
#include <map>
#include <string>
#include <vector>

#include "scoped_service.h"
#include "sys/drive_mapping_service.h"
#include "sys/network_resource_service.h"

class FakeNetworkResourceService : public NetworkResourceService {
 public:
  std::map<std::string, std::vector<NetResourceEntry>> children;  // "" = the whole network
  std::vector<std::string> calls;  // container name + ":" + buffer size

  std::vector<NetResourceEntry> ListChildren(const NetResourceEntry* container,
                                             unsigned long buffer_size) override {
    const std::string name = container ? container->remote_name : "";
    calls.push_back(name + ":" + std::to_string(buffer_size));
    auto found = children.find(name);
    return found == children.end() ? std::vector<NetResourceEntry>() : found->second;
  }
};

using ScopedNetworkResourceService =
    ScopedService<NetworkResourceService, GetNetworkResourceService, SetNetworkResourceService>;

// Drive letters with their connection answers and drive types.
class FakeDriveMappingService : public DriveMappingService {
 public:
  struct Letter {
    unsigned long connection_result = 2250;  // ERROR_NOT_CONNECTED
    std::string remote;
    unsigned int drive_type = 1;  // DRIVE_NO_ROOT_DIR
  };
  Letter letters[26];
  bool real_drive_types = false;
  unsigned long use_result = 0;
  std::string use_access_name;         // empty: the local name asked for ...
  bool use_access_name_blank = false;  // ... unless the call is to give back nothing
  std::vector<std::pair<std::string, std::string>> use_calls;

  Letter& At(char letter) { return letters[letter - 'A']; }

  unsigned long GetConnection(const std::string& local, std::string* remote) override {
    const Letter& letter = letters[local[0] - 'A'];
    *remote = letter.remote;
    return letter.connection_result;
  }
  unsigned int RootDriveType(const std::string& root) override;
  unsigned long UseConnection(const std::string& local, const std::string& remote,
                              std::string* access_name) override {
    use_calls.push_back({local, remote});
    *access_name = use_access_name_blank ? "" : use_access_name.empty() ? local : use_access_name;
    return use_result;
  }
};

using ScopedDriveMappingService =
    ScopedService<DriveMappingService, GetDriveMappingService, SetDriveMappingService>;
