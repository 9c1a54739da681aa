#include "sharedinfo/sharedinfo.h"

std::string ScramblePassword(const std::string& text) { return text; }
int CreateSharedInfo(const std::string&) { return kSharedInfoError; }
int CheckInstallation(const std::string&, const std::string&, int*) { return kSharedInfoError; }
int AddPdlEntry(const std::string&, const std::string&, const std::string&, int,
                const std::string&, const std::string&) {
  return kSharedInfoError;
}
int ExistValidInstall(const std::string&, const std::string&, int, bool*, const std::string&) {
  return kSharedInfoError;
}
int RemoveWorkpoint(const std::string&, const std::string&, const std::string&,
                    const std::string&) {
  return kSharedInfoError;
}
int DuplicateEntireYear(const std::string&, const std::string&, const std::string&, bool*) {
  return kSharedInfoError;
}
int ParseSharedInfo(const std::string&, int, std::vector<WorkpointInfo>*) {
  return kSharedInfoError;
}
