#include "sys/drive_mapping_service.h"

#include <windows.h>
#include <winnetwk.h>

#include "sys/service_slot.h"

namespace {

class WindowsDriveMappingService : public DriveMappingService {
 public:
  unsigned long GetConnection(const std::string& local, std::string* remote) override {
    char name[MAX_PATH] = {};
    DWORD size = sizeof(name);
    const DWORD result = WNetGetConnectionA(local.c_str(), name, &size);
    name[MAX_PATH - 1] = '\0';
    *remote = name;
    return result;
  }

  unsigned int RootDriveType(const std::string& root) override {
    return GetDriveTypeA(root.c_str());
  }

  unsigned long UseConnection(const std::string& local, const std::string& remote,
                              std::string* access_name) override {
    std::string local_copy = local;
    std::string remote_copy = remote;
    NETRESOURCEA resource = {};
    resource.dwType = RESOURCETYPE_DISK;
    resource.lpLocalName = &local_copy[0];
    resource.lpRemoteName = &remote_copy[0];
    char access[MAX_PATH] = {};
    DWORD access_size = sizeof(access);
    DWORD flags = 0;
    const DWORD result = WNetUseConnectionA(nullptr, &resource, nullptr, nullptr,
                                            CONNECT_UPDATE_PROFILE, access, &access_size, &flags);
    access[MAX_PATH - 1] = '\0';
    *access_name = access;
    return result;
  }
};

WindowsDriveMappingService g_windows_service;
ServiceSlot<DriveMappingService> g_service(g_windows_service);

}  // namespace

DriveMappingService& GetDriveMappingService() { return g_service.Get(); }

void SetDriveMappingService(DriveMappingService* service) { g_service.Install(service); }
