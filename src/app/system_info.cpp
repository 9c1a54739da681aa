#include "app/system_info.h"

#include <windows.h>

#include <cstdio>

CSystemInfo::CSystemInfo() {
  OSVERSIONINFOEXA version = {};
  version.dwOSVersionInfoSize = sizeof(version);
  if (!GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&version)))
    throw "Sistema operativo non supportato.";
  major_ = version.dwMajorVersion;
  minor_ = version.dwMinorVersion;
  char build[30];
  std::snprintf(build, sizeof(build), " (build %lu)", version.dwBuildNumber);
  display_text_ = std::string("Microsoft Windows ") + std::to_string(major_) + "." +
                  std::to_string(minor_) + build;
}
