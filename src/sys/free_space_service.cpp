#include "sys/free_space_service.h"

#include <windows.h>

#include "sys/service_slot.h"

namespace {

class WindowsFreeSpaceService : public FreeSpaceService {
 public:
  bool FreeBytes(const std::string& root, uint64_t* free, unsigned long* error) override {
    ULARGE_INTEGER available = {};
    if (!GetDiskFreeSpaceExA(root.c_str(), &available, nullptr, nullptr)) {
      *error = GetLastError();
      return false;
    }
    *free = available.QuadPart;
    return true;
  }
};

WindowsFreeSpaceService g_windows_service;
ServiceSlot<FreeSpaceService> g_service(g_windows_service);

}  // namespace

FreeSpaceService& GetFreeSpaceService() { return g_service.Get(); }

void SetFreeSpaceService(FreeSpaceService* service) { g_service.Install(service); }
