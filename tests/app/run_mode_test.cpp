#include "app/run_mode.h"

#include <gtest/gtest.h>

TEST(RunModeColumn, ProductionTestAndDevNames) {
  const std::string s = "http://server";
  const std::string tmp = "C:\\Temp\\";
  struct Column {
    int32_t mode;
    const char* lower;  // suffix of the update info file and the manifest
    const char* upper;  // suffix of the package and executable names
  };
  for (const Column& c :
       {Column{2, "", ""}, Column{1, "_test", "_TEST"}, Column{0, "_dev", "_DEV"}}) {
    SCOPED_TRACE(c.mode);
    const std::string lower = c.lower, upper = c.upper;
    const RunModeStrings r = RunModeColumn(c.mode, s, tmp);
    EXPECT_EQ(r.update_info_url, "http://server/update/setup_ZAV2021" + lower + ".txt");
    EXPECT_EQ(r.setup_exe_name, "ZAV2021" + upper + ".exe");
    EXPECT_EQ(r.update_package_name, "ZAV2021" + upper + ".7z");
    EXPECT_EQ(r.update_package_url, "http://server/ZAV2021" + upper + ".7z");
    EXPECT_EQ(r.update_package_path, "C:\\Temp\\ZAV2021" + upper + ".7z");
    EXPECT_EQ(r.qel_manifest_url, "http://server/update/qel" + lower + ".xml");
  }
  // Spelled out once, so a wrong suffix rule above cannot hide.
  EXPECT_EQ(RunModeColumn(1, s, tmp).update_info_url,
            "http://server/update/setup_ZAV2021_test.txt");
  EXPECT_EQ(RunModeColumn(0, s, tmp).setup_exe_name, "ZAV2021_DEV.exe");

  // Any value other than 0 and 1 is production.
  EXPECT_EQ(RunModeColumn(-5, s, tmp).qel_manifest_url, "http://server/update/qel.xml");
  EXPECT_EQ(UpdateServerAddress().rfind("http://", 0), 0u);
}
