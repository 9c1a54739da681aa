// Times the survey of one disk root (not a test: run by scripts/bench-survey.sh).
//   survey_bench.exe prepare <root> <count>  registers one workstation in each of the
//                                            first <count> folders' SharedInfo
//   survey_bench.exe run <root>              surveys <root> as the only disk
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "log/setup_log.h"
#include "sharedinfo/sharedinfo.h"
#include "survey/setting.h"
#include "sys/fs_utils.h"

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  const std::string mode = argv[1];
  std::string root = argv[2];
  if (root.back() != '\\') root += '\\';
  if (mode == "prepare") {
    const int count = argc > 3 ? std::atoi(argv[3]) : 20;
    for (int i = 0; i < count; ++i) {
      const std::string folder = root + "cartella" + std::to_string(i);
      const std::string path = folder + "\\ZAV_Shared\\SharedInfo";
      CreateDirectoryTree(folder + "\\ZAV_Shared");
      int id = 0;
      char pm[8];
      std::snprintf(pm, sizeof(pm), "%05d", i + 1);
      if (CreateSharedInfo(path) || CheckInstallation(path, "2021", &id) ||
          AddPdlEntry(path, pm, "pw", id, root + "ZAV\\PM" + pm + "\\")) {
        std::fprintf(stderr, "cannot prepare %s\n", path.c_str());
        return 1;
      }
    }
    return 0;
  }
  if (mode == "log") {  // the cost of the log alone, for comparison
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 15000; ++i)
      WriteLog("[  INFO] Checking folder -> " + root + std::to_string(i));
    std::printf("log lines=15000 seconds=%.3f\n",
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    const auto folder_start = std::chrono::steady_clock::now();
    for (int i = 0; i < 15000; ++i) GetLogFolder();
    std::printf(
        "log folder lookups=15000 seconds=%.3f\n",
        std::chrono::duration<double>(std::chrono::steady_clock::now() - folder_start).count());
    return 0;
  }
  CSetting setting;
  setting.year_folder = "ZAV2021";
  setting.current_year = "2021";
  setting.disks = {root};
  const auto start = std::chrono::steady_clock::now();
  const int result = setting.CheckForPreviousPlatform();
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("result=%d installs=%u orphans=%u seconds=%.3f\n", result,
              static_cast<unsigned>(setting.installs.size()),
              static_cast<unsigned>(setting.orphans.size()), seconds);
  return result;
}
