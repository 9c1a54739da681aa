// The real ZAV2021.exe's wizard under Wine on fixture machines: every start-page rule, the
// office pages' rules and the flows of each mode to the destination page. Each test saves
// screenshots of the pages it reaches into <build>\screenshots.
#include <gtest/gtest.h>
#include <windows.h>
#include <prsht.h>

#include "log/setup_log.h"
#include "resource.h"
#include "support/temp_folder.h"
#include "survey/survey_fixtures.h"
#include "wizard_driver.h"

namespace {

const char* const kFixtureDrives[] = {"E:", "F:", "N:"};

class WizardE2E : public testing::Test {
 protected:
  void SetUp() override {
    for (const char* drive : kFixtureDrives) RemoveFolderContents(drive);
    DeleteLog();
  }
  void TearDown() override {
    if (wizard_.sheet() && IsWindow(wizard_.sheet())) {
      wizard_.Press(PSBTN_CANCEL);
      wizard_.WaitForExit();
    }
    for (const char* drive : kFixtureDrives) RemoveFolderContents(drive);
  }

  // An installation of the office registered for this user in <root>ZAV_Shared\SharedInfo.
  static void Install(const std::string& root, const std::string& pm, const std::string& year,
                      const std::string& assignee = "") {
    RegisterWorkpoint(root.substr(0, root.size() - 1), pm, "PW" + pm, root, year, assignee);
    MakeInstallaMod(root + "ZAV" + year, pm + "PW" + pm + std::string(8 - 2 - pm.size() + 5, '\0'));
  }

  WizardDriver wizard_;
};

TEST_F(WizardE2E, NoInstallationFoundInstallLeadsToTheNewOfficePageAndBack) {
  ASSERT_TRUE(wizard_.Start("/NODISCOVERY /SKIPUPDATE"));
  HWND start = wizard_.WaitForPage("WIZ_START");
  ASSERT_TRUE(start);
  wizard_.Screenshot("wiz_start");
  EXPECT_EQ(wizard_.PageIdAt(1), IDD_WIZ_NOTSUPPORTED);

  ASSERT_TRUE(wizard_.Check(start, IDC_OPTION_INSTALL));
  wizard_.Press(PSBTN_NEXT);
  HWND pmnew = wizard_.WaitForPage("WIZ_PMNEW");
  ASSERT_TRUE(pmnew);
  wizard_.Screenshot("wiz_pmnew");
  EXPECT_EQ(wizard_.PageIdAt(1), IDD_WIZ_PMNEW);  // not-supported and list pages removed

  wizard_.Press(PSBTN_BACK);
  ASSERT_TRUE(wizard_.WaitForPage("WIZ_START"));
}

}  // namespace
