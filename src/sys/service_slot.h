// The instance of a platform service in use: the Windows implementation, or a stand-in that
// a test installed for the whole process (Wine lacks shares, network browsing and drive
// connections).
#pragma once
#include <atomic>

template <typename Service>
class ServiceSlot {
 public:
  // Constant-initialised, so the slot is ready before any other static object asks for it.
  constexpr explicit ServiceSlot(Service& windows) : windows_(windows) {}
  ServiceSlot(const ServiceSlot&) = delete;
  ServiceSlot& operator=(const ServiceSlot&) = delete;

  Service& Get() const {
    Service* installed = installed_.load();
    return installed ? *installed : windows_;
  }
  // Not owned; null restores the Windows implementation.
  void Install(Service* service) { installed_.store(service); }

 private:
  Service& windows_;
  std::atomic<Service*> installed_{nullptr};
};
