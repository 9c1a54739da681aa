// The setup with the network neighbourhood replaced by one that keeps the network
// discovery running until the test sets the event "ZAV_TEST_DISCOVERY_END" (at most two
// minutes): a test build of the executable for the list page's discovery indicators.
#include <windows.h>

#include "app/entry_point.h"
#include "sys/network_resource_service.h"
#include "sys/scoped_handle.h"

namespace {

class HeldNetwork : public NetworkResourceService {
 public:
  std::vector<NetResourceEntry> ListChildren(const NetResourceEntry*, unsigned long) override {
    ScopedHandle end(OpenEventA(SYNCHRONIZE, FALSE, "ZAV_TEST_DISCOVERY_END"));
    if (end.get()) WaitForSingleObject(end.get(), 120000);
    return {};
  }
};

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show) {
  HeldNetwork network;
  SetNetworkResourceService(&network);
  return SetupMain(instance, previous, command_line, show);
}
