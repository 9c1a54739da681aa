#include "fake_network.h"

#include <windows.h>

unsigned int FakeDriveMappingService::RootDriveType(const std::string& root) {
  if (real_drive_types) return GetDriveTypeA(root.c_str());
  return letters[root[0] - 'A'].drive_type;
}
