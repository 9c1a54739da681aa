#include "app/system_name.h"

#include <cstdio>

namespace {

// Product types of GetProductInfo, as the system headers number them.
struct Edition {
  uint32_t type;
  const char* text;
};
const Edition kEditions[] = {
    {0x01, "Ultimate Edition"},
    {0x30, "Professional"},
    {0x03, "Home Premium Edition"},
    {0x02, "Home Basic Edition"},
    {0x04, "Enterprise Edition"},
    {0x06, "Business Edition"},
    {0x0B, "Starter Edition"},
    {0x12, "Cluster Server Edition"},
    {0x08, "Datacenter Edition"},
    {0x0C, "Datacenter Edition (core installation)"},
    {0x0A, "Enterprise Edition"},
    {0x0E, "Enterprise Edition (core installation)"},
    {0x0F, "Enterprise Edition for Itanium-based Systems"},
    {0x09, "Small Business Server"},
    {0x19, "Small Business Server Premium Edition"},
    {0x07, "Standard Edition"},
    {0x0D, "Standard Edition (core installation)"},
    {0x11, "Web Server Edition"},
};

std::string ProductName(const OsFacts& f) {
  const bool ws = f.workstation;
  if (f.major == 10 && f.minor == 0) return ws ? "Windows 10 " : "Windows Server 2016 ";
  if (f.major == 6) {
    switch (f.minor) {
      case 3:
        return ws ? "Windows 8.1 " : "Windows Server 2012 R2 ";
      case 2:
        return ws ? "Windows 8 " : "Windows Server 2012 ";
      case 1:
        return ws ? "Windows 7 " : "Windows Server 2008 R2 ";
      case 0:
        return ws ? "Windows Vista " : "Windows Server 2008 ";
    }
  }
  if (f.major == 5) {
    switch (f.minor) {
      case 2:
        return ws ? "Windows XP Professional x64 Edition " : "Windows Server 2003 ";
      case 1:
        return "Windows XP ";
      case 0:
        return ws ? "Windows 2000 Professional " : "Windows 2000 Server ";
    }
  }
  return "Windows ";
}

}  // namespace

std::string ComposeSystemName(const OsFacts& f) {
  if (!f.nt_family || f.major <= 4) return "Sistema operativo non compatibile";
  std::string text = "Microsoft " + ProductName(f);
  if (f.major >= 6) {
    for (const Edition& edition : kEditions) {
      if (edition.type == f.product_type) {
        text += edition.text;
        break;
      }
    }
  }
  if (!f.service_pack.empty()) text += " " + f.service_pack;
  char build[30];
  std::snprintf(build, sizeof(build), " (build %u)", f.build);
  text += build;
  if (f.major > 5) text += f.native_64bit ? " 64-bit" : " 32-bit";
  return text;
}
