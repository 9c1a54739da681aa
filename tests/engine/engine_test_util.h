// Helpers of the install engine tests: the packages built by make_packages.sh and the files
// served by the loopback server of tests/net.
#pragma once
#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "../net/request_recorder.h"
#include "support/process.h"
#include "support/temp_folder.h"
#include "sys/string_utils.h"

inline std::string Package(const std::string& name) {
  const char* build = std::getenv("ZAV_BUILD_DIR");
  return UnixToWindowsPath(std::string(build ? build : "") + "/tests/engine/packages/" + name);
}

// A name no other test serves, in this run or an earlier one (Wine reuses process ids).
inline std::string UniqueName(const std::string& base) {
  static const std::string run =
      IntToString(GetCurrentProcessId()) + "_" + IntToString(GetTickCount());
  static int counter = 0;
  return "engine_" + run + "_" + IntToString(++counter) + "_" + base;
}

// Serves `bytes` under /files/<name>; returns the URL.
inline std::string ServeText(const std::string& name, const std::string& bytes) {
  CreateDirectoryA(TestServerRoot().c_str(), nullptr);
  WriteTextFile(TestServerRoot() + "\\" + name, bytes);
  return TestServerUrl("/files/" + name);
}

inline std::string ServeFile(const std::string& name, const std::string& path) {
  CreateDirectoryA(TestServerRoot().c_str(), nullptr);
  CopyFileA(path.c_str(), (TestServerRoot() + "\\" + name).c_str(), FALSE);
  return TestServerUrl("/files/" + name);
}

inline std::string ManifestText(const std::string& archive_url, const std::string& checksum) {
  return "<?xml version=\"1.0\"?><rel><download_url>" + archive_url +
         "</download_url><number>1.0.0.7</number><checksum>" + checksum + "</checksum></rel>";
}

inline long long FileSize(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data = {};
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return -1;
  return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// True when `expected` appear in `messages` in this order (others may come between).
inline bool InOrder(const std::vector<std::string>& messages,
                    const std::vector<std::string>& expected) {
  size_t next = 0;
  for (const std::string& message : messages)
    if (next < expected.size() && message == expected[next]) ++next;
  return next == expected.size();
}
