// The command-line step on the real application object: fields and run-mode strings.
#include <gtest/gtest.h>
#include <windows.h>

#include "app/app.h"
#include "log/setup_log.h"

namespace {

std::string Temp() {
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  return temp;
}

}  // namespace

TEST(AppSwitches, LowerCaseSwitchesSetTheFieldsAndProductionStrings) {
  CApp app;
  app.command_line = "/up /skipupdate /skippermission /nodiscovery /noqelrunningcheck";
  EXPECT_FALSE(app.ReadCommandLineSwitches());
  EXPECT_EQ(app.setting->install_kind, 2);
  EXPECT_TRUE(app.skip_update);
  EXPECT_TRUE(app.skip_permission);
  EXPECT_TRUE(app.no_discovery);
  EXPECT_TRUE(app.skip_qel_running_check());
  EXPECT_EQ(app.run_mode, 2);
  EXPECT_EQ(app.setup_exe_name, "ZAV2021.exe");
  EXPECT_EQ(app.update_package_path, Temp() + "ZAV2021.7z");
}

TEST(AppSwitches, LaterRunModeSelectsItsColumn) {
  CApp dev_then_test;
  dev_then_test.command_line = "/DEV /TEST1";
  EXPECT_FALSE(dev_then_test.ReadCommandLineSwitches());
  EXPECT_EQ(dev_then_test.run_mode, 1);
  EXPECT_EQ(dev_then_test.update_package_name, "ZAV2021_TEST.7z");
  EXPECT_EQ(dev_then_test.update_package_path, Temp() + "ZAV2021_TEST.7z");
  EXPECT_NE(dev_then_test.qel_manifest_url.find("/update/qel_test.xml"), std::string::npos);

  CApp test_then_dev;
  test_then_dev.command_line = "/TEST1 /DEV";
  EXPECT_FALSE(test_then_dev.ReadCommandLineSwitches());
  EXPECT_EQ(test_then_dev.run_mode, 0);
  EXPECT_EQ(test_then_dev.setup_exe_name, "ZAV2021_DEV.exe");
  EXPECT_NE(test_then_dev.update_info_url.find("/update/setup_ZAV2021_dev.txt"), std::string::npos);
}

TEST(AppSwitches, EmptyCommandLineGivesProductionWithPackagePath) {
  CApp app;
  EXPECT_TRUE(app.update_package_path.empty());  // the constructor leaves it out
  app.command_line = "";
  EXPECT_FALSE(app.ReadCommandLineSwitches());
  EXPECT_EQ(app.update_package_path, Temp() + "ZAV2021.7z");
  EXPECT_EQ(app.install_state, -1);
  EXPECT_EQ(app.moltra_archive_path, Temp() + "moltra2021.7z");
  EXPECT_EQ(app.qel_archive_path, Temp() + "qel.7z");
}
