// CApp's steps after the survey (log lines, preselection) and the Windows display name.
#include <gtest/gtest.h>

#include "app/app.h"
#include "app/system_info.h"
#include "app/system_name.h"
#include "net/own_version.h"
#include "support/temp_folder.h"
#include "survey/survey_fixtures.h"
#include "sys/log_capture.h"
#include "sys/identity.h"

namespace {

std::unique_ptr<InstallRecord> Record(const std::string& pm, const std::string& pdl,
                                      const std::string& assignee, const std::string& zav_path) {
  auto r = std::make_unique<InstallRecord>();
  r->pm = pm;
  r->pdl = pdl;
  r->year = "2021";
  r->assignee = assignee;
  r->zav_path = zav_path;
  r->setup_path = zav_path.substr(0, zav_path.size() - 7);
  r->sharedinfo_path = "F:\\S\\ZAV_Shared\\SharedInfo";
  r->password = "pw" + pm;
  r->valid = true;
  return r;
}

}  // namespace

TEST(AppStartup, PreselectsOnlyASingleInstall) {
  CApp app;
  app.setting->year_path = "C:\\";
  app.setting->office_code = "stale";
  app.setting->new_office = true;
  app.Preselect();  // none found
  EXPECT_EQ(app.setting->office_code, "");
  EXPECT_EQ(app.setting->install_kind, 1);
  EXPECT_EQ(app.setting->office_dir, "C:\\");
  EXPECT_EQ(app.setting->office_root, "C:\\");
  EXPECT_FALSE(app.setting->new_office);

  app.setting->installs.push_back(Record("01234", "3", "PC\\u", "F:\\Studio\\ZAV2021"));
  app.setting->installs.back()->kind = 2;
  app.Preselect();
  EXPECT_EQ(app.setting->office_code, "01234");
  EXPECT_EQ(app.setting->office_password, "pw01234");
  EXPECT_EQ(app.setting->install_kind, 2);
  EXPECT_EQ(app.setting->office_dir, "F:\\Studio\\ZAV2021");
  EXPECT_EQ(app.setting->office_root, "F:\\Studio\\");
  EXPECT_TRUE(app.setting->selected_valid);
  EXPECT_FALSE(app.setting->selected_registered);

  app.setting->installs.push_back(Record("05555", "1", "PC\\u", "E:\\X\\ZAV2021"));
  app.Preselect();  // several: nothing chosen
  EXPECT_EQ(app.setting->office_code, "");
  EXPECT_EQ(app.setting->office_password, "");
  EXPECT_EQ(app.setting->install_kind, 1);
  EXPECT_EQ(app.setting->office_dir, "C:\\");
  EXPECT_FALSE(app.setting->selected_valid);
}

TEST(AppStartup, LogsEveryInstallAndOrphan) {
  CApp app;
  const std::string me = GetCurrentAssignee();
  app.setting->installs.push_back(Record("01234", "1", me, "F:\\Studio\\ZAV2021"));
  app.setting->installs.push_back(Record("01234", "2", "ALTRO\\anna", "\\\\srv\\zav\\ZAV2021"));
  app.setting->installs.push_back(Record("01234", "3", me, "\\\\srv\\zav\\ZAV2021"));
  auto orphan = std::make_unique<InstallRecord>();
  orphan->pm = "00777";
  orphan->zav_path = "E:\\ZAV2021";
  app.setting->orphans.push_back(std::move(orphan));
  LogCapture log;
  app.LogInstalls();
  const std::vector<std::string> expected = {
      "[  INFO] PM 01234-1 (2021) " + me +
          " -> F:\\Studio\\ZAV2021 -> F:\\S\\ZAV_Shared\\SharedInfo (CURRENT USER)",
      "[  INFO] PM 01234-2 (2021) ALTRO\\anna -> \\\\srv\\zav\\ZAV2021 -> "
      "F:\\S\\ZAV_Shared\\SharedInfo (NETSHARE)",
      "[  INFO] PM 01234-3 (2021) " + me +
          " -> \\\\srv\\zav\\ZAV2021 -> F:\\S\\ZAV_Shared\\SharedInfo (CURRENT USER) (NETSHARE)",
      "[  INFO] Platform detection completed successfully -> 3 found",
      "[* WARN] Orphan installation detected -> 1",
      "[* WARN] Orphan PM -> 00777 path -> E:\\ZAV2021"};
  EXPECT_EQ(log.Messages(), expected);

  CApp empty;
  LogCapture quiet;
  empty.LogInstalls();
  EXPECT_EQ(quiet.Messages(), std::vector<std::string>{
                                  "[  INFO] Platform detection completed successfully -> 0 found"});
}

TEST(SystemName, Windows7AndLaterAreSupported) {
  EXPECT_TRUE(IsSupportedWindows(6, 1));  // Windows 7
  EXPECT_TRUE(IsSupportedWindows(6, 2));  // Windows 8, or a later system answering as it
  EXPECT_TRUE(IsSupportedWindows(6, 3));
  EXPECT_TRUE(IsSupportedWindows(10, 0));
  EXPECT_FALSE(IsSupportedWindows(6, 0));  // Vista
  EXPECT_FALSE(IsSupportedWindows(5, 1));  // XP
  EXPECT_FALSE(IsSupportedWindows(5, 2));
}

// This test program carries file version 1.2.3.4 and product version 5.6.7.65535.
TEST(OwnVersion, TheStartUpShowsTheProductVersionTheUpdateComparesTheFileVersion) {
  std::vector<std::string> fields;
  ASSERT_TRUE(ReadOwnVersionFields(fields, VersionField::kProduct));
  EXPECT_EQ(fields, (std::vector<std::string>{"5", "6", "7", "65535"}));
  ASSERT_TRUE(ReadOwnVersionFields(fields));
  EXPECT_EQ(fields, (std::vector<std::string>{"1", "2", "3", "4"}));
}

TEST(SystemName, ProductEditionServicePackBuildAndBits) {
  OsFacts seven;
  seven.major = 6;
  seven.minor = 1;
  seven.build = 7601;
  seven.product_type = 0x30;
  seven.service_pack = "Service Pack 1";
  seven.native_64bit = true;
  EXPECT_EQ(ComposeSystemName(seven),
            "Microsoft Windows 7 Professional Service Pack 1 (build 7601) 64-bit");

  OsFacts server = seven;
  server.major = 10;
  server.minor = 0;
  server.build = 14393;
  server.workstation = false;
  server.product_type = 0x0D;
  server.service_pack.clear();
  server.native_64bit = false;
  EXPECT_EQ(
      ComposeSystemName(server),
      "Microsoft Windows Server 2016 Standard Edition (core installation) (build 14393) 32-bit");

  OsFacts vista = seven;
  vista.minor = 0;
  vista.product_type = 0x01;
  vista.service_pack.clear();
  vista.build = 6002;
  EXPECT_EQ(ComposeSystemName(vista),
            "Microsoft Windows Vista Ultimate Edition (build 6002) 64-bit");

  OsFacts xp;
  xp.major = 5;
  xp.minor = 1;
  xp.build = 2600;
  xp.service_pack = "Service Pack 3";
  EXPECT_EQ(ComposeSystemName(xp), "Microsoft Windows XP  Service Pack 3 (build 2600)");

  OsFacts nt4;
  nt4.major = 4;
  EXPECT_EQ(ComposeSystemName(nt4), "Sistema operativo non compatibile");
  OsFacts nine_x = seven;
  nine_x.nt_family = false;
  EXPECT_EQ(ComposeSystemName(nine_x), "Sistema operativo non compatibile");
}

TEST(AppStartup, InitializeSurveysPreselectsTheOnlyInstallAndHonoursNoDiscovery) {
  // One registered install on the fixture drive F:, nothing else of the platform.
  RemoveTree("F:\\Studio");
  RegisterWorkpoint("F:\\Studio", "03333", "chiave", "F:\\Studio\\");
  MakeOlinfFor("F:\\Studio\\ZAV2021", "03333", "chiave");
  CApp app;
  app.command_line = "/NODISCOVERY /SKIPUPDATE";
  LogCapture log;
  const bool stop = app.Initialize();
  RemoveTree("F:\\Studio");
  ASSERT_FALSE(stop);
  EXPECT_FALSE(app.discovery_running);
  EXPECT_TRUE(app.no_discovery);
  EXPECT_TRUE(app.skip_update);
  ASSERT_EQ(app.setting->installs.size(), 1u);
  EXPECT_EQ(app.setting->office_code, "03333");
  EXPECT_EQ(app.setting->office_password, "chiave");
  EXPECT_EQ(app.setting->office_dir, "F:\\Studio\\ZAV2021");
  EXPECT_EQ(app.setting->office_root, "F:\\Studio\\");
  EXPECT_EQ(app.setting->install_kind, 1);
  const auto messages = log.Messages();
  ASSERT_FALSE(messages.empty());
  EXPECT_EQ(messages.back(), "[  INFO] Network discovery not started due to switch on commandline");
  EXPECT_GE(FindMessage(messages, "[  INFO] Current installed version -> 5.6.7.65535"), 0);
  EXPECT_GE(FindMessage(messages, "[  INFO] Platform detection completed successfully -> 1 found"),
            0);
}
