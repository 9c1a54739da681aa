// Share creation and lookup against the fake share table (Wine has no share management).
#include "sys/net_share.h"

#include <gtest/gtest.h>

#include "fake_share_service.h"
#include "log_capture.h"

namespace {
const char kFolder[] = "C:\\Uffici\\PM04711\\";
}

TEST(CreateOfficeShare, SharesFolderWithoutTrailingBackslashForEveryone) {
  FakeShareService fake;
  ScopedShareService scope(&fake);
  LogCapture log;
  int status = -1;
  EXPECT_TRUE(CreateOfficeShare("04711", "", kFolder, &status));
  EXPECT_EQ(status, 0);
  ASSERT_EQ(fake.added.size(), 1u);
  const ShareAddRecord& record = fake.added[0].record;
  EXPECT_EQ(record.name, "ZAV 04711");
  EXPECT_EQ(record.path, "C:\\Uffici\\PM04711");
  EXPECT_EQ(record.type, 0u);
  EXPECT_EQ(record.remark, "");
  EXPECT_EQ(record.permissions, 127u);
  EXPECT_EQ(record.max_uses, 0xFFFFFFFFu);
  EXPECT_EQ(record.current_uses, 0u);
  // One entry: Everyone, GENERIC_ALL, object and container inherit.
  EXPECT_EQ(fake.added[0].dacl, "S-1-1-0 10000000 3;");
  ASSERT_EQ(fake.cache_calls.size(), 1u);
  EXPECT_EQ(fake.cache_calls[0].first, "ZAV 04711");
  EXPECT_EQ(fake.cache_calls[0].second, 0x30u);
  EXPECT_EQ(log.MessagesWith("Net share"),
            (std::vector<std::string>{"[  INFO] Net share added successfully",
                                      "[  INFO] Net share cache settings edited successfully"}));
  EXPECT_TRUE(OfficeShareExists("04711"));
  EXPECT_FALSE(OfficeShareExists("04712"));
  EXPECT_FALSE(OfficeShareExists("4711"));
}

TEST(CreateOfficeShare, SecondCallCountsDuplicateAsSuccess) {
  FakeShareService fake;
  ScopedShareService scope(&fake);
  ASSERT_TRUE(CreateOfficeShare("04711", "", kFolder, nullptr));  // no status wanted
  LogCapture log;
  int status = -1;
  EXPECT_TRUE(CreateOfficeShare("04711", "", kFolder, &status));
  EXPECT_EQ(status, 2118);
  EXPECT_TRUE(log.Has("[  INFO] Net share already exists with this name"));
  EXPECT_TRUE(log.Has("[  INFO] Net share cache settings edited successfully"));
  EXPECT_EQ(fake.cache_calls.size(), 2u);
}

TEST(CreateOfficeShare, FailuresAreReportedWithTheirCodes) {
  FakeShareService fake;
  ScopedShareService scope(&fake);
  fake.add_result = 5;  // not elevated
  LogCapture log;
  int status = -1;
  EXPECT_FALSE(CreateOfficeShare("04711", "", kFolder, &status));
  EXPECT_EQ(status, 5);
  EXPECT_EQ(log.MessagesWith("Net share"),
            (std::vector<std::string>{"[  INFO] Net share add failed 5",
                                      "[  INFO] Net share cache settings edit failed 2310"}));

  // Added, but caching could not be turned off: the share exists, the result is false.
  FakeShareService second;
  ScopedShareService scope2(&second);
  second.cache_result = 50;
  EXPECT_FALSE(CreateOfficeShare("04711", "", "C:\\Uffici\\PM04711", &status));
  EXPECT_EQ(status, 0);
  EXPECT_EQ(second.added[0].record.path, "C:\\Uffici\\PM04711");
  EXPECT_TRUE(OfficeShareExists("04711"));
}

TEST(FindShareForPath, ComparesWholePathsCaseSensitively) {
  FakeShareService fake;
  ScopedShareService scope(&fake);
  fake.servers[""] = {{"IPC$", ""},
                      {"C$", "C:\\"},
                      {"ufficio", "c:\\uffici\\pm04711"},
                      {"Dati", "C:\\Dati\\"},
                      {"ZAV 04711", "C:\\Uffici\\PM04711"}};
  std::string name;
  EXPECT_TRUE(FindShareForPath("C:\\Uffici\\PM04711\\", name));
  EXPECT_EQ(name, "ZAV 04711");
  name.clear();
  EXPECT_TRUE(FindShareForPath("C:\\Dati", name));  // backslash added to either side
  EXPECT_EQ(name, "Dati");
  EXPECT_TRUE(FindShareForPath("C:\\", name));
  EXPECT_EQ(name, "C$");
  name = "unchanged";
  EXPECT_FALSE(FindShareForPath("C:\\UFFICI\\PM04711\\", name));
  EXPECT_FALSE(FindShareForPath("C:\\Uffici", name));
  EXPECT_EQ(name, "unchanged");
  EXPECT_EQ(fake.enum_calls.front(), ":502");

  // Answers that come in pieces are read to the end.
  fake.batch_size = 2;
  fake.enum_calls.clear();
  EXPECT_TRUE(FindShareForPath("C:\\Uffici\\PM04711", name));
  EXPECT_EQ(name, "ZAV 04711");
  EXPECT_EQ(fake.enum_calls.size(), 3u);

  fake.enum_errors[""] = 53;
  EXPECT_FALSE(FindShareForPath("C:\\Dati\\", name));
}

TEST(IsDestinationShared, FolderThenParentAndDollarSharesDoNotCount) {
  FakeShareService fake;
  ScopedShareService scope(&fake);
  fake.servers[""] = {{"C$", "C:\\"}, {"Studio", "D:\\Studio"}, {"PM1", "E:\\Uffici\\PM1"}};

  {
    LogCapture log;
    EXPECT_TRUE(IsDestinationShared("E:\\Uffici\\PM1\\"));
    EXPECT_EQ(log.MessagesWith("Destination"),
              (std::vector<std::string>{"[  INFO] Destination folder already shared as PM1"}));
  }
  {
    LogCapture log;
    EXPECT_TRUE(IsDestinationShared("D:\\Studio\\PM00001\\"));
    EXPECT_EQ(
        log.MessagesWith("Destination"),
        (std::vector<std::string>{"[  INFO] Destination folder D:\\Studio\\PM00001\\ not shared",
                                  "[  INFO] Destination parent folder already shared as Studio"}));
  }
  {
    // A folder right below a drive root reached only through the drive's default share.
    LogCapture log;
    EXPECT_FALSE(IsDestinationShared("C:\\PM00001\\"));
    EXPECT_EQ(log.MessagesWith("Destination"),
              (std::vector<std::string>{
                  "[  INFO] Destination folder C:\\PM00001\\ not shared",
                  "[  INFO] Destination parent folder already shared as C$",
                  "[  INFO] Destination parent folder already shared with predefined connection"}));
  }
  {
    LogCapture log;
    EXPECT_FALSE(IsDestinationShared("F:\\Altro\\PM00001\\"));
    EXPECT_EQ(
        log.MessagesWith("Destination"),
        (std::vector<std::string>{"[  INFO] Destination folder F:\\Altro\\PM00001\\ not shared",
                                  "[  INFO] Destination parent folder F:\\Altro not shared"}));
  }
}
