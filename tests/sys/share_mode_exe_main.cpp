// The setup's entry point with the share service replaced by the fake: a test build of the
// executable for the elevated share mode, which Wine cannot serve (its NetShareSetInfo
// crashes the process). The shipping ZAV2021.exe has no such switch.
//   ZAV_FAKE_SHARE_ADD    result of the share add (default: the fake's table decides)
//   ZAV_FAKE_SHARE_CACHE  result of the cache setting (default 0)
//   ZAV_FAKE_SHARE_RECORD file that receives "name|path|permissions|dacl" of each add
//   ZAV_FAKE_ELEVATED     the elevated re-launch: "refuse", or the exit code it ends with
//   ZAV_FAKE_FREE_BYTES   "<root>=<bytes>;..." free space of those drive roots (a drive made
//                         with an exact amount free is out of a test's reach); others as is
#include <windows.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>

#include "app/entry_point.h"
#include "fake_share_service.h"
#include "sys/free_space_service.h"

namespace {
class ListedFreeSpace : public FreeSpaceService {
 public:
  explicit ListedFreeSpace(const std::string& list) : windows_(GetFreeSpaceService()) {
    size_t begin = 0;
    while (begin < list.size()) {
      size_t end = list.find(';', begin);
      if (end == std::string::npos) end = list.size();
      const std::string item = list.substr(begin, end - begin);
      const size_t equals = item.find('=');
      if (equals != std::string::npos)
        free_[item.substr(0, equals)] = std::strtoull(item.c_str() + equals + 1, nullptr, 10);
      begin = end + 1;
    }
    SetFreeSpaceService(this);
  }
  ~ListedFreeSpace() override { SetFreeSpaceService(nullptr); }
  bool FreeBytes(const std::string& root, uint64_t* free, unsigned long* error) override {
    const auto it = free_.find(root);
    if (it == free_.end()) return windows_.FreeBytes(root, free, error);
    *free = it->second;
    return true;
  }

 private:
  FreeSpaceService& windows_;
  std::map<std::string, uint64_t> free_;
};

std::string Environment(const char* name) {
  char value[1024] = {};
  const DWORD size = GetEnvironmentVariableA(name, value, sizeof(value));
  return size > 0 && size < sizeof(value) ? value : "";
}
}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show) {
  FakeShareService fake;
  const std::string add = Environment("ZAV_FAKE_SHARE_ADD");
  if (!add.empty()) fake.add_result = std::strtoul(add.c_str(), nullptr, 10);
  fake.cache_result = std::strtoul(Environment("ZAV_FAKE_SHARE_CACHE").c_str(), nullptr, 10);
  const std::string elevated = Environment("ZAV_FAKE_ELEVATED");
  fake.elevated_starts = elevated != "refuse";
  fake.elevated_exit = std::strtoul(elevated.c_str(), nullptr, 10);
  SetShareService(&fake);
  const std::string free_bytes = Environment("ZAV_FAKE_FREE_BYTES");
  std::unique_ptr<ListedFreeSpace> space;
  if (!free_bytes.empty()) space = std::make_unique<ListedFreeSpace>(free_bytes);
  const int exit_code = SetupMain(instance, previous, command_line, show);
  SetShareService(nullptr);

  const std::string record_file = Environment("ZAV_FAKE_SHARE_RECORD");
  if (!record_file.empty()) {
    std::ofstream out(record_file, std::ios::binary);
    for (const FakeShareService::Added& added : fake.added)
      out << added.record.name << "|" << added.record.path << "|" << added.record.permissions << "|"
          << added.dacl << "\n";
  }
  return exit_code;
}
