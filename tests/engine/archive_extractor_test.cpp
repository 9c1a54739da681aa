// Extraction of archives that tests/engine/make_archives.sh builds with 7zz at test time.
#include "engine/archive_extractor.h"
#include "engine/entry_name.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "log/setup_log.h"
#include "support/process.h"
#include "support/setup_runner.h"
#include "support/temp_folder.h"
#include "sys/fs_utils.h"
#include "sys/string_utils.h"

namespace {

std::string ArchiveDir() {
  const char* build = std::getenv("ZAV_BUILD_DIR");
  return UnixToWindowsPath(std::string(build ? build : "") + "/tests/engine/archives");
}
std::string Archive(const std::string& name) { return ArchiveDir() + "\\" + name; }

struct Calls {
  std::vector<uint32_t> indices;
  uint32_t total = 0;
  bool consistent = true;
  ExtractProgress Callback() {
    return [this](uint32_t index, uint32_t count) {
      if (!indices.empty() && total != count) consistent = false;
      indices.push_back(index);
      total = count;
    };
  }
};

size_t CountOccurrences(const std::string& text, const std::string& needle) {
  size_t n = 0;
  for (size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1)) ++n;
  return n;
}

TEST(ExtractArchive, EveryCoderAndSolidityGivesTheSameTree) {
  const std::string tree = ArchiveDir() + "\\tree\\";
  for (const char* name :
       {"lzma.7z", "lzma2.7z", "lzma2_nonsolid.7z", "bcj.7z", "bcj2.7z", "copy.7z", "bcj_lzma2.7z",
        "delta.7z", "PPC.7z", "IA64.7z", "ARM.7z", "ARMT.7z", "SPARC.7z", "ARM64.7z", "RISCV.7z",
        "bcj2_lzma2.7z", "blocks.7z", "interleaved.7z"}) {
    SCOPED_TRACE(name);
    TempFolder temp;
    const std::string dest = temp.path() + "\\";
    Calls calls;
    std::string last;
    ASSERT_EQ(0u, ExtractArchive(Archive(name), dest, &last, calls.Callback()));

    ASSERT_EQ(10u, calls.total);  // 6 files and 4 folder entries
    ASSERT_EQ(10u, calls.indices.size());
    for (uint32_t i = 0; i < calls.indices.size(); ++i) EXPECT_EQ(i, calls.indices[i]);
    EXPECT_TRUE(calls.consistent);
    EXPECT_EQ(0u, last.find(dest));

    for (const char* file :
         {"testo.txt", "programma.exe", "dir\\dati.bin", "dir\\sub\\profondo.txt"}) {
      const std::string expected = ReadTextFile(tree + file);
      ASSERT_FALSE(expected.empty()) << file;
      EXPECT_TRUE(expected == ReadTextFile(dest + file)) << file;
    }
    EXPECT_TRUE(FileExists(dest + "zero.txt"));
    EXPECT_EQ("", ReadTextFile(dest + "zero.txt"));
    EXPECT_TRUE(DirectoryExists(dest + "vuota"));
    // Names are narrowed to single bytes: Windows-1252 text.
    EXPECT_EQ("accentato", ReadTextFile(dest + "unità\\perché.txt"));

    // Modification time restored: 2020-05-17 10:20:30 UTC.
    HANDLE file = CreateFileA((dest + "testo.txt").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    FILETIME written;
    GetFileTime(file, nullptr, nullptr, &written);
    CloseHandle(file);
    SYSTEMTIME st = {2020, 5, 0, 17, 10, 20, 30, 0};
    FILETIME expected;
    SystemTimeToFileTime(&st, &expected);
    EXPECT_EQ(expected.dwHighDateTime, written.dwHighDateTime);
    EXPECT_EQ(expected.dwLowDateTime, written.dwLowDateTime);
  }
}

TEST(ExtractArchive, FileAboveTheStreamingBoundIsWrittenInPiecesAndRemovedWhenDamaged) {
  const std::string tree = ArchiveDir() + "\\big\\";
  const std::string large = ReadTextFile(tree + "large.bin");
  ASSERT_GT(large.size(), 16u << 20);
  {
    TempFolder temp;
    const std::string dest = temp.path() + "\\";
    ASSERT_EQ(0u, ExtractArchive(Archive("big.7z"), dest, nullptr, nullptr));
    EXPECT_TRUE(large == ReadTextFile(dest + "large.bin"));
    EXPECT_EQ("ultimo", ReadTextFile(dest + "z.txt"));
  }
  {
    // A damaged byte in its middle: only the CRC at the end can tell, after most of the
    // file has been written. Nothing of it stays, and the extraction stops there.
    TempFolder temp;
    const std::string dest = temp.path() + "\\";
    std::string last;
    EXPECT_EQ(6u, ExtractArchive(Archive("damaged_big.7z"), dest, &last, nullptr));
    EXPECT_EQ(dest + "large.bin", last);
    EXPECT_EQ(ReadTextFile(tree + "a.txt"), ReadTextFile(dest + "a.txt"));
    EXPECT_FALSE(FileExists(dest + "large.bin"));
    EXPECT_FALSE(FileExists(dest + "z.txt"));
  }
}

TEST(ExtractArchive, FolderIsPreparedOnceAndFilesAreOverwritten) {
  TempFolder temp;
  const std::string dest = temp.path() + "\\";
  CreateDirectoryTree(dest + "dir");
  ASSERT_TRUE(WriteTextFile(dest + "dir\\dati.bin", "old content"));
  const size_t before = ReadTextFile(GetLogFilePath()).size();
  ASSERT_EQ(0u, ExtractArchive(Archive("lzma2.7z"), dest, nullptr, nullptr));
  const std::string log = ReadTextFile(GetLogFilePath()).substr(before);
  // The folder entry "dir" and the parent of "dir\dati.bin" are one folder.
  // Names are used as stored: 7zz on Linux stores "/", 7-Zip on Windows "\\".
  for (const char* folder : {"dir", "dir\\sub", "vuota"}) {
    std::string unix_form = dest + folder;
    for (char& c : unix_form)
      if (c == '\\' && &c - unix_form.data() >= static_cast<long>(dest.size())) c = '/';
    const std::string line = "Setting privileges and attributes on -> ";
    size_t lines = CountOccurrences(log + "\r", line + dest + folder + "\r");
    if (unix_form != dest + folder) lines += CountOccurrences(log + "\r", line + unix_form + "\r");
    EXPECT_EQ(1u, lines) << folder;
  }
  EXPECT_EQ(ReadTextFile(ArchiveDir() + "\\tree\\dir\\dati.bin"),
            ReadTextFile(dest + "dir\\dati.bin"));
}

TEST(ExtractArchive, FolderThatExistsAfterwardsIsPreparedEvenIfItsCreationFailed) {
  // "dbl//x.txt": the parent path "dbl/" is created through "dbl", and creating "dbl/"
  // itself then fails as already there. The folder exists, so it gets its privileges.
  TempFolder temp;
  const std::string dest = temp.path() + "\\";
  const size_t before = ReadTextFile(GetLogFilePath()).size();
  ASSERT_EQ(0u, ExtractArchive(Archive("double_separator.7z"), dest, nullptr, nullptr));
  EXPECT_EQ("evil", ReadTextFile(dest + "dbl\\x.txt"));
  const std::string log = ReadTextFile(GetLogFilePath()).substr(before);
  EXPECT_EQ(1u,
            CountOccurrences(log, "Setting privileges and attributes on -> " + dest + "dbl/\r\n"));
}

TEST(ExtractArchive, EmptyArchiveWritesNothingAndCallsNoCallback) {
  TempFolder temp;
  Calls calls;
  EXPECT_EQ(0u, ExtractArchive(Archive("empty.7z"), temp.path() + "\\", nullptr, calls.Callback()));
  EXPECT_TRUE(calls.indices.empty());
}

// Shapes only hand-made archives have. Entries of length 0 after the end of a solid block
// need no decoding: 5000 of them behind a 16 MB block would decode it 5000 times, for many
// minutes, which the test's timeout catches. A block that carries only its own CRC is found
// damaged at its end: the files written from it go, what was there before stays, the intact
// block before it stays. A start header that announces no header in front of a package is
// damaged, not an empty archive.
TEST(ExtractArchive, HandMadeShapesCostOneDecodeAndLeaveNothingDamaged) {
  const struct {
    const char* archive;
    uint32_t result;
    uint32_t entries_seen;
    std::vector<std::string> present;  // besides "gia.txt", there before the extraction
    std::vector<std::string> absent;
  } cases[] = {
      {"empty_after_block.7z", 0, 5001, {"grande.bin", "vuoto0000.txt", "vuoto4999.txt"}, {}},
      {"block_crc_only.7z", 6, 5, {"primo.txt", "secondo.txt"}, {"a.txt", "c.txt"}},
      {"no_header_before_package.7z", 6, 0, {}, {"testo.txt"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.archive);
    TempFolder temp;
    const std::string dest = temp.path() + "\\";
    ASSERT_TRUE(WriteTextFile(dest + "gia.txt", "c'era prima"));
    Calls calls;
    EXPECT_EQ(c.result, ExtractArchive(Archive(c.archive), dest, nullptr, calls.Callback()));
    EXPECT_EQ(c.entries_seen, calls.indices.size());
    EXPECT_TRUE(FileExists(dest + "gia.txt"));
    for (const std::string& name : c.present) EXPECT_TRUE(FileExists(dest + name)) << name;
    for (const std::string& name : c.absent) EXPECT_FALSE(FileExists(dest + name)) << name;
  }
}

TEST(ExtractArchive, UnreadableArchivesGiveTheirCodes) {
  struct Case {
    const char* name;
    uint32_t result;
  } cases[] = {{"missing.7z", 2}, {"notarchive.7z", 6}, {"truncated.7z", 6}, {"damaged.7z", 6}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder temp;
    Calls calls;
    std::string last;
    EXPECT_EQ(c.result,
              ExtractArchive(Archive(c.name), temp.path() + "\\", &last, calls.Callback()));
    if (c.result == 2 || std::string(c.name) == "notarchive.7z") {
      EXPECT_TRUE(calls.indices.empty());
      EXPECT_EQ("", last);
    }
  }
  // A damaged entry is named by the last path, and the extraction stopped at it.
  TempFolder temp;
  std::string last;
  Calls calls;
  ASSERT_EQ(6u, ExtractArchive(Archive("damaged.7z"), temp.path() + "\\", &last, calls.Callback()));
  ASSERT_FALSE(calls.indices.empty());
  EXPECT_LT(calls.indices.size(), calls.total + 0u);
}

// Wine run by root writes read-only files anyway; the check needs a platform that refuses.
bool ReadOnlyIsEnforced(const TempFolder& temp) {
  const std::string probe = temp.Sub("probe.txt");
  WriteTextFile(probe, "x");
  SetFileAttributesA(probe.c_str(), FILE_ATTRIBUTE_READONLY);
  HANDLE file = CreateFileA(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  const bool enforced = file == INVALID_HANDLE_VALUE;
  if (!enforced) CloseHandle(file);
  SetFileAttributesA(probe.c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileA(probe.c_str());
  return enforced;
}

TEST(ExtractArchive, ReadOnlyFileAtTheTargetStopsWithAccessDenied) {
  TempFolder temp;
  if (!ReadOnlyIsEnforced(temp)) GTEST_SKIP() << "read-only files are writable here (root)";
  const std::string dest = temp.path() + "\\";
  const std::string target = dest + "testo.txt";
  ASSERT_TRUE(WriteTextFile(target, "protetto"));
  SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_READONLY);
  std::string last;
  EXPECT_EQ(5u, ExtractArchive(Archive("lzma2.7z"), dest, &last, nullptr));
  EXPECT_EQ(target, last);
  EXPECT_EQ("protetto", ReadTextFile(target));
  SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(ExtractArchive, FolderInPlaceOfAFileStopsWithTheWindowsError) {
  TempFolder temp;
  const std::string dest = temp.path() + "\\";
  CreateDirectoryTree(dest + "testo.txt");
  std::string last;
  const uint32_t result = ExtractArchive(Archive("lzma2.7z"), dest, &last, nullptr);
  EXPECT_NE(0u, result);
  EXPECT_NE(6u, result);
  EXPECT_EQ(dest + "testo.txt", last);
}

TEST(ExtractArchive, TargetHeldOpenByAnotherProgramStopsWithSharingViolation) {
  TempFolder temp;
  const std::string dest = temp.path() + "\\";
  ASSERT_TRUE(WriteTextFile(dest + "testo.txt", "in uso"));
  HANDLE held = CreateFileA((dest + "testo.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                            0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, held);
  std::string last;
  EXPECT_EQ(static_cast<uint32_t>(ERROR_SHARING_VIOLATION),
            ExtractArchive(Archive("lzma2.7z"), dest, &last, nullptr));
  EXPECT_EQ(dest + "testo.txt", last);
  CloseHandle(held);
  EXPECT_EQ("in uso", ReadTextFile(dest + "testo.txt"));
}

TEST(ExtractArchive, NamesClimbingOutOfTheDestinationAreRefusedBeforeAnyWrite) {
  for (const char* name :
       {"climb_dotdot_back.7z", "climb_dotdot_slash.7z", "climb_deep.7z", "climb_drive.7z",
        "climb_backslash.7z", "climb_dots_space.7z", "climb_nul.7z"}) {
    SCOPED_TRACE(name);
    TempFolder temp;
    const std::string dest = temp.Sub("a\\b\\dest\\");
    CreateDirectoryTree(dest);
    Calls calls;
    std::string last;
    EXPECT_EQ(6u, ExtractArchive(Archive(name), dest, &last, calls.Callback()));
    EXPECT_TRUE(calls.indices.empty());
    EXPECT_NE(std::string::npos, last.find("evil")) << last;
    EXPECT_FALSE(FileExists(dest + "aaa_good.txt"));  // the harmless entry is not written
    EXPECT_FALSE(FileExists(temp.Sub("a\\b\\evil.txt")));
    EXPECT_FALSE(FileExists(temp.Sub("a\\evil.txt")));
    EXPECT_FALSE(FileExists("C:\\zav_evil"));
    EXPECT_FALSE(FileExists("C:\\zzevil.txt"));
    EXPECT_FALSE(FileExists("Z:\\zzevil.txt"));
  }
}

TEST(IsSafeEntryName, RefusesEveryWayOut) {
  for (const char* good : {"a.txt", "dir\\a.txt", "dir/sub/a", "a..b", "..a", "a..", "x\\.y",
                           "unità\\perché.txt", "."}) {
    EXPECT_TRUE(IsSafeEntryName(good)) << good;
  }
  for (const char* bad :
       {"", "..", "..\\a", "../a", "a\\..\\..\\b", "a/..", "\\a", "/a", "C:\\a", "C:a", "a:stream",
        "...\\a", ".. \\a", "a\\. .\\b", "sub/LPT1/x.txt", "a\\prn.txt\\b", "conout$.log"}) {
    EXPECT_FALSE(IsSafeEntryName(bad)) << bad;
  }
  // Names narrowed from code units whose low byte is 0: the path would end at the NUL.
  EXPECT_FALSE(IsSafeEntryName(std::string("..\0", 3)));
  EXPECT_FALSE(IsSafeEntryName(std::string("..\0/x.txt", 9)));
}

}  // namespace

namespace {

// Names Windows would take for a device (one of each form; IsWindowsDeviceName's own test has
// every family), and archives whose entries Windows would write to one file: refused before
// the first entry, the harmless entry beside them not written.
TEST(ExtractArchive, DeviceNamesAndCollidingEntriesAreRefusedBeforeAnyWrite) {
  const struct {
    const char* archive;
    const char* entry;  // the refused entry; empty when the archive's order decides it
  } cases[] = {
      {"device_com1.7z", "COM1"},
      {"device_aux_ext.7z", "aux.h"},
      {"device_nul_space.7z", "NUL .txt"},
      {"device_con_trailing.7z", "cOn. . "},
      {"device_nul_folder.7z", "NUL"},
      {"device_in_folder.7z", "AuX\\evil.txt"},
      {"device_superscript.7z", "COM\xB9.txt"},
      {"device_conin.7z", "CONIN$"},
      {"collide_case.7z", ""},
      {"collide_dot.7z", ""},
      {"collide_space.7z", ""},
      {"collide_accent.7z", ""},
      {"collide_file_folder.7z", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.archive);
    TempFolder temp;
    const std::string dest = temp.path() + "\\";
    Calls calls;
    std::string last;
    EXPECT_EQ(6u, ExtractArchive(Archive(c.archive), dest, &last, calls.Callback()));
    EXPECT_TRUE(calls.indices.empty());
    if (*c.entry) {
      EXPECT_EQ(dest + c.entry, last);
    } else {
      EXPECT_NE(std::string::npos, ToLowerCopy(last).find("evil")) << last;
    }
    EXPECT_FALSE(FileExists(dest + "aaa_good.txt"));
    EXPECT_TRUE(FolderEntries(temp.path()).empty());
  }
}

TEST(ExtractArchive, NamesThatOnlyBeginLikeADeviceAndOneFolderInTwoCasesExtract) {
  TempFolder temp;
  const std::string dest = temp.path() + "\\";
  ASSERT_EQ(0u, ExtractArchive(Archive("lookalikes.7z"), dest, nullptr, nullptr));
  for (const char* file : {"CONFIG.SYS", "COM10", "LPT0.txt", "aux_files\\x.txt", "CONSOLE",
                           "NULL.txt", "COM1x", "dir\\a.txt", "dir\\b.txt"}) {
    EXPECT_EQ("evil", ReadTextFile(dest + file)) << file;
  }
}

// A time Windows cannot store ends the extraction with its error once the file is written:
// the entry is named, its file closed (it can be removed), the entries before it in place.
TEST(ExtractArchive, ModificationTimeWindowsCannotStoreEndsWithItsErrorAndLeavesNothingOpen) {
  TempFolder temp;
  const std::string dest = temp.path() + "\\";
  std::string last;
  EXPECT_EQ(static_cast<uint32_t>(ERROR_INVALID_PARAMETER),
            ExtractArchive(Archive("late_mtime.7z"), dest, &last, nullptr));
  EXPECT_EQ(dest + "zz_late.txt", last);
  EXPECT_EQ("innocuo", ReadTextFile(dest + "aaa_good.txt"));
  EXPECT_TRUE(DeleteFileA(last.c_str())) << GetLastError();
}

}  // namespace
