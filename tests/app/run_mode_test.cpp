#include "app/run_mode.h"

#include <gtest/gtest.h>

TEST(RunModeColumn, ProductionTestAndDevNames) {
  const std::string s = "http://server";
  const std::string tmp = "C:\\Temp\\";
  RunModeStrings p = RunModeColumn(2, s, tmp);
  EXPECT_EQ(p.update_info_url, "http://server/update/setup_ZAV2021.txt");
  EXPECT_EQ(p.setup_exe_name, "ZAV2021.exe");
  EXPECT_EQ(p.update_package_name, "ZAV2021.7z");
  EXPECT_EQ(p.update_package_url, "http://server/ZAV2021.7z");
  EXPECT_EQ(p.update_package_path, "C:\\Temp\\ZAV2021.7z");
  EXPECT_EQ(p.qel_manifest_url, "http://server/update/qel.xml");

  RunModeStrings t = RunModeColumn(1, s, tmp);
  EXPECT_EQ(t.update_info_url, "http://server/update/setup_ZAV2021_test.txt");
  EXPECT_EQ(t.setup_exe_name, "ZAV2021_TEST.exe");
  EXPECT_EQ(t.update_package_name, "ZAV2021_TEST.7z");
  EXPECT_EQ(t.update_package_url, "http://server/ZAV2021_TEST.7z");
  EXPECT_EQ(t.update_package_path, "C:\\Temp\\ZAV2021_TEST.7z");
  EXPECT_EQ(t.qel_manifest_url, "http://server/update/qel_test.xml");

  RunModeStrings d = RunModeColumn(0, s, tmp);
  EXPECT_EQ(d.update_info_url, "http://server/update/setup_ZAV2021_dev.txt");
  EXPECT_EQ(d.setup_exe_name, "ZAV2021_DEV.exe");
  EXPECT_EQ(d.update_package_url, "http://server/ZAV2021_DEV.7z");
  EXPECT_EQ(d.qel_manifest_url, "http://server/update/qel_dev.xml");

  // Any value other than 0 and 1 is production.
  EXPECT_EQ(RunModeColumn(-5, s, tmp).qel_manifest_url, p.qel_manifest_url);
  EXPECT_EQ(UpdateServerAddress().rfind("http://", 0), 0u);
}
