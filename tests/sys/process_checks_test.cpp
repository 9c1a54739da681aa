// The running-instance checks against real processes named qel.exe, QEL.EXE and wrun32.exe.
#include "sys/process_checks.h"

#include <gtest/gtest.h>

#include "log_capture.h"
#include "support/process.h"
#include "sys/platform_menu.h"

namespace {

std::string Program(const std::string& relative) {
  return UnixToWindowsPath(ZAV_TEST_PROCS_DIR) + "\\" + relative;
}

const char kMenuArguments[] = "-c ..\\etc\\cblconfi ..\\obj\\pcmenu.acu rete";

bool StillRunning(ChildProcess& child) { return !child.Wait(0); }

}  // namespace

TEST(IsQelRunning, TerminatesEveryQelAndIgnoresOtherSpellings) {
  ChildProcess first, second, upper;
  ASSERT_TRUE(first.Start(Program("qel.exe"), ""));
  ASSERT_TRUE(second.Start(Program("qel.exe"), "/x"));
  ASSERT_TRUE(upper.Start(Program("upper\\QEL.EXE"), ""));
  Sleep(300);

  EXPECT_TRUE(IsQelRunning(nullptr, false, true));
  DWORD code = 99;
  EXPECT_TRUE(first.Wait(5000, &code));
  EXPECT_EQ(code, 0u);
  EXPECT_TRUE(second.Wait(5000, &code));
  EXPECT_EQ(code, 0u);
  EXPECT_TRUE(StillRunning(upper));
  EXPECT_FALSE(IsQelRunning(nullptr, false, true));  // only QEL.EXE is left

  // Without terminate it only reports.
  ChildProcess third;
  ASSERT_TRUE(third.Start(Program("qel.exe"), ""));
  Sleep(300);
  EXPECT_TRUE(IsQelRunning(nullptr, false, false));
  EXPECT_TRUE(StillRunning(third));

  // The override answers false at once and touches nothing.
  LogCapture log;
  EXPECT_FALSE(IsQelRunning(nullptr, true, true));
  EXPECT_TRUE(log.Has("[* WARN] Qel running check overridden"));
  EXPECT_TRUE(StillRunning(third));
  EXPECT_TRUE(IsQelRunning(nullptr, false, true));
  EXPECT_TRUE(third.Wait(5000));
}

TEST(IsMoltraRunning, RecognisesOnlyThePlatformMenuFollowedByMoreArguments) {
  {
    ChildProcess menu;
    ASSERT_TRUE(menu.Start(Program("wrun32.exe"),
                           std::string(kMenuArguments) + " 3 D:\\ZAV\\PM00123\\ZAV2021"));
    Sleep(300);
    EXPECT_TRUE(IsMoltraRunning(nullptr, false));
    LogCapture log;
    EXPECT_FALSE(IsMoltraRunning(nullptr, true));
    EXPECT_TRUE(log.Has("[* WARN] Moltra running check overridden"));
    EXPECT_TRUE(StillRunning(menu));  // never terminated
  }
  {
    ChildProcess at_end, other;
    ASSERT_TRUE(at_end.Start(Program("wrun32.exe"), kMenuArguments));
    ASSERT_TRUE(other.Start(Program("wrun32.exe"), "-c ..\\etc\\cblconfi ..\\obj\\altro.acu"));
    Sleep(300);
    EXPECT_FALSE(IsMoltraRunning(nullptr, false));
  }
  {
    // The right arguments under another program name do not count.
    ChildProcess renamed;
    ASSERT_TRUE(renamed.Start(Program("qel.exe"), std::string(kMenuArguments) + " 1 C:\\x"));
    Sleep(300);
    EXPECT_FALSE(IsMoltraRunning(nullptr, false));
  }
}

TEST(CommandLineRunsPlatformMenu, SignatureMustStartAtABlankAndBeFollowed) {
  EXPECT_EQ(std::wstring(kPlatformMenuSignature).size(), 40u);
  EXPECT_TRUE(CommandLineRunsPlatformMenu(
      L"wrun32.exe -c ..\\etc\\cblconfi ..\\obj\\pcmenu.acu rete 2 C:\\ZAV"));
  EXPECT_TRUE(CommandLineRunsPlatformMenu(L" ..\\etc\\cblconfi ..\\obj\\pcmenu.acu rete "));
  EXPECT_FALSE(
      CommandLineRunsPlatformMenu(L"wrun32.exe -c ..\\etc\\cblconfi ..\\obj\\pcmenu.acu rete"));
  EXPECT_FALSE(
      CommandLineRunsPlatformMenu(L"wrun32.exe -c ..\\etc\\cblconfi ..\\obj\\PCMENU.acu rete 2"));
  EXPECT_FALSE(CommandLineRunsPlatformMenu(L""));
  EXPECT_FALSE(CommandLineRunsPlatformMenu(L"wrun32.exe"));
}
