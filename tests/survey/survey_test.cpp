// The survey of earlier installations on fixture disks (temporary folders stand in for
// drive roots; the disk list itself is read from the Wine prefix's drives).
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <cstdio>

#include "sharedinfo/sharedinfo.h"
#include "support/temp_folder.h"
#include "survey/setting.h"
#include "survey/version_folder.h"
#include "survey_fixtures.h"
#include "sys/log_capture.h"
#include "sys/fs_utils.h"
#include "sys/identity.h"

namespace {

class Survey : public testing::Test {
 protected:
  // A "disk" root: a folder of the test ending with a backslash.
  std::string Disk(const std::string& name) {
    const std::string root = temp_.Sub(name);
    EXPECT_TRUE(CreateDirectoryTree(root));
    return root + "\\";
  }
  void UseDisks(const std::vector<std::string>& disks) {
    setting_.year_folder = "ZAV2021";
    setting_.current_year = "2021";
    setting_.disks = disks;
  }
  const InstallRecord* Orphan(const std::string& zav_path) const {
    for (const auto& o : setting_.orphans)
      if (o->zav_path == zav_path) return o.get();
    return nullptr;
  }

  TempFolder temp_;
  CSetting setting_;
};

}  // namespace

TEST_F(Survey, OfficeFoldersNameTheirOfficeThroughAnyOfTheThreeFiles) {
  const std::string d = Disk("d1");
  MakeOlinfFor(d + "ZAV\\PM01234\\ZAV2021", "01234", "segret");
  MakeUffaut(d + "ZAV\\PM00042\\ZAV2021", 42);
  MakeUffaut(d + "ZAV\\PM06669\\ZAV2021", 0x1A0D);  // end-of-file and CR bytes as the number
  MakeInstallaMod(d + "ZAV\\PM00077\\ZAV2021", std::string("77\0\0\0pw\0\0\0\0\0\0", 13));
  ASSERT_TRUE(CreateDirectoryTree(d + "ZAV\\PM00088\\ZAV2021\\HOME\\BIN"));  // no file at all
  ASSERT_TRUE(CreateDirectoryTree(d + "ZAV\\PM00099"));                      // no ZAV2021
  MakeFile(d + "ZAV\\PM12345", "a file, not a folder");
  MakeOlinfFor(d + "ZAV\\QEL01\\ZAV2021", "05555", "x");  // not an office folder name
  UseDisks({d});

  LogCapture log;
  ASSERT_EQ(setting_.CheckForPreviousPlatform(), 0);
  EXPECT_TRUE(setting_.installs.empty());
  ASSERT_EQ(setting_.orphans.size(), 4u);

  const InstallRecord* a = Orphan(d + "ZAV\\PM01234\\ZAV2021");
  ASSERT_TRUE(a);
  EXPECT_EQ(a->pm, "01234");
  EXPECT_EQ(a->password, "segret");
  EXPECT_EQ(a->year, "2021");
  EXPECT_EQ(a->setup_path, d + "ZAV\\PM01234\\");
  EXPECT_EQ(a->kind, 1);
  EXPECT_FALSE(a->registered || a->valid || a->new_office);
  const InstallRecord* b = Orphan(d + "ZAV\\PM00042\\ZAV2021");
  ASSERT_TRUE(b);
  EXPECT_EQ(b->pm, "00042");
  const InstallRecord* e = Orphan(d + "ZAV\\PM06669\\ZAV2021");
  ASSERT_TRUE(e);
  EXPECT_EQ(e->pm, "06669");
  const InstallRecord* c = Orphan(d + "ZAV\\PM00077\\ZAV2021");
  ASSERT_TRUE(c);
  EXPECT_EQ(c->pm, "00077");
  EXPECT_EQ(c->password, "pw");

  const auto messages = log.Messages();
  const int qel = FindMessage(messages, "[  INFO] Looking for QEL");
  const int first = FindMessage(messages, "[  INFO] Looking for Moltra in ZAV/PM<ccccc>", qel);
  const int zav = FindMessage(messages, "[  INFO] Looking for Moltra -> " + d + "ZAV", first);
  const int second =
      FindMessage(messages, "[  INFO] Looking for Moltra in ZAV<aaaa> in 2nd level", zav);
  const int root = FindMessage(messages, "[  INFO] Looking for Moltra in ZAV<aaaa - 1>", second);
  EXPECT_TRUE(qel >= 0 && first > qel && zav > first && second > zav && root > second);
  EXPECT_GE(FindMessage(messages, "[  INFO] Looking for Sharedinfo -> " + d +
                                      "ZAV\\PM01234\\ZAV_Shared\\SharedInfo"),
            0);
  EXPECT_GE(FindMessage(messages, "[  INFO] Looking for Moltra -> " + d + "ZAV2021", root), 0);
  EXPECT_GE(FindMessage(messages, "[  INFO] Looking for Moltra -> " + d + "ZAV2021\\\\", root), 0);
}

TEST_F(Survey, FirstLevelAndRootInstallsAreFoundDeeperOnesAreNot) {
  const std::string d = Disk("d1");
  MakeOlinfFor(d + "Studio\\ZAV2021", "01234", "abc");
  MakeUffaut(d + "ZAV2021", 1234);
  MakeOlinfFor(d + "a\\b\\ZAV2021", "07777", "deep");
  MakeOlinfFor(d + "Old\\ZAV2020", "06666", "old");
  MakeFile(d + "readme.txt", "x");
  UseDisks({d});

  LogCapture log;
  ASSERT_EQ(setting_.CheckForPreviousPlatform(), 0);
  ASSERT_EQ(setting_.orphans.size(), 2u);
  const InstallRecord* studio = Orphan(d + "Studio\\ZAV2021");
  ASSERT_TRUE(studio);
  EXPECT_EQ(studio->pm, "01234");
  EXPECT_EQ(studio->setup_path, d + "Studio\\");
  const InstallRecord* root = Orphan(d + "ZAV2021");
  ASSERT_TRUE(root);
  EXPECT_EQ(root->pm, "01234");
  EXPECT_EQ(root->setup_path, d);

  const auto messages = log.Messages();
  const int checking = FindMessage(messages, "[  INFO] Checking folder -> " + d + "readme.txt");
  ASSERT_GE(checking, 0);
  EXPECT_EQ(messages[checking + 1], "[  INFO] Skipping, not valid folder");
  const int studio_line = FindMessage(messages, "[  INFO] Checking folder -> " + d + "Studio");
  ASSERT_GE(studio_line, 0);
  EXPECT_EQ(messages[studio_line + 1],
            "[  INFO] Looking for Sharedinfo -> " + d + "Studio\\ZAV_Shared\\SharedInfo");
  EXPECT_EQ(messages[studio_line + 2], "[  INFO] Looking for Moltra -> " + d + "Studio\\ZAV2021");
  EXPECT_GE(FindMessage(messages, "[  INFO] Looking for Moltra -> " + d + "ZAV2021\\ZAV2021\\"), 0);
}

TEST_F(Survey, DamagedOrShortOfficeFilesKeepTheFolderWithoutInventingACode) {
  const std::string d = Disk("d1");
  std::string junk;
  for (int i = 0; i < 4096; ++i) {
    const char c = static_cast<char>((i * 7919 + 13) % 251 + 1);
    junk.push_back(c == '[' ? 'x' : c);  // no section header anywhere
  }
  junk[100] = '\0';
  MakeFile(d + "Junk\\ZAV2021\\HOME\\BIN\\ZAVOLINF.TXT", junk);
  MakeUffaut(d + "Junk\\ZAV2021", 321);  // the junk gives no PROT: uffaut decides
  MakeFile(d + "Short\\ZAV2021\\FILES\\uffaut", "0123456789");
  MakeInstallaMod(d + "Tiny\\ZAV2021", "123");
  MakeFile(d + "Empty\\ZAV2021\\HOME\\BIN\\ZAVOLINF.TXT", "[DATA]\r\nPROT=\r\n");
  UseDisks({d});

  ASSERT_EQ(setting_.CheckForPreviousPlatform(), 0);
  const InstallRecord* junk_record = Orphan(d + "Junk\\ZAV2021");
  ASSERT_TRUE(junk_record);
  EXPECT_EQ(junk_record->pm, "00321");
  // A file that is there but too short leaves the code empty; the folder stays listed.
  const InstallRecord* short_record = Orphan(d + "Short\\ZAV2021");
  ASSERT_TRUE(short_record);
  EXPECT_EQ(short_record->pm, "");
  const InstallRecord* tiny = Orphan(d + "Tiny\\ZAV2021");
  ASSERT_TRUE(tiny);
  EXPECT_EQ(tiny->pm, "");
  EXPECT_EQ(tiny->password, "");
  EXPECT_EQ(Orphan(d + "Empty\\ZAV2021"), nullptr);  // empty PROT and nothing else
  EXPECT_EQ(setting_.orphans.size(), 3u);
}

TEST_F(Survey, ProtOfFewerThanFiveCharactersEndsTheSearch) {
  const std::string d = Disk("d1");
  MakeOlinf(d + "ZAV\\PM01234\\ZAV2021", EncodeProt("0123"));
  UseDisks({d});
  LogCapture log;
  EXPECT_EQ(setting_.CheckForPreviousPlatform(), 1);
  EXPECT_GE(FindMessage(log.Messages(), "[* WARN] Exception on CSetting::CheckForPreviousPlatform"),
            0);
  // Without a year folder name the search cannot start either.
  CSetting empty;
  EXPECT_EQ(empty.CheckForPreviousPlatform(), 1);
}

TEST_F(Survey, FilesHeldOpenExclusivelyCountAsMissing) {
  const std::string d = Disk("d1");
  const std::string zav = d + "Locked\\ZAV2021";
  MakeOlinfFor(zav, "01234", "abc");
  RegisterWorkpoint(d + "Locked", "01234", "abc", d + "Locked\\");
  const std::string olinf = zav + "\\HOME\\BIN\\ZAVOLINF.TXT";
  HANDLE held = CreateFileA(olinf.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  HANDLE held_db = CreateFileA(SharedInfoPath(d + "Locked").c_str(), GENERIC_READ, 0, nullptr,
                               OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  ASSERT_NE(held_db, INVALID_HANDLE_VALUE);
  UseDisks({d});
  EXPECT_EQ(setting_.CheckForPreviousPlatform(), 0);
  CloseHandle(held);
  CloseHandle(held_db);
  EXPECT_TRUE(setting_.installs.empty());
  EXPECT_TRUE(setting_.orphans.empty());
}

TEST_F(Survey, RegisteredInstallsReplaceOrphansAndComeInOrder) {
  const std::string d = Disk("d1");
  const std::string studio = d + "Studio";
  MakeOlinfFor(studio + "\\ZAV2021", "01234", "pw2021");
  MakeInstallaMod(studio + "\\ZAV2020", std::string("01234pw2020\0\0", 13));
  MakeFile(studio + "\\ZAV2021\\home\\BIN\\wrun32.exe", "MZ");
  RegisterWorkpoint(studio, "01234", "pw2020", studio + "\\", "2020");
  RegisterWorkpoint(studio, "01234", "pw2021", studio + "\\", "2021");
  RegisterWorkpoint(studio, "00500", "gone", d + "Gone\\", "2021");  // folder deleted
  RegisterWorkpoint(studio, "01234", "pw2021", studio + "\\", "2021", "ALTRO-PC\\anna");
  UseDisks({d});

  LogCapture log;
  ASSERT_EQ(setting_.CheckForPreviousPlatform(), 0);
  ASSERT_EQ(setting_.installs.size(), 3u);
  const InstallRecord& first = *setting_.installs[0];
  EXPECT_EQ(first.year, "2021");
  EXPECT_EQ(first.pdl, "1");
  EXPECT_EQ(first.assignee, GetCurrentAssignee());
  EXPECT_EQ(first.password, "pw2021");
  EXPECT_EQ(first.zav_path, studio + "\\ZAV2021");
  EXPECT_EQ(first.setup_path, studio + "\\");
  EXPECT_EQ(first.sharedinfo_path, SharedInfoPath(studio));
  EXPECT_TRUE(first.registered);
  EXPECT_TRUE(first.valid);
  EXPECT_EQ(first.kind, 1);
  const InstallRecord& second = *setting_.installs[1];
  EXPECT_EQ(second.year, "2021");
  EXPECT_EQ(second.assignee, "ALTRO-PC\\anna");
  EXPECT_EQ(second.pdl, "2");
  const InstallRecord& third = *setting_.installs[2];
  EXPECT_EQ(third.year, "2020");
  EXPECT_FALSE(third.valid);  // no runtime program in ZAV2020
  // Both folders are registered: no orphan is left.
  EXPECT_TRUE(setting_.orphans.empty());

  const auto messages = log.Messages();
  EXPECT_GE(FindMessage(messages, "[  INFO] Sharedinfo found -> " + SharedInfoPath(studio)), 0);
  EXPECT_GE(FindMessage(messages, "[  INFO] Sharedinfo item count -> 4"), 0);
}

TEST_F(Survey, TheSameDatabaseIsReadOnceWhateverItsPath) {
  const std::string d1 = Disk("d1");
  const std::string d2 = Disk("d2");
  const std::string studio = d1 + "Studio";
  MakeOlinfFor(studio + "\\ZAV2021", "01234", "pw");
  RegisterWorkpoint(studio, "01234", "pw", studio + "\\");
  // An identical copy elsewhere, and the original reached through another spelling.
  MakeFile(SharedInfoPath(d2 + "Copia"), ReadTextFile(SharedInfoPath(studio)));
  UseDisks({d1, d2});

  LogCapture log;
  ASSERT_EQ(setting_.CheckForPreviousPlatform(), 0);
  EXPECT_EQ(setting_.installs.size(), 1u);
  EXPECT_EQ(setting_.FindSharedInfo("\\\\?\\" + studio, 2021), 0);
  EXPECT_EQ(setting_.installs.size(), 1u);
  EXPECT_EQ(setting_.sharedinfo_digests.size(), 1u);
  const auto messages = log.Messages();
  EXPECT_GE(
      FindMessage(messages, "[  INFO] Duplicated Sharedinfo -> " + SharedInfoPath(d2 + "Copia")),
      0);
  EXPECT_GE(
      FindMessage(messages, "[  INFO] Duplicated Sharedinfo -> \\\\?\\" + SharedInfoPath(studio)),
      0);
  EXPECT_EQ(setting_.FindSharedInfo("", 2021), 14);
}

TEST_F(Survey, ANetworkCopyAfterAnEqualRecordIsDroppedNotBefore) {
  const std::string d = Disk("d1");
  const std::string local_root = d + "Studio\\";
  const std::string network_root = "\\\\?\\" + local_root;  // begins with a backslash
  MakeOlinfFor(local_root + "ZAV2021", "01234", "pw");
  RegisterWorkpoint(d + "Local", "01234", "pw", local_root);
  RegisterWorkpoint(d + "Net", "01234", "pw", network_root);

  setting_.FindSharedInfo(d + "Local", 2021);
  setting_.FindSharedInfo(d + "Net", 2021);
  ASSERT_EQ(setting_.installs.size(), 1u);
  EXPECT_EQ(setting_.installs[0]->zav_path, local_root + "ZAV2021");

  CSetting reversed;
  reversed.FindSharedInfo(d + "Net", 2021);
  reversed.FindSharedInfo(d + "Local\\", 2021);
  ASSERT_EQ(reversed.installs.size(), 2u);
  EXPECT_EQ(reversed.installs[0]->zav_path, network_root + "ZAV2021");
  EXPECT_EQ(reversed.installs[1]->zav_path, local_root + "ZAV2021");
}

TEST_F(Survey, ADatabaseThatIsNotOneAddsNothing) {
  const std::string d = Disk("d1");
  MakeFile(SharedInfoPath(d + "Studio"), std::string(3000, '\xAB'));
  MakeOlinfFor(d + "Studio\\ZAV2021", "01234", "pw");
  UseDisks({d});
  LogCapture log;
  EXPECT_EQ(setting_.CheckForPreviousPlatform(), 0);
  EXPECT_TRUE(setting_.installs.empty());
  EXPECT_EQ(setting_.orphans.size(), 1u);
  EXPECT_GE(
      FindMessage(log.Messages(), "[  INFO] Sharedinfo found -> " + SharedInfoPath(d + "Studio")),
      0);
}

TEST_F(Survey, ClientNeedsQelExeAndAVersionFolder) {
  const std::string d1 = Disk("d1");
  const std::string d2 = Disk("d2");
  const std::string d3 = Disk("d3");
  MakeFile(d1 + "ZAV\\QEL\\bin\\qel.exe", "MZ");  // no version folder
  MakeFile(d2 + "QEL\\bin\\qel.exe", "MZ");
  ASSERT_TRUE(CreateDirectoryTree(d2 + "QEL\\bin\\4.9.0.0"));
  ASSERT_TRUE(CreateDirectoryTree(d2 + "QEL\\bin\\4.12.0.7"));
  ASSERT_TRUE(CreateDirectoryTree(d2 + "QEL\\bin\\5.0.0"));
  UseDisks({d1});
  {
    LogCapture log;
    setting_.FindQelClient();
    EXPECT_EQ(setting_.qel_folder, "");
    EXPECT_GE(FindMessage(log.Messages(), "[  INFO] QEL not found"), 0);
  }
  UseDisks({d1, d2});
  {
    LogCapture log;
    setting_.FindQelClient();
    EXPECT_EQ(setting_.qel_folder, d2 + "QEL\\bin");
    EXPECT_GE(FindMessage(log.Messages(), "[  INFO] Qel version dir found -> 4.12.0.7"), 0);
    EXPECT_EQ(FindMessage(log.Messages(), "[  INFO] QEL not found"), -1);
  }
  std::string name;
  EXPECT_EQ(FindVersionFolder(d2 + "QEL\\bin", name), (std::vector<int>{4, 12, 0, 7}));
  EXPECT_EQ(name, "4.12.0.7");
  EXPECT_EQ(FindVersionFolder(d1 + "ZAV\\QEL\\bin", name), std::vector<int>{0});
  EXPECT_EQ(name, "");
  // A later disk's ZAV\QEL\bin wins over an earlier find.
  MakeFile(d3 + "ZAV\\QEL\\bin\\qel.exe", "MZ");
  ASSERT_TRUE(CreateDirectoryTree(d3 + "ZAV\\QEL\\bin\\1.0.0.1"));
  setting_.qel_folder.clear();
  UseDisks({d2, d3});
  setting_.FindQelClient();
  EXPECT_EQ(setting_.qel_folder, d3 + "ZAV\\QEL\\bin");
}

TEST_F(Survey, ARootWithFiveThousandFoldersIsSurveyedToTheEnd) {
  const std::string d = Disk("big");
  for (int i = 0; i < 5000; ++i)
    ASSERT_TRUE(CreateDirectoryA((d + "cartella" + std::to_string(i)).c_str(), nullptr));
  MakeOlinfFor(d + "cartella4999\\ZAV2021", "04999", "ultimo");
  UseDisks({d});
  LogCapture log;
  const auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(setting_.CheckForPreviousPlatform(), 0);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("survey of 5000 folders: %.2f s\n", seconds);
  ASSERT_EQ(setting_.orphans.size(), 1u);
  EXPECT_EQ(setting_.orphans[0]->pm, "04999");
  int checked = 0;
  for (const auto& m : log.Messages())
    if (m.rfind("[  INFO] Checking folder -> ", 0) == 0) ++checked;
  EXPECT_EQ(checked, 5002);  // with "." and ".." of a folder that stands in for a root
}

TEST(SettingQueries, InvalidInstallsOrphansAndWorkpointEquality) {
  CSetting s;
  s.current_year = "2021";
  EXPECT_FALSE(s.HasInvalidInstallOfCurrentYear());
  EXPECT_FALSE(s.HasOrphans());
  auto orphan = std::make_unique<InstallRecord>();
  orphan->year = "2021";
  s.orphans.push_back(std::move(orphan));
  EXPECT_TRUE(s.HasInvalidInstallOfCurrentYear());
  EXPECT_TRUE(s.HasOrphans());
  EXPECT_FALSE(s.HasInvalidInstall());

  for (const char* year : {"2021", "2021"}) {
    auto r = std::make_unique<InstallRecord>();
    r->pm = "01234";
    r->year = year;
    r->pdl = "1";
    r->valid = true;
    s.installs.push_back(std::move(r));
  }
  EXPECT_TRUE(s.SameWorkpoint(0, 1));
  EXPECT_FALSE(s.SameWorkpoint(-1, 0));
  EXPECT_FALSE(s.SameWorkpoint(0, 2));  // past the end
  EXPECT_FALSE(s.HasInvalidInstall());
  s.installs[1]->valid = false;
  s.installs[1]->year = "2020";
  EXPECT_TRUE(s.HasInvalidInstall());
  EXPECT_FALSE(s.SameWorkpoint(0, 1));

  // Orphans whose folder a registered install also names go away.
  s.orphans[0]->zav_path = "C:\\Studio\\ZAV2021";
  s.installs[0]->zav_path = "C:\\studio\\ZAV2021";  // case matters
  s.RemoveRegisteredOrphans();
  EXPECT_EQ(s.orphans.size(), 1u);
  s.installs[0]->zav_path = "C:\\Studio\\ZAV2021";
  s.RemoveRegisteredOrphans();
  EXPECT_TRUE(s.orphans.empty());
}

TEST(DiskList, FloppyRootsAndDrivesOfOtherTypesAreLeftOut) {
  EXPECT_TRUE(IsFloppyRoot("A:\\"));
  EXPECT_TRUE(IsFloppyRoot("B:\\"));
  EXPECT_FALSE(IsFloppyRoot("a:\\"));  // exact text, as the system writes the roots
  EXPECT_FALSE(IsFloppyRoot("C:\\"));
  EXPECT_TRUE(IsUsableDriveType(DRIVE_REMOVABLE));
  EXPECT_TRUE(IsUsableDriveType(DRIVE_FIXED));
  EXPECT_TRUE(IsUsableDriveType(DRIVE_REMOTE));
  EXPECT_FALSE(IsUsableDriveType(DRIVE_CDROM));
  EXPECT_FALSE(IsUsableDriveType(DRIVE_RAMDISK));
  EXPECT_FALSE(IsUsableDriveType(DRIVE_UNKNOWN));
  EXPECT_FALSE(IsUsableDriveType(DRIVE_NO_ROOT_DIR));
}

TEST(DiskList, UsableDrivesOfThePrefixInOrder) {
  CSetting s;
  LogCapture log;
  EXPECT_EQ(s.LoadInfAndDisks(), 0);
  EXPECT_EQ(s.year_folder, "ZAV2021");
  EXPECT_EQ(s.current_year, "2021");
  EXPECT_EQ(s.windows_drive, "C:");
  EXPECT_EQ(s.year_path, "C:\\");
  EXPECT_EQ(s.default_drive, "C:");
  EXPECT_EQ(s.runtime_launcher, "%\\home\\bin\\wrun32.exe");
  EXPECT_EQ(s.runtime_bin_folder, "%\\HOME\\BIN");
  EXPECT_EQ(s.service_name, "Rivaduz ZAV");

  char roots[512] = {};
  GetLogicalDriveStringsA(sizeof(roots), roots);
  std::vector<std::string> expected_lines = {"[  INFO] Getting info about install",
                                             "[  INFO] Getting disk list"};
  std::vector<std::string> expected_disks;
  for (const char* r = roots; *r; r += strlen(r) + 1) {
    expected_lines.push_back(std::string("[  INFO] Getting valid disk -> ") + r);
    const UINT type = GetDriveTypeA(r);
    if (type >= DRIVE_REMOVABLE && type <= DRIVE_REMOTE) expected_disks.push_back(r);
  }
  EXPECT_EQ(log.Messages(), expected_lines);
  EXPECT_EQ(s.disks, expected_disks);
  // The fixture drives: D: is a CD-ROM and stays out; E: removable, F: fixed, N: network.
  auto position = [&](const std::string& root) {
    for (size_t i = 0; i < s.disks.size(); ++i)
      if (s.disks[i] == root) return static_cast<int>(i);
    return -1;
  };
  EXPECT_EQ(position("D:\\"), -1);
  EXPECT_EQ(position("C:\\"), 0);
  EXPECT_EQ(position("E:\\"), 1);
  EXPECT_EQ(position("F:\\"), 2);
  EXPECT_EQ(position("N:\\"), 3);
}
