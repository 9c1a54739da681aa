#include "net/folder_checksum.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "net/md5_digest.h"
#include "support/temp_folder.h"
#include "sys/fs_utils.h"
#include "sys/string_utils.h"

namespace {

TEST(Md5, KnownDigestsOfRfc1321) {
  EXPECT_EQ("d41d8cd98f00b204e9800998ecf8427e", Md5Hex(""));
  EXPECT_EQ("900150983cd24fb0d6963f7d28e17f72", Md5Hex("abc"));
  EXPECT_EQ(
      "57edf4a22be3c955ac49da2e2107b67a",
      Md5Hex("12345678901234567890123456789012345678901234567890123456789012345678901234567890"));
}

TEST(FileDigest, DigestOfTheBytesOrMinusOne) {
  TempFolder temp;
  std::string bytes(5000, '\0');
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i % 256);
  bytes[10] = '\n';  // binary mode: no translation
  ASSERT_TRUE(WriteTextFile(temp.Sub("f.bin"), bytes));
  EXPECT_EQ(Md5Hex(bytes), FileDigest(temp.Sub("f.bin")));
  EXPECT_EQ("-1", FileDigest(temp.Sub("missing")));
  EXPECT_EQ("-1", FileDigest(temp.path()));  // a folder
}

// A client folder: version sub-folder, locales, and everything the rules leave out.
void MakeClient(const TempFolder& temp, const std::string& noise) {
  CreateDirectoryTree(temp.Sub("qel\\1.2.3.4\\sub"));
  CreateDirectoryTree(temp.Sub("qel\\Locales"));
  CreateDirectoryTree(temp.Sub("qel\\.git"));
  CreateDirectoryTree(temp.Sub("qel\\cache"));
  WriteTextFile(temp.Sub("qel\\a.txt"), "small a");
  WriteTextFile(temp.Sub("qel\\B.txt"), "capital B");
  WriteTextFile(temp.Sub("qel\\1.2.3.4\\core.dll"), "core");
  WriteTextFile(temp.Sub("qel\\1.2.3.4\\sub\\deep.bin"), "deep");  // sub: not taken
  WriteTextFile(temp.Sub("qel\\Locales\\it.pak"), "it");
  WriteTextFile(temp.Sub("qel\\debug.log"), noise);
  WriteTextFile(temp.Sub("qel\\Xmpp"), noise);
  WriteTextFile(temp.Sub("qel\\.hidden"), noise);
  WriteTextFile(temp.Sub("qel\\.git\\x"), noise);
  WriteTextFile(temp.Sub("qel\\cache\\x"), noise);
}

TEST(FolderChecksum, ListsByTheRulesInByteOrder) {
  TempFolder temp;
  MakeClient(temp, "one");
  const std::string root = temp.Sub("qel");
  const std::vector<std::string> expected = {
      root + "\\1.2.3.4", root + "\\1.2.3.4\\core.dll", root + "\\B.txt",
      root + "\\Locales", root + "\\Locales\\it.pak",   root + "\\a.txt"};
  EXPECT_EQ(expected, ListChecksumEntries(root, "1.2.3.4"));
  EXPECT_EQ(expected, ListChecksumEntries(root + "\\", "1.2.3.4"));

  std::string digests =
      "-1" + Md5Hex("core") + Md5Hex("capital B") + "-1" + Md5Hex("it") + Md5Hex("small a");
  EXPECT_EQ(Md5Hex(digests), FolderChecksum(root, "1.2.3.4"));
  EXPECT_TRUE(IsValidInstallation(root, "1.2.3.4", Md5Hex(digests)));
  EXPECT_FALSE(IsValidInstallation(root, "1.2.3.4", ToUpperCopy(Md5Hex(digests))));
}

TEST(FolderChecksum, IgnoredFilesDoNotChangeIt) {
  TempFolder one, two;
  MakeClient(one, "noise one");
  MakeClient(two, "other noise, longer");
  EXPECT_EQ(FolderChecksum(one.Sub("qel"), "1.2.3.4"), FolderChecksum(two.Sub("qel"), "1.2.3.4"));
  WriteTextFile(two.Sub("qel\\a.txt"), "changed");
  EXPECT_NE(FolderChecksum(one.Sub("qel"), "1.2.3.4"), FolderChecksum(two.Sub("qel"), "1.2.3.4"));
}

TEST(FolderChecksum, MissingFolderIsTheDigestOfNothing) {
  EXPECT_EQ("d41d8cd98f00b204e9800998ecf8427e", FolderChecksum("Z:\\no\\such\\folder", "1"));
}

TEST(FolderChecksum, ClearsReadOnlyHiddenAndSystemAttributes) {
  TempFolder temp;
  const std::string file = temp.Sub("locked.txt");
  WriteTextFile(file, "x");
  SetFileAttributesA(file.c_str(),
                     FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  EXPECT_EQ(1u, ListChecksumEntries(temp.path(), "v").size());
  const DWORD attributes = GetFileAttributesA(file.c_str());
  EXPECT_EQ(0u,
            attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
}

}  // namespace
