#include "survey/find_first.h"

#include <windows.h>

#include "sys/scoped_handle.h"

namespace {

// Most candidate places do not exist. Asking for the attributes first answers that without
// opening anything (much cheaper than a search or an open, above all on network drives);
// any other answer leaves the decision to the real call.
bool SurelyMissing(const std::string& path) {
  if (path.find_first_of("*?") != std::string::npos) return false;
  if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) return false;
  const DWORD error = GetLastError();
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

}  // namespace

bool FindFirstName(const std::string& pattern, std::string* name) {
  if (SurelyMissing(pattern)) return false;
  ScopedFind find(pattern);
  if (!find.valid()) return false;
  if (name) *name = find.entry.cFileName;
  return true;
}

bool CanOpenForReading(const std::string& path) {
  if (SurelyMissing(path)) return false;
  const ScopedHandle file(CreateFileA(path.c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
  return file.valid();
}
