// Files shared with the sqlite3 command-line tool (run on the Linux side by cli_check.sh):
// one written by the tool that we must read and extend, one written by us that the tool
// checks. The folder comes from ZAV_SHAREDINFO_CLI_DIR.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <utility>

#include "sharedinfo/sharedinfo.h"
#include "sharedinfo_test_util.h"
#include "support/process.h"
#include "support/temp_folder.h"
#include "sys/identity.h"

namespace {
std::string CliFolder() {
  const char* dir = std::getenv("ZAV_SHAREDINFO_CLI_DIR");
  return dir ? UnixToWindowsPath(dir) : std::string();
}

std::string Hex(const std::string& bytes) {
  std::string text;
  char pair[3];
  for (unsigned char c : bytes) {
    std::snprintf(pair, sizeof(pair), "%02X", c);
    text += pair;
  }
  return text;
}
}  // namespace

TEST(CliInterop, ReadsAndExtendsAFileWrittenByTheTool) {
  const std::string folder = CliFolder();
  if (folder.empty()) GTEST_SKIP() << "run through CTest";
  const std::string path = folder + "\\tool\\SharedInfo";
  ASSERT_TRUE(FileExists(path));
  std::vector<WorkpointInfo> list;
  ASSERT_EQ(0, ParseSharedInfo(path, 2021, &list));
  ASSERT_EQ(2u, list.size());
  if (list[0].anno != 2021) std::swap(list[0], list[1]);
  EXPECT_EQ("00042", list[0].pm);
  EXPECT_EQ("3", list[0].pdl);
  EXPECT_EQ(2021, list[0].anno);
  EXPECT_EQ("\\\\SERVER\\Studio\\", list[0].path);
  EXPECT_EQ("\\home\\BIN\\wrun32.exe", list[0].cmdline);
  EXPECT_EQ(2020, list[1].anno);
  int id = 0;
  ASSERT_EQ(0, CheckInstallation(path, "2021", &id));
  EXPECT_EQ(1, id);
  ASSERT_EQ(0, AddPdlEntry(path, "00042", "pw", id, "C:\\Studio\\"));
  EXPECT_EQ((std::vector<int>{3, 4}), Pdls(path, "00042", "2021"));
}

TEST(CliInterop, WritesAFileForTheToolToCheck) {
  const std::string folder = CliFolder();
  if (folder.empty()) GTEST_SKIP() << "run through CTest";
  const std::string path = folder + "\\ours\\SharedInfo";
  ASSERT_EQ(0, CreateSharedInfo(path));
  int id = 0;
  ASSERT_EQ(0, CheckInstallation(path, "2021", &id));
  const std::string password("p\xE4ssw\xF6rd", 8);  // "pässwörd" in Windows-1252
  ASSERT_EQ(0, AddPdlEntry(path, "01234", password, id, "C:\\Studio\\"));
  ASSERT_EQ(0, AddPdlEntry(path, "01234", password, id, "D:\\Altro\\", "ALTRO-PC\\anna"));
  bool created = false;
  ASSERT_EQ(0, DuplicateEntireYear(path, "01234", "2021", &created));
  ASSERT_TRUE(created);
  // What the tool must find, one "name=value" a line.
  const std::string expected = "pwd_hex=" + Hex(ScramblePassword(password)) +
                               "\npwd_bytes=" + std::to_string(password.size()) +
                               "\nassignee_hex=" + Hex(GetCurrentAssignee()) + "\nworkpoints=7\n";
  ASSERT_TRUE(WriteTextFile(folder + "\\ours\\expected.txt", expected));
}
