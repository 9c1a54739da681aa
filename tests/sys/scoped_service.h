// Installs a stand-in service for the scope of a test and puts back what was there before.
#pragma once

template <typename Service, Service& (*Get)(), void (*Install)(Service*)>
class ScopedService {
 public:
  explicit ScopedService(Service* service) : previous_(&Get()) { Install(service); }
  ~ScopedService() { Install(previous_); }
  ScopedService(const ScopedService&) = delete;
  ScopedService& operator=(const ScopedService&) = delete;

 private:
  Service* previous_;
};
