// Mapping a network folder to a letter, against fake connections (Wine has none).
#include "sys/drive_mapping.h"

#include <gtest/gtest.h>

#include "fake_network.h"
#include "log_capture.h"

namespace {
constexpr unsigned int kFixed = 3;
constexpr unsigned int kRemote = 4;
}  // namespace

TEST(MapNetworkDrive, FindsAnExistingMappingInAnyLetterCase) {
  FakeDriveMappingService fake;
  ScopedDriveMappingService scope(&fake);
  fake.At('C').drive_type = kFixed;
  fake.At('K') = {0, "\\\\Server\\Dati\\PM00123", kRemote};
  LogCapture log;
  std::string drive;
  EXPECT_TRUE(MapNetworkDrive("\\\\server\\dati\\pm00123\\", drive));
  EXPECT_EQ(drive, "K:");
  EXPECT_TRUE(fake.use_calls.empty());
  EXPECT_TRUE(log.Has("[  INFO] Net share \\\\SERVER\\DATI\\PM00123 already mapped as K:"));

  // The same folder without the trailing backslash gives the same answer.
  std::string again;
  EXPECT_TRUE(MapNetworkDrive("\\\\SERVER\\DATI\\PM00123", again));
  EXPECT_EQ(again, "K:");
}

TEST(MapNetworkDrive, MapsTheHighestFreeLetter) {
  FakeDriveMappingService fake;
  ScopedDriveMappingService scope(&fake);
  fake.At('C').drive_type = kFixed;
  fake.At('D').drive_type = kFixed;
  LogCapture log;
  std::string drive;
  EXPECT_TRUE(MapNetworkDrive("\\\\srv\\Uffici\\PM00123\\", drive));
  EXPECT_EQ(drive, "Z:\\");
  ASSERT_EQ(fake.use_calls.size(), 1u);
  EXPECT_EQ(fake.use_calls[0].first, "Z:");
  EXPECT_EQ(fake.use_calls[0].second, "\\\\SRV\\UFFICI\\PM00123");
  EXPECT_EQ(log.MessagesWith("] Found candidate"),
            (std::vector<std::string>{"[  INFO] Found candidate -> Z:"}));
  EXPECT_TRUE(log.Has("[  INFO] Mapping unit created successfully"));

  // A connection that names no access path still reaches the letter asked for: never a
  // drive of a lone backslash.
  fake.use_access_name_blank = true;
  EXPECT_TRUE(MapNetworkDrive("\\\\srv\\Altro", drive));
  EXPECT_EQ(drive, "Z:\\");

  // A remembered, disconnected drive on Z: names another folder: Z: is not free.
  FakeDriveMappingService remembered;
  ScopedDriveMappingService scope2(&remembered);
  remembered.At('Z') = {1201 /* ERROR_CONNECTION_UNAVAIL */, "\\\\VECCHIO\\X", 1};
  remembered.At('Y') = {1222 /* no network: the name is not to be trusted */, "junk", 1};
  EXPECT_TRUE(MapNetworkDrive("\\\\srv\\Uffici", drive));
  EXPECT_EQ(drive, "Y:\\");
  // ... and when it names the very folder, that letter is the answer.
  EXPECT_TRUE(MapNetworkDrive("\\\\vecchio\\x", drive));
  EXPECT_EQ(drive, "Z:");
}

TEST(MapNetworkDrive, RealDriveTypesOfThePrefixLeaveUsedLettersAlone) {
  FakeDriveMappingService fake;
  ScopedDriveMappingService scope(&fake);
  fake.real_drive_types = true;  // C:, D:, E:, F:, N: and Z: exist in the test prefix
  std::string drive;
  ASSERT_TRUE(MapNetworkDrive("\\\\srv\\Uffici", drive));
  EXPECT_EQ(drive, "Y:\\");
}

TEST(MapNetworkDrive, FailuresLogTheirReason) {
  FakeDriveMappingService fake;
  ScopedDriveMappingService scope(&fake);
  std::string drive = "unchanged";
  {
    LogCapture log;
    EXPECT_FALSE(MapNetworkDrive("", drive));
    EXPECT_TRUE(log.Has("[* WARN] Empty net share"));
  }
  {
    FakeDriveMappingService full;
    ScopedDriveMappingService full_scope(&full);
    for (auto& letter : full.letters) letter.drive_type = kFixed;
    LogCapture log;
    EXPECT_FALSE(MapNetworkDrive("\\\\srv\\x", drive));
    EXPECT_TRUE(log.Has("[* WARN] No candidate found"));
    EXPECT_TRUE(full.use_calls.empty());
  }
  const std::pair<unsigned long, std::string> failures[] = {
      {5, "[* WARN] Mapping unit not created, due to access denied"},
      {67, "[* WARN] Mapping unit not created, bad net name"},
      {1222, "[* WARN] Mapping unit not created -> 1222"}};
  for (const auto& failure : failures) {
    fake.use_result = failure.first;
    LogCapture log;
    EXPECT_FALSE(MapNetworkDrive("\\\\srv\\x", drive));
    EXPECT_TRUE(log.Has(failure.second)) << failure.first;
  }
  fake.use_result = 0;
  fake.use_access_name = "\\\\srv\\x";  // connected, but without a drive letter
  LogCapture log;
  EXPECT_FALSE(MapNetworkDrive("\\\\srv\\x", drive));
  EXPECT_TRUE(log.Has("[* WARN] No valid unit created"));
  EXPECT_EQ(drive, "unchanged");
  // A lone backslash is no folder either.
  LogCapture empty_log;
  EXPECT_FALSE(MapNetworkDrive("\\", drive));
  EXPECT_TRUE(empty_log.Has("[* WARN] Empty net share"));
}
