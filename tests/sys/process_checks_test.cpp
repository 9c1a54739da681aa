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

// Starts the program and waits until it is past its start-up.
bool StartReady(ChildProcess& child, const std::string& program, const std::string& arguments) {
  if (!child.Start(program, arguments)) return false;
  const std::string name = "zav_idle_ready_" + std::to_string(child.pid());
  for (int i = 0; i < 200; ++i) {
    HANDLE ready = OpenEventA(SYNCHRONIZE, FALSE, name.c_str());
    if (ready) {
      CloseHandle(ready);
      return true;
    }
    Sleep(50);
  }
  return false;
}

}  // namespace

TEST(IsQelRunning, TerminatesEveryQelAndIgnoresOtherSpellings) {
  ChildProcess first, second, upper;
  ASSERT_TRUE(StartReady(first, Program("qel.exe"), ""));
  ASSERT_TRUE(StartReady(second, Program("qel.exe"), "/x"));
  ASSERT_TRUE(StartReady(upper, Program("upper\\QEL.EXE"), ""));

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
  ASSERT_TRUE(StartReady(third, Program("qel.exe"), ""));
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

// The client is ended and waited for: when the call returns it is gone, so its files are
// free for the unpacking that follows.
TEST(CloseRunningQel, ReturnsOnceTheClientHasEnded) {
  EXPECT_EQ(CloseRunningQel(false), QelClose::kNone);
  ChildProcess first, second;
  ASSERT_TRUE(StartReady(first, Program("qel.exe"), ""));
  ASSERT_TRUE(StartReady(second, Program("qel.exe"), "/x"));
  EXPECT_EQ(CloseRunningQel(true), QelClose::kNone);  // the override touches nothing
  EXPECT_TRUE(StillRunning(first));
  EXPECT_EQ(CloseRunningQel(false), QelClose::kClosed);
  EXPECT_TRUE(first.Wait(0));
  EXPECT_TRUE(second.Wait(0));
}

TEST(IsMoltraRunning, RecognisesOnlyThePlatformMenuFollowedByMoreArguments) {
  {
    ChildProcess menu;
    ASSERT_TRUE(StartReady(menu, Program("wrun32.exe"),
                           std::string(kMenuArguments) + " 3 D:\\ZAV\\PM00123\\ZAV2021"));
    EXPECT_TRUE(IsMoltraRunning(nullptr, false));
    LogCapture log;
    EXPECT_FALSE(IsMoltraRunning(nullptr, true));
    EXPECT_TRUE(log.Has("[* WARN] Moltra running check overridden"));
    EXPECT_TRUE(StillRunning(menu));  // never terminated
  }
  {
    ChildProcess at_end, other;
    ASSERT_TRUE(StartReady(at_end, Program("wrun32.exe"), kMenuArguments));
    ASSERT_TRUE(
        StartReady(other, Program("wrun32.exe"), "-c ..\\etc\\cblconfi ..\\obj\\altro.acu"));
    EXPECT_FALSE(IsMoltraRunning(nullptr, false));
  }
  {
    // The right arguments under another program name do not count.
    ChildProcess renamed;
    ASSERT_TRUE(StartReady(renamed, Program("qel.exe"), std::string(kMenuArguments) + " 1 C:\\x"));
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
