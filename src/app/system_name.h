// The display name of the running Windows ("Microsoft Windows 10 Professional (build ...)").
// Pure: no Windows calls, so every version and edition can be tested.
#pragma once
#include <cstdint>
#include <string>

struct OsFacts {
  bool nt_family = true;
  unsigned major = 0;
  unsigned minor = 0;
  unsigned build = 0;
  bool workstation = true;    // product type: workstation or server
  uint32_t product_type = 0;  // what GetProductInfo reports (versions 6 and above)
  std::string service_pack;   // empty when there is none
  bool native_64bit = false;
};

std::string ComposeSystemName(const OsFacts& facts);
