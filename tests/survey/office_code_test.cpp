// Decoding office codes, ordering installs and reading version folder names: pure logic.
#include <gtest/gtest.h>

#include "support/temp_folder.h"
#include "survey/install_order.h"
#include "survey/office_code.h"
#include "survey/office_code_readers.h"
#include "survey/version_folder.h"
#include "survey_fixtures.h"
#include "wizard/end_rules.h"

TEST(OfficeCode, ProtDecodesByPositionWithWrapAround) {
  EXPECT_EQ(DecodeProt(EncodeProt("01234segreto")), "01234segreto");
  // Character 3 stored as 0xFF - 2 + 256 wraps: 0xFE + 3 = 0x101 -> 0x01.
  EXPECT_EQ(DecodeProt(std::string("\x2f\x2f\xfe", 3)), std::string("01\x01"));
  // A character that decodes to NUL ends the value.
  EXPECT_EQ(DecodeProt(std::string("\x2f\x2f\xfd\x30", 4)), "01");
  EXPECT_EQ(DecodeProt(""), "");

  ProtOffice full = SplitProt("01234abcdefghijk");
  EXPECT_TRUE(full.complete);
  EXPECT_EQ(full.pm, "01234");
  EXPECT_EQ(full.password, "abcdefgh");  // eight at most
  ProtOffice bare = SplitProt("01234");
  EXPECT_TRUE(bare.complete);
  EXPECT_EQ(bare.password, "");
  ProtOffice short_value = SplitProt("0123");
  EXPECT_FALSE(short_value.complete);
  EXPECT_EQ(short_value.pm, "0123");
}

TEST(OfficeCode, UffautAndInstallaModForms) {
  EXPECT_EQ(UffautOfficeCode(0x04, 0xD2), "01234");
  EXPECT_EQ(UffautOfficeCode(0x00, 0x00), "00000");
  EXPECT_EQ(UffautOfficeCode(0xFF, 0xFF), "65535");
  EXPECT_EQ(UffautOfficeCode(0x1A, 0x0D), "06669");  // bytes that text mode would mangle

  std::string pm, password;
  EXPECT_TRUE(ParseInstallaModHeader(std::string("1234\0segreto1xyz", 16), pm, password));
  EXPECT_EQ(pm, "01234");
  EXPECT_EQ(password, "segreto1");
  EXPECT_TRUE(ParseInstallaModHeader(std::string("00042pw\0\0\0\0\0\0", 13), pm, password));
  EXPECT_EQ(pm, "00042");
  EXPECT_EQ(password, "pw");
  pm = "keep";
  EXPECT_FALSE(ParseInstallaModHeader("123", pm, password));
  EXPECT_FALSE(ParseInstallaModHeader(std::string(12, '1'), pm, password));
  EXPECT_EQ(pm, "keep");
  EXPECT_EQ(PadOfficeCode(""), "00000");
  EXPECT_EQ(PadOfficeCode("123456"), "123456");
}

// INSTALLA.MOD as the end page writes it (code, password, CR CR LF, path), read back: the
// password ends where the line does, whatever its length.
TEST(OfficeCode, InstallaModPasswordsOfEveryLengthReadBackExactly) {
  TempFolder temp;
  for (const std::string password : {"SEGRETO", "SEGRETO8", "X"}) {
    const std::string zav = temp.Sub(password + "\\ZAV2021");
    MakeInstallaMod(zav, InstallaModBytes("123", password, "D:\\ZAV\\PM00123\\ZAV2021"));
    InstallRecord record;
    EXPECT_EQ(ReadOfficeFromInstallaMod(zav + kInstallaModFile, record), 0);
    EXPECT_EQ(record.pm, "00123") << password;
    EXPECT_EQ(record.password, password);
  }
}

namespace {
InstallRecord Make(const std::string& pm, const std::string& year, const std::string& path,
                   const std::string& assignee, const std::string& pdl) {
  InstallRecord r;
  r.pm = pm;
  r.year = year;
  r.zav_path = path;
  r.assignee = assignee;
  r.pdl = pdl;
  return r;
}
}  // namespace

TEST(InstallOrder, OfficeThenNewerYearThenFolderThenOwnThenNumber) {
  const std::string me = "PC1\\Mario";
  std::vector<std::unique_ptr<InstallRecord>> list;
  auto add = [&](InstallRecord r) { list.push_back(std::make_unique<InstallRecord>(r)); };
  add(Make("01234", "2020", "C:\\A\\ZAV2020", me, "1"));
  add(Make("00999", "2021", "C:\\Z\\ZAV2021", "X\\y", "1"));
  add(Make("01234", "2021", "C:\\B\\ZAV2021", "OTHER\\luca", "1"));
  add(Make("01234", "2021", "C:\\B\\ZAV2021", "pc1\\mario", "10"));  // own, case ignored
  add(Make("01234", "2021", "C:\\B\\ZAV2021", "OTHER\\anna", "2"));
  add(Make("01234", "2021", "C:\\A\\ZAV2021", "OTHER\\anna", "3"));
  add(Make("01234", "2021", "C:\\B\\ZAV2021", "OTHER\\bea", "9"));
  SortInstalls(list, me);
  std::vector<std::string> order;
  for (const auto& r : list)
    order.push_back(r->pm + "/" + r->year + "/" + r->zav_path + "/" + r->pdl);
  const std::vector<std::string> expected = {
      "00999/2021/C:\\Z\\ZAV2021/1", "01234/2021/C:\\A\\ZAV2021/3", "01234/2021/C:\\B\\ZAV2021/10",
      "01234/2021/C:\\B\\ZAV2021/1", "01234/2021/C:\\B\\ZAV2021/2", "01234/2021/C:\\B\\ZAV2021/9",
      "01234/2020/C:\\A\\ZAV2020/1"};
  EXPECT_EQ(order, expected);
  // Workstation numbers compare as numbers, not texts.
  EXPECT_TRUE(
      InstallComesBefore(Make("1", "2021", "p", "a", "9"), Make("1", "2021", "p", "a", "10"), me));
}

TEST(VersionFolder, OnlyThreeDotNamesCountAndCompareNumerically) {
  EXPECT_EQ(ParseVersionFolderName("4.12.0.7"), (std::vector<int>{4, 12, 0, 7}));
  EXPECT_TRUE(ParseVersionFolderName("4.12.0").empty());
  EXPECT_TRUE(ParseVersionFolderName("4.12.0.7.1").empty());
  EXPECT_TRUE(ParseVersionFolderName("qel.exe").empty());
  EXPECT_TRUE(VersionGreater({4, 12, 0, 7}, {4, 9, 9, 9}));
  EXPECT_FALSE(VersionGreater({4, 9, 9, 9}, {4, 12, 0, 7}));
  EXPECT_FALSE(VersionGreater({0, 0, 0, 0}, {0}));
  EXPECT_TRUE(VersionGreater({0, 0, 0, 1}, {0}));
  EXPECT_EQ(VersionText({4, 12, 0, 7}), "4.12.0.7");
}
