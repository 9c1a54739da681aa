// Run modes and the update names and URLs each one selects. Pure: no Windows calls.
#pragma once
#include <cstdint>
#include <string>

constexpr int32_t kRunModeDev = 0;
constexpr int32_t kRunModeTest = 1;
constexpr int32_t kRunModeProduction = 2;  // any value other than 0 and 1

constexpr char kPlatformYear[] = "2021";
constexpr char kPlatformBaseName[] = "ZAV2021";
constexpr char kServiceName[] = "Rivaduz ZAV";
constexpr char kRuntimeLauncher[] = "%\\home\\bin\\wrun32.exe";
constexpr char kRuntimeProgramFolder[] = "%\\HOME\\BIN";
constexpr char kMoltraArchiveName[] = "moltra2021.7z";
constexpr char kQelArchiveName[] = "qel.7z";
constexpr char kSingleInstanceMutex[] = "RivaduzZAV_Setup";

struct RunModeStrings {
  std::string update_info_url;
  std::string setup_exe_name;
  std::string update_package_name;
  std::string update_package_url;
  std::string update_package_path;
  std::string qel_manifest_url;
};

// "http://" + the update server host configured at build time.
std::string UpdateServerAddress();

// The column of the run-mode table for `mode`; `temp_folder` ends with a backslash.
RunModeStrings RunModeColumn(int32_t mode, const std::string& server,
                             const std::string& temp_folder);
