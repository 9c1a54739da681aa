// The setup updates itself end to end: a copy of the real setup finds a build one version
// newer on the update server (reached as an HTTP proxy, the built-in host unchanged),
// replaces its own executable, and the new setup starts with the same switches.
#include <gtest/gtest.h>
#include <windows.h>
#include <tlhelp32.h>

#include <string>
#include <vector>

#include "net/own_version.h"
#include "support/process.h"
#include "support/setup_runner.h"
#include "support/temp_folder.h"
#include "support/ui_driver.h"
#include "sys/fs_utils.h"

namespace {

constexpr DWORD kTimeout = 120000;

std::string VersionOf(const std::string& exe) {
  std::vector<std::string> fields;
  if (!ReadFileVersionFields(exe, fields)) return "";
  std::string text;
  for (const std::string& field : fields) text += (text.empty() ? "" : ".") + field;
  return text;
}

// The process the ended setup started.
DWORD ChildOf(DWORD parent) {
  DWORD child = 0;
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  PROCESSENTRY32 entry = {};
  entry.dwSize = sizeof(entry);
  for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
    if (entry.th32ParentProcessID == parent) child = entry.th32ProcessID;
  CloseHandle(snapshot);
  return child;
}

std::string ServerPort(const std::string& state_dir) {
  std::string port = ReadTextFile(UnixToWindowsPath(state_dir) + "\\serve.port");
  return port.substr(0, port.find_first_of("\r\n"));
}

TEST(SelfUpdateE2E, NewerSetupOnTheServerReplacesTheRunningOneWhichRestartsWithItsSwitches) {
  const std::string port = ServerPort(ZAV_NEXT_SERVE_DIR);
  ASSERT_FALSE(port.empty()) << "the update server is not running";
  TempFolder temp;
  const std::string exe = temp.Sub("ZAV2021.exe");
  ASSERT_TRUE(CopyFileA(SetupExePath().c_str(), exe.c_str(), FALSE));
  const std::string shipped = VersionOf(exe);
  ASSERT_NE(shipped, ZAV_NEXT_VERSION);

  // WinINet takes the proxy from the environment the setup inherits.
  ASSERT_TRUE(SetEnvironmentVariableA("http_proxy", ("http://127.0.0.1:" + port).c_str()));
  ChildProcess setup;
  ASSERT_TRUE(setup.Start(exe, "/TEST1 /NODISCOVERY"));
  HWND found = WaitForMessageBox(setup.pid(), kTimeout, "Aggiornamento setup");
  ASSERT_NE(found, nullptr) << "the newer setup was not announced";
  EXPECT_EQ(MessageBoxText(found),
            "E' stata trovata una versione aggiornata del setup. Procedere con il download.");
  EXPECT_TRUE(PressAndWaitGone(found, IDOK, kTimeout));
  DWORD code = 0xFFFF;
  const bool ended = setup.Wait(kTimeout, &code);
  const DWORD restarted = ChildOf(setup.pid());
  SetEnvironmentVariableA("http_proxy", nullptr);
  ASSERT_TRUE(ended) << "the setup did not end to make way for the new one";
  EXPECT_EQ(code, 0u);
  EXPECT_EQ(VersionOf(exe), ZAV_NEXT_VERSION);
  EXPECT_EQ(VersionOf(temp.Sub("old_ZAV2021.exe")), shipped);

  ASSERT_NE(restarted, 0u) << "no new setup was started";
  HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, restarted);
  ASSERT_NE(process, nullptr);
  // The new setup began a fresh log: its version, the same switches, and no second update.
  for (const std::string& line :
       {"[  INFO] Current installed version -> " + std::string(ZAV_NEXT_VERSION),
        std::string("[  INFO] Command line provided -> /TEST1 /NODISCOVERY"),
        std::string("[  INFO] No update available")})
    EXPECT_TRUE(WaitForLogMessage(line, kTimeout)) << line;
  HWND sheet = WaitForSheet(restarted, kTimeout);
  ASSERT_NE(sheet, nullptr) << "the new setup's wizard did not open";
  EXPECT_EQ(PressSheetButton(sheet, PSBTN_CANCEL, kTimeout), PressOutcome::kClosed);
  EXPECT_EQ(WaitForSingleObject(process, kTimeout), WAIT_OBJECT_0);
  GetExitCodeProcess(process, &code);
  CloseHandle(process);
  EXPECT_EQ(code, 0u);
}

// The same package with one byte changed on the way: refused before it is unpacked. The
// failure box, the wizard of this version, the executable's bytes unchanged; and the next
// start does just the same instead of restarting.
TEST(SelfUpdateE2E, ATamperedPackageIsRefusedAndTheSetupGoesOnAtItsVersion) {
  const std::string port = ServerPort(ZAV_NEXT_SERVE_DIR "_flipped");
  ASSERT_FALSE(port.empty()) << "the tampering update server is not running";
  TempFolder temp;
  const std::string exe = temp.Sub("ZAV2021.exe");
  ASSERT_TRUE(CopyFileA(SetupExePath().c_str(), exe.c_str(), FALSE));
  const std::string shipped = ReadTextFile(exe);
  ASSERT_TRUE(SetEnvironmentVariableA("http_proxy", ("http://127.0.0.1:" + port).c_str()));
  for (int start = 1; start <= 2; ++start) {
    SCOPED_TRACE(start);
    ChildProcess setup;
    ASSERT_TRUE(setup.Start(exe, "/TEST1 /NODISCOVERY"));
    HWND found = WaitForMessageBox(setup.pid(), kTimeout, "Aggiornamento setup");
    ASSERT_NE(found, nullptr) << "the newer setup was not announced";
    EXPECT_TRUE(PressAndWaitGone(found, IDOK, kTimeout));
    HWND failure = WaitForMessageBox(setup.pid(), kTimeout, "Attenzione");
    ASSERT_NE(failure, nullptr) << "no update failure box";
    EXPECT_EQ(0u,
              MessageBoxText(failure).find("Impossibile completare l'operazione di aggiornamento"));
    EXPECT_TRUE(PressAndWaitGone(failure, IDOK, kTimeout));
    HWND sheet = WaitForSheet(setup.pid(), kTimeout);
    ASSERT_NE(sheet, nullptr) << "the wizard did not go on";
    EXPECT_EQ(PressSheetButton(sheet, PSBTN_CANCEL, kTimeout), PressOutcome::kClosed);
    DWORD code = 0xFFFF;
    ASSERT_TRUE(setup.Wait(kTimeout, &code));
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(ChildOf(setup.pid()), 0u) << "a setup was started";
    EXPECT_TRUE(ReadTextFile(exe) == shipped) << "the executable was changed";
    EXPECT_FALSE(FileExists(temp.Sub("old_ZAV2021.exe")));
    EXPECT_TRUE(WaitForLogMessage("[**  ERR] Signature check failed -> http://" ZAV_UPDATE_HOST
                                  "/ZAV2021_TEST.7z -> "
                                  "does not match",
                                  kTimeout));
  }
  SetEnvironmentVariableA("http_proxy", nullptr);
}

// Unattended, the restarted setup keeps the switches and the first one ends with its exit
// code, so that a script reads the outcome of the run that did the work; no window at all.
TEST(SelfUpdateE2E, AnUnattendedSetupEndsWithTheExitCodeOfItsUpdatedSelf) {
  const std::string port = ServerPort(ZAV_NEXT_SERVE_DIR);
  ASSERT_FALSE(port.empty()) << "the update server is not running";
  TempFolder temp;
  const std::string exe = temp.Sub("ZAV2021.exe");
  ASSERT_TRUE(CopyFileA(SetupExePath().c_str(), exe.c_str(), FALSE));
  ASSERT_TRUE(SetEnvironmentVariableA("http_proxy", ("http://127.0.0.1:" + port).c_str()));
  ChildProcess setup;
  // No office 99999 on this PC: the updated setup refuses, with the code of that refusal.
  const std::string arguments = "/QUIET /TEST1 /NODISCOVERY /ADDPC /OFFICE=99999";
  ASSERT_TRUE(setup.Start(exe, arguments));
  DWORD code = 0xFFFF;
  bool window = false, ended = false;
  for (const DWORD start = GetTickCount(); !ended && GetTickCount() - start < kTimeout;) {
    for (const FoundWindow& found : TopLevelWindows(setup.pid()))
      window = window || IsWindowVisible(found.hwnd);
    ended = setup.Wait(200, &code);
  }
  SetEnvironmentVariableA("http_proxy", nullptr);
  ASSERT_TRUE(ended);
  EXPECT_FALSE(window);
  EXPECT_EQ(code, 12u);
  EXPECT_EQ(VersionOf(exe), ZAV_NEXT_VERSION);
  for (const std::string& line :
       {"[  INFO] Current installed version -> " + std::string(ZAV_NEXT_VERSION),
        "[  INFO] Command line provided -> " + arguments,
        std::string("[  INFO] Unattended installation ended -> 12"),
        std::string("[  INFO] Updated setup ended -> 12")})
    EXPECT_TRUE(HasMessage(LogMessages(), line)) << line;
}

}  // namespace
