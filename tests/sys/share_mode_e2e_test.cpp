// The elevated share mode end to end: the setup's entry point in a process of its own exits
// with the status the share service gave.
#include <gtest/gtest.h>
#include <windows.h>

#include "log_capture.h"
#include "support/process.h"
#include "support/temp_folder.h"

namespace {

std::string ShareTestExe() { return UnixToWindowsPath(ZAV_SHARE_TEST_EXE); }

DWORD RunShareMode(const std::string& exe, const std::string& arguments, const char* add,
                   const char* cache, const std::string& record) {
  SetEnvironmentVariableA("ZAV_FAKE_SHARE_ADD", add);
  SetEnvironmentVariableA("ZAV_FAKE_SHARE_CACHE", cache);
  SetEnvironmentVariableA("ZAV_FAKE_SHARE_RECORD", record.empty() ? nullptr : record.c_str());
  ChildProcess child;
  DWORD code = 0xBAD;
  if (!child.Start(exe, arguments) || !child.Wait(60000, &code)) code = 0xDEAD;
  SetEnvironmentVariableA("ZAV_FAKE_SHARE_ADD", nullptr);
  SetEnvironmentVariableA("ZAV_FAKE_SHARE_CACHE", nullptr);
  SetEnvironmentVariableA("ZAV_FAKE_SHARE_RECORD", nullptr);
  return code;
}

}  // namespace

TEST(ShareModeEndToEnd, ExitCodeIsTheShareStatus) {
  TempFolder temp;
  const std::string record = temp.Sub("record.txt");
  const std::string arguments = "/SHARE=00123;" + temp.path() + "\\";

  LogCapture log;
  EXPECT_EQ(RunShareMode(ShareTestExe(), arguments, nullptr, nullptr, record), 0u);
  EXPECT_EQ(ReadTextFile(record), "ZAV 00123|" + temp.path() + "|127|S-1-1-0 10000000 3;\n");
  EXPECT_TRUE(log.Has("[  INFO] -------> Share folder -> " + temp.path() + "\\"));
  EXPECT_TRUE(log.Has("[  INFO] Net share added successfully"));

  // An existing share of that name: 2118, even though the helper counts it as success.
  EXPECT_EQ(RunShareMode(ShareTestExe(), arguments, "2118", nullptr, ""), 2118u);
  EXPECT_TRUE(log.Has("[  INFO] Net share already exists with this name"));
  // Not elevated, and the caching failed as well.
  EXPECT_EQ(RunShareMode(ShareTestExe(), arguments, "5", "5", ""), 5u);
  EXPECT_TRUE(log.Has("[  INFO] Net share add failed 5"));
  EXPECT_TRUE(log.Has("[  INFO] Net share cache settings edit failed 5"));
}

TEST(ShareModeEndToEnd, ShippedSetupRefusesMissingFolderBeforeSharing) {
  TempFolder temp;
  // The real executable: a missing folder ends with 3 before any share call.
  EXPECT_EQ(RunShareMode(SetupExePath(), "/SHARE=00123;" + temp.Sub("manca"), nullptr, nullptr, ""),
            3u);
}
