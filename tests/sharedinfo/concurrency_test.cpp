// Two processes register workstations of the same office and year at the same time.
#include <gtest/gtest.h>
#include <windows.h>

#include <iostream>

#include "sharedinfo/sharedinfo.h"
#include "sharedinfo_test_util.h"
#include "support/process.h"
#include "support/temp_folder.h"

namespace {
std::string HelperPath() {
  char module[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, module, MAX_PATH);
  std::string folder(module);
  folder.resize(folder.find_last_of('\\') + 1);
  return folder + "sharedinfo_register_helper.exe";
}
}  // namespace

TEST(Concurrency, TwoProcessesGetDistinctNumbersAndCompleteRows) {
  const int kRounds = 60;
  TempFolder temp;
  const std::string path = NewSharedInfo(temp.path());
  const std::string event_name = "zav_sharedinfo_start_" + std::to_string(GetCurrentProcessId());
  HANDLE start = CreateEventA(nullptr, TRUE, FALSE, event_name.c_str());
  ASSERT_NE(nullptr, start);
  LogWatch log;
  ChildProcess a, b;
  const std::string common = "\"" + path + "\" 01234 2021 " + std::to_string(kRounds) + " ";
  ASSERT_TRUE(a.Start(HelperPath(), common + "A " + event_name));
  ASSERT_TRUE(b.Start(HelperPath(), common + "B " + event_name));
  for (const char* tag : {"A", "B"}) {
    const std::string ready_name = event_name + "_" + tag;
    HANDLE ready = nullptr;
    for (int i = 0; i < 600 && !ready; ++i) {
      ready = OpenEventA(SYNCHRONIZE, FALSE, ready_name.c_str());
      if (!ready) Sleep(50);
    }
    ASSERT_NE(nullptr, ready) << "helper " << tag << " never got ready";
    CloseHandle(ready);
  }
  SetEvent(start);
  DWORD code_a = 0, code_b = 0;
  ASSERT_TRUE(a.Wait(300000, &code_a));
  ASSERT_TRUE(b.Wait(300000, &code_b));
  CloseHandle(start);
  ASSERT_GE(code_a, 1000u);
  ASSERT_GE(code_b, 1000u);
  const long long done = (code_a - 1000) + (code_b - 1000);
  std::cout << done << " of " << 2 * kRounds << " registrations went through\n";
  // A registration may give up after the busy timeout on a slow machine; it must then have
  // said so and written nothing. Most of them must get through.
  EXPECT_GE(done, 2 * kRounds * 9 / 10);
  EXPECT_EQ(2 * kRounds - done, log.Count("during database access in"));

  EXPECT_EQ(1, QueryInt(path, "SELECT count(*) FROM SwExt WHERE anno='2021'"));
  EXPECT_EQ(done, QueryInt(path, "SELECT count(*) FROM Workpoint"));
  EXPECT_EQ(done, QueryInt(path, "SELECT count(DISTINCT pdl) FROM Workpoint WHERE pm='01234'"));
  EXPECT_EQ(done, QueryInt(path, "SELECT max(pdl) FROM Workpoint"));
  EXPECT_EQ(0, QueryInt(path,
                        "SELECT count(*) FROM Workpoint w WHERE (SELECT count(*) FROM "
                        "Workpoint_SwExt ws WHERE ws.idWorkpoint = w.idWorkpoint AND "
                        "ws.idSwExt = (SELECT idSwExt FROM SwExt)) <> 1"));
  EXPECT_EQ(done, QueryInt(path, "SELECT count(*) FROM Workpoint_SwExt"));
  // Both processes really ran side by side: their numbers interleave.
  EXPECT_GT(QueryInt(path,
                     "SELECT count(*) FROM (SELECT substr(assignee, 1, 4) AS who, "
                     "lag(substr(assignee, 1, 4)) OVER (ORDER BY pdl) AS before "
                     "FROM Workpoint) WHERE who <> before"),
            2);
}
