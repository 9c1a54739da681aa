#include "app/run_mode.h"

std::string UpdateServerAddress() { return std::string("http://") + ZAV_UPDATE_HOST; }

RunModeStrings RunModeColumn(int32_t mode, const std::string& server,
                             const std::string& temp_folder) {
  std::string lower_suffix, upper_suffix;
  if (mode == kRunModeDev) {
    lower_suffix = "_dev";
    upper_suffix = "_DEV";
  } else if (mode == kRunModeTest) {
    lower_suffix = "_test";
    upper_suffix = "_TEST";
  }
  const std::string base = kPlatformBaseName;
  RunModeStrings column;
  column.update_info_url = server + "/update/setup_" + base + lower_suffix + ".txt";
  column.setup_exe_name = base + upper_suffix + ".exe";
  column.update_package_name = base + upper_suffix + ".7z";
  column.update_package_url = server + "/" + base + upper_suffix + ".7z";
  column.update_package_path = temp_folder + column.update_package_name;
  column.qel_manifest_url = server + "/update/qel" + lower_suffix + ".xml";
  return column;
}
