#include "sys/network_resource_service.h"

#include <windows.h>
#include <winnetwk.h>

#include "sys/service_slot.h"

namespace {

class WindowsNetworkResourceService : public NetworkResourceService {
 public:
  std::vector<NetResourceEntry> ListChildren(const NetResourceEntry* container,
                                             unsigned long buffer_size) override {
    std::vector<NetResourceEntry> children;
    NETRESOURCEA start = {};
    std::string remote;
    std::string provider;
    if (container) {
      remote = container->remote_name;
      provider = container->provider;
      start.dwScope = RESOURCE_GLOBALNET;
      start.dwType = RESOURCETYPE_DISK;
      start.dwDisplayType = container->display_type;
      start.dwUsage = RESOURCEUSAGE_CONTAINER;
      start.lpRemoteName = &remote[0];
      start.lpProvider = provider.empty() ? nullptr : &provider[0];
    }
    HANDLE enumeration = nullptr;
    if (WNetOpenEnumA(RESOURCE_GLOBALNET, RESOURCETYPE_DISK, RESOURCEUSAGE_CONTAINER,
                      container ? &start : nullptr, &enumeration) != NO_ERROR)
      return children;

    std::vector<char> buffer(buffer_size);
    for (;;) {
      DWORD count = static_cast<DWORD>(-1);
      DWORD size = static_cast<DWORD>(buffer.size());
      const DWORD result = WNetEnumResourceA(enumeration, &count, buffer.data(), &size);
      if (result == ERROR_MORE_DATA && count == 0) {
        // Not even one entry fits: retrying with the same buffer would never end.
        if (size <= buffer.size()) break;
        buffer.resize(size);
        continue;
      }
      if (result != NO_ERROR && result != ERROR_MORE_DATA) break;
      const NETRESOURCEA* entries = reinterpret_cast<const NETRESOURCEA*>(buffer.data());
      for (DWORD i = 0; i < count; ++i) {
        NetResourceEntry entry;
        entry.remote_name = entries[i].lpRemoteName ? entries[i].lpRemoteName : "";
        entry.provider = entries[i].lpProvider ? entries[i].lpProvider : "";
        entry.display_type = entries[i].dwDisplayType;
        entry.usage = entries[i].dwUsage;
        children.push_back(entry);
      }
    }
    WNetCloseEnum(enumeration);
    return children;
  }
};

WindowsNetworkResourceService g_windows_service;
ServiceSlot<NetworkResourceService> g_service(g_windows_service);

}  // namespace

NetworkResourceService& GetNetworkResourceService() { return g_service.Get(); }

void SetNetworkResourceService(NetworkResourceService* service) { g_service.Install(service); }
