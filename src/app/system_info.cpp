#include "app/system_info.h"

#include <windows.h>

#include "app/system_name.h"

bool IsSupportedWindows(unsigned major, unsigned minor) {
  return major > 6 || (major == 6 && minor != 0);
}

CSystemInfo::CSystemInfo() {
  OSVERSIONINFOEXA version = {};
  version.dwOSVersionInfoSize = sizeof(version);
  if (!GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&version)))
    throw "Sistema operativo non supportato.";
  major_ = version.dwMajorVersion;
  minor_ = version.dwMinorVersion;

  OsFacts facts;
  facts.nt_family = version.dwPlatformId == VER_PLATFORM_WIN32_NT;
  facts.major = major_;
  facts.minor = minor_;
  facts.build = version.dwBuildNumber;
  facts.workstation = version.wProductType == VER_NT_WORKSTATION;
  facts.service_pack = version.szCSDVersion;
  if (major_ >= 6) {
    DWORD type = 0;
    if (GetProductInfo(major_, minor_, version.wServicePackMajor, version.wServicePackMinor, &type))
      facts.product_type = type;
  }
  SYSTEM_INFO system = {};
  GetNativeSystemInfo(&system);
  facts.native_64bit = system.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64 ||
                       system.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_IA64;
  display_text_ = ComposeSystemName(facts);
}
