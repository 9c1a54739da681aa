#include "app/command_line.h"

#include <gtest/gtest.h>

TEST(ParseSwitches, WordsAreMatchedWholeInAnyCaseAfterTrimming) {
  SwitchResult r =
      ParseSwitches("/up /skipupdate/ SkipPermission  /NODISCOVERY/noqelrunningcheck", 2);
  EXPECT_EQ(r.action, SwitchAction::kContinue);
  EXPECT_TRUE(r.peripheral_unit);
  EXPECT_TRUE(r.skip_update);
  EXPECT_TRUE(r.skip_permission);
  EXPECT_TRUE(r.no_discovery);
  EXPECT_TRUE(r.skip_qel_running_check);
  EXPECT_EQ(r.run_mode, 2);

  // Anything appended to a word makes it unknown, and unknown words are ignored.
  r = ParseSwitches("/UPDATE /UP=1 /SKIP UPDATE /\tUP", 2);
  EXPECT_EQ(r.action, SwitchAction::kContinue);
  EXPECT_FALSE(r.peripheral_unit);
  EXPECT_FALSE(r.skip_update);
}

TEST(ParseSwitches, LaterRunModeWins) {
  EXPECT_EQ(ParseSwitches("/DEV /TEST1", 2).run_mode, 1);
  EXPECT_EQ(ParseSwitches("/TEST1 /DEV", 2).run_mode, 0);
  EXPECT_EQ(ParseSwitches("/dev", 2).run_mode, 0);
  EXPECT_EQ(ParseSwitches("/TEST", 2).run_mode, 2);
  EXPECT_EQ(ParseSwitches("/UP", 7).run_mode, 7);
}

TEST(ParseSwitches, HelpStopsAndMissingSlashIsAnError) {
  EXPECT_EQ(ParseSwitches("/UP /? /DEV", 2).action, SwitchAction::kShowHelp);
  EXPECT_EQ(ParseSwitches("/UP /? /DEV", 2).run_mode, 2);  // later pieces not looked at
  EXPECT_EQ(ParseSwitches("/ ?  ", 2).action, SwitchAction::kShowHelp);
  EXPECT_EQ(ParseSwitches("UP", 2).action, SwitchAction::kBadCommand);
  EXPECT_EQ(ParseSwitches("   ", 2).action, SwitchAction::kBadCommand);
  EXPECT_EQ(ParseSwitches("\"C:\\x\\\"", 2).action, SwitchAction::kBadCommand);
  // The text before the first slash is never a switch.
  EXPECT_EQ(ParseSwitches("? /UP", 2).action, SwitchAction::kContinue);
}

TEST(ParseSwitches, HostileTextNeverCrashes) {
  std::string big(100000, 'A');
  big += "/UP";
  EXPECT_TRUE(ParseSwitches(big, 2).peripheral_unit);
  std::string slashes(50000, '/');
  EXPECT_EQ(ParseSwitches(slashes, 2).action, SwitchAction::kContinue);
  EXPECT_FALSE(ParseSwitches("/\xE0\xE8\xFF\x01 /\"UP\"", 2).peripheral_unit);
}

TEST(HelpTexts, AreTheProgramsWindows1252Texts) {
  EXPECT_EQ(std::string(kHelpText).substr(0, 88),
            "Sintassi del comando:\n\n/UP \t= Installazione silenziosa unit\xE0 "
            "periferica\n/?\t= Questo help");
  EXPECT_EQ(std::string(kBadCommandText),
            std::string("Attenzione comando errato.\n\n") + kHelpText);
}

TEST(ArgumentsAfterProgramName, KeepsEverythingAfterTheSeparatingBlank) {
  EXPECT_EQ(ArgumentsAfterProgramName("\"C:\\Setup dir\\ZAV2021.exe\" /UP /?"), "/UP /?");
  EXPECT_EQ(ArgumentsAfterProgramName("ZAV2021.exe /UP"), "/UP");
  EXPECT_EQ(ArgumentsAfterProgramName("\"ZAV2021.exe\"    "), "   ");
  EXPECT_EQ(ArgumentsAfterProgramName("\"ZAV2021.exe\" "), "");
  EXPECT_EQ(ArgumentsAfterProgramName("\"ZAV2021.exe\""), "");
  EXPECT_EQ(ArgumentsAfterProgramName("ZAV2021.exe"), "");
  EXPECT_EQ(ArgumentsAfterProgramName("\"ZAV2021.exe\"/UP"), "/UP");
  EXPECT_EQ(ArgumentsAfterProgramName("\"unterminated /UP"), "");
  EXPECT_EQ(ArgumentsAfterProgramName("\"ZAV2021.exe\"  /SHARE=01234;D:\\ZAV"),
            " /SHARE=01234;D:\\ZAV");
}
