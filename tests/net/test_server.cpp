#include <cstdlib>
#include <string>

#include "request_recorder.h"
#include "support/process.h"
#include "support/temp_folder.h"
#include "sys/string_utils.h"

namespace {
std::string StateDir() {
  const char* build = std::getenv("ZAV_BUILD_DIR");
  return UnixToWindowsPath(std::string(build ? build : "") + "/tests/net");
}
}  // namespace

int TestServerPort() { return StringToInt(ReadTextFile(StateDir() + "\\http_server.port")); }

std::string TestServerRoot() { return StateDir() + "\\www"; }

std::string TestServerUrl(const std::string& path) {
  return "http://127.0.0.1:" + IntToString(TestServerPort()) + path;
}
