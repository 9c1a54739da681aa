#include "log/setup_log.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>

#include <map>
#include <regex>
#include <sstream>
#include <thread>
#include <vector>

#include "support/process.h"
#include "sys/fs_utils.h"
#include "support/temp_folder.h"

namespace {

std::vector<std::string> Lines(const std::string& bytes) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < bytes.size()) {
    const size_t end = bytes.find("\r\n", start);
    if (end == std::string::npos) {
      lines.push_back(bytes.substr(start));  // an unterminated tail is a fault
      break;
    }
    lines.push_back(bytes.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

const std::regex kLinePattern(R"(^\[\d{8}@\d{2}:\d{2}:\d{2}:\d{3}\] .*)");

class SetupLogTest : public testing::Test {
 protected:
  void SetUp() override { DeleteLog(); }
  void TearDown() override { DeleteLog(); }
};

}  // namespace

TEST(LogFormat, TimestampIsZeroPaddedWithFullYear) {
  EXPECT_EQ(FormatLogTimestamp(2026, 12, 8, 14, 5, 9, 42), "[20261208@14:05:09:042]");
  EXPECT_EQ(FormatLogTimestamp(2027, 1, 2, 0, 0, 0, 7), "[20270102@00:00:00:007]");
  EXPECT_EQ(FormatLogLine("[T]", "[  INFO] Start application"),
            "[T] [  INFO] Start application\r\n");
  // Text-mode writing turns every line feed inside a message into CR LF.
  EXPECT_EQ(FormatLogLine("[T]", "a\nb"), "[T] a\r\nb\r\n");
}

TEST_F(SetupLogTest, FolderIsLocalAppDataQel) {
  char local[MAX_PATH];
  ASSERT_TRUE(SHGetSpecialFolderPathA(nullptr, local, CSIDL_LOCAL_APPDATA, FALSE));
  EXPECT_EQ(GetLogFolder(), std::string(local) + "\\QEL");
  EXPECT_EQ(GetLogFilePath(), std::string(local) + "\\QEL\\QEL_setup_log.txt");
  // No user folder: no log, rather than a folder at the root of the current drive.
  EXPECT_EQ(LogFolderUnder(""), "");
  EXPECT_EQ(LogFolderUnder("C:\\Dati"), "C:\\Dati\\QEL");
}

TEST_F(SetupLogTest, LinesAreAppendedAsWindows1252WithCrLfAndNoBom) {
  WriteLog("[  INFO] Start application");
  WriteLog("[* WARN] unità è già così");
  const std::string bytes = ReadTextFile(GetLogFilePath());
  ASSERT_FALSE(bytes.empty());
  EXPECT_NE(static_cast<unsigned char>(bytes[0]), 0xEF);  // no UTF-8 byte-order mark
  const std::vector<std::string> lines = Lines(bytes);
  ASSERT_EQ(lines.size(), 2u);
  for (const std::string& line : lines) EXPECT_TRUE(std::regex_match(line, kLinePattern)) << line;
  EXPECT_EQ(lines[0].substr(24), "[  INFO] Start application");
  EXPECT_EQ(lines[1].substr(24), "[* WARN] unit\xE0 \xE8 gi\xE0 cos\xEC");
  EXPECT_EQ(bytes.substr(bytes.size() - 2), "\r\n");
}

TEST_F(SetupLogTest, DeletedFolderIsRecreatedAndDeleteLogEmptiesTheFile) {
  WriteLog("[  INFO] first");
  DeleteLog();
  RemoveDirectoryA(GetLogFolder().c_str());
  ASSERT_FALSE(FileExists(GetLogFolder()));
  WriteLog("[  INFO] second");
  const std::vector<std::string> lines = Lines(ReadTextFile(GetLogFilePath()));
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NE(lines[0].find("[  INFO] second"), std::string::npos);
}

TEST_F(SetupLogTest, ExclusivelyLockedFileLosesLinesAndCarriesOn) {
  WriteLog("[  INFO] before");
  HANDLE lock = CreateFileA(GetLogFilePath().c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(lock, INVALID_HANDLE_VALUE);
  WriteLog("[  INFO] lost");
  CloseHandle(lock);
  WriteLog("[  INFO] after");
  const std::string bytes = ReadTextFile(GetLogFilePath());
  EXPECT_EQ(bytes.find("lost"), std::string::npos);
  EXPECT_NE(bytes.find("before"), std::string::npos);
  EXPECT_NE(bytes.find("after"), std::string::npos);
}

// Another program holding a byte-range lock over the whole file must not hang the setup:
// the line is given up after a short wait (Windows then refuses the write; Wine lets it
// through), the setup goes on, and later lines arrive.
TEST_F(SetupLogTest, WholeFileRangeLockedByAnotherProgramDoesNotHangTheSetup) {
  WriteLog("[  INFO] before");
  ChildProcess locker;
  const std::string writer = UnixToWindowsPath(LOG_WRITER_UNIX);
  ASSERT_TRUE(locker.Start(writer, "lock 20000"));
  // Wait until the child holds its lock: the range the log writers use is then taken.
  HANDLE probe = CreateFileA(GetLogFilePath().c_str(), GENERIC_READ,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(probe, INVALID_HANDLE_VALUE);
  bool taken = false;
  for (int i = 0; i < 300 && !taken; ++i) {
    OVERLAPPED range = {};
    range.Offset = 0xFFFFFFF0;
    range.OffsetHigh = 0x7FFFFFFF;
    taken =
        !LockFileEx(probe, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &range);
    if (!taken) {
      UnlockFileEx(probe, 0, 1, 0, &range);
      Sleep(100);
    }
  }
  CloseHandle(probe);
  ASSERT_TRUE(taken) << "the locking process never took its lock";
  DWORD code = 0;
  ASSERT_FALSE(locker.Wait(0, &code)) << "the locking process ended with " << code;

  const ULONGLONG start = GetTickCount64();
  std::thread blocked([] { WriteLog("[  INFO] during the lock"); });
  blocked.join();
  const ULONGLONG elapsed = GetTickCount64() - start;
  EXPECT_LT(elapsed, 10000u) << "the line waited for the foreign lock";
  const bool still_locked = !locker.Wait(0, &code);
  locker.Kill();
  ASSERT_TRUE(still_locked) << "the lock ended before the line was written";

  WriteLog("[  INFO] after");
  const std::string bytes = ReadTextFile(GetLogFilePath());
  EXPECT_NE(bytes.find("before"), std::string::npos);
  EXPECT_NE(bytes.find("after"), std::string::npos);
}

// Lines of several threads and of two other processes must all arrive, each one whole.
TEST_F(SetupLogTest, ThreadsAndProcessesInterleaveWholeLines) {
  const int per_thread = 150;
  ChildProcess first, second;
  const std::string writer = UnixToWindowsPath(LOG_WRITER_UNIX);
  ASSERT_TRUE(first.Start(writer, "procA " + std::to_string(per_thread)));
  ASSERT_TRUE(second.Start(writer, "procB " + std::to_string(per_thread)));
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([t] {
      for (int i = 0; i < per_thread; ++i)
        WriteLog("[  INFO] self t" + std::to_string(t) + " line " + std::to_string(i) +
                 " unità perché così");
    });
  for (std::thread& t : threads) t.join();
  DWORD code = 1;
  ASSERT_TRUE(first.Wait(120000, &code));
  EXPECT_EQ(code, 0u);
  ASSERT_TRUE(second.Wait(120000, &code));
  EXPECT_EQ(code, 0u);

  const std::vector<std::string> lines = Lines(ReadTextFile(GetLogFilePath()));
  EXPECT_EQ(lines.size(), static_cast<size_t>(8 * per_thread));
  const std::regex whole(
      R"(^\[\d{8}@\d{2}:\d{2}:\d{2}:\d{3}\] \[  INFO\] (\w+ \w+) line (\d+) unit\xE0 perch\xE9 cos\xEC$)");
  std::map<std::string, int> next;  // each writer's lines arrive in its own order
  for (const std::string& line : lines) {
    std::smatch m;
    ASSERT_TRUE(std::regex_match(line, m, whole)) << "torn line: " << line;
    EXPECT_EQ(std::stoi(m[2]), next[m[1]]++) << line;
  }
  EXPECT_EQ(next.size(), 8u);
}
