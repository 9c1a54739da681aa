// The file itself: creating it and its tables, the year rows, the password scrambling.
#include <gtest/gtest.h>

#include "sharedinfo/sharedinfo.h"
#include "sharedinfo_test_util.h"
#include "support/temp_folder.h"
#include "sys/fs_utils.h"

namespace {
const char* const kTables[][2] = {
    {"meta", "CREATE TABLE meta (key LONGVARCHAR NOT NULL UNIQUE PRIMARY KEY, value LONGVARCHAR)"},
    {"Workpoint",
     "CREATE TABLE Workpoint (idWorkpoint INTEGER PRIMARY KEY AUTOINCREMENT, pm TEXT, pwd BLOB, "
     "pdl INTEGER, assignee TEXT, path TEXT, creationtime INTEGER DEFAULT 0)"},
    {"Workpoint_SwExt", "CREATE TABLE Workpoint_SwExt (idWorkpoint INTEGER, idSwExt INTEGER)"},
    {"SwExt",
     "CREATE TABLE SwExt (idSwExt INTEGER PRIMARY KEY AUTOINCREMENT, software TEXT, anno TEXT, "
     "cmdline TEXT, arguments TEXT)"},
};
}  // namespace

TEST(CreateSharedInfo, CreatesTheFourTablesExactlyAndIsIdempotent) {
  TempFolder temp;
  const std::string path = NewSharedInfo(temp.path());
  for (const auto& table : kTables) {
    EXPECT_EQ(table[1], QueryText(path, std::string("SELECT sql FROM sqlite_master WHERE "
                                                    "type='table' AND name='") +
                                            table[0] + "'"));
  }
  const std::string before = FileBytes(path);
  EXPECT_EQ(0, CreateSharedInfo(path));
  EXPECT_EQ(before, FileBytes(path));
}

TEST(CreateSharedInfo, BadPathsFailWithTheirLogLine) {
  TempFolder temp;
  EXPECT_EQ(1, CreateSharedInfo(""));
  LogWatch log;
  EXPECT_EQ(1, CreateSharedInfo(temp.Sub("missing\\SharedInfo")));
  EXPECT_TRUE(log.Has("[* WARN] Sqlite exception ")) << log.Text();
  EXPECT_TRUE(log.Has(" in CreateSharedInfo")) << log.Text();
  EXPECT_FALSE(FileExists(temp.Sub("missing")));
}

TEST(CreateSharedInfo, CompletesAFileThatHasOnlyWorkpoint) {
  TempFolder temp;
  const std::string path = temp.Sub("SharedInfo");
  Exec(path, std::string(kTables[1][1]) +
                 "; INSERT INTO Workpoint (pm, pdl, assignee) VALUES ('00001', 3, 'PC\\x');");
  EXPECT_EQ(0, CreateSharedInfo(path));
  EXPECT_EQ(
      4,
      QueryInt(
          path,
          "SELECT count(*) FROM sqlite_master WHERE type='table' AND name <> 'sqlite_sequence'"));
  EXPECT_EQ(1, QueryInt(path, "SELECT count(*) FROM Workpoint WHERE pm='00001' AND pdl=3"));
}

TEST(CreateSharedInfo, OpensFoldersWithAccentedNames) {
  TempFolder temp;
  const std::string folder = temp.Sub("Unità");  // Windows-1252 bytes, as the wizard gives them
  ASSERT_TRUE(CreateDirectoryTree(folder));
  const std::string path = NewSharedInfo(folder);
  EXPECT_TRUE(FileExists(path));
  int id = 0;
  EXPECT_EQ(0, CheckInstallation(path, "2021", &id));
  EXPECT_EQ(1, id);
}

TEST(CheckInstallation, AddsAYearOnceAndReturnsItsId) {
  TempFolder temp;
  const std::string path = NewSharedInfo(temp.path());
  LogWatch log;
  int first = 0;
  EXPECT_EQ(0, CheckInstallation(path, "2021", &first));
  EXPECT_TRUE(log.Has("[  INFO] Software not present in database, adding it"));
  int second = 0;
  EXPECT_EQ(0, CheckInstallation(path, "2021", &second));
  EXPECT_TRUE(log.Has("[  INFO] Software already present in database"));
  EXPECT_GT(first, 0);
  EXPECT_EQ(first, second);
  int other = 0;
  EXPECT_EQ(0, CheckInstallation(path, "2020", &other));
  EXPECT_NE(first, other);
  EXPECT_EQ(1, QueryInt(path, "SELECT count(*) FROM SwExt WHERE anno='2021'"));
  EXPECT_EQ(
      "MOLTRA|2021|\\home\\BIN\\wrun32.exe|-c ..\\etc\\cblconfi ..\\obj\\pcmenu.acu rete "
      "<pdl> <path_year>|text",
      QueryText(path,
                "SELECT software||'|'||anno||'|'||cmdline||'|'||arguments||'|'||"
                "typeof(anno) FROM SwExt WHERE idSwExt=" +
                    std::to_string(first)));
}

// A year row written with id 0 by someone else is still that year's row: it is returned as it
// is, and the registration that follows refuses it visibly.
TEST(CheckInstallation, ReturnsAYearRowWhateverItsId) {
  TempFolder temp;
  const std::string path = NewSharedInfo(temp.path());
  Exec(path,
       "INSERT INTO SwExt (idSwExt, software, anno, cmdline, arguments) VALUES "
       "(0, 'MOLTRA', '2021', '\\home\\BIN\\wrun32.exe', '')");
  LogWatch log;
  int id = 7;
  EXPECT_EQ(0, CheckInstallation(path, "2021", &id));
  EXPECT_EQ(0, id);
  EXPECT_EQ(1, log.Count("[  INFO] Software already present in database")) << log.Text();
  EXPECT_FALSE(log.Has("Exception"));
  EXPECT_EQ(1, QueryInt(path, "SELECT count(*) FROM SwExt"));
  EXPECT_EQ(1, AddPdlEntry(path, "01234", "pw", id, "C:\\Studio\\"));
  EXPECT_EQ(0, QueryInt(path, "SELECT count(*) FROM Workpoint"));
}

TEST(CheckInstallation, ArgumentsAndMissingFiles) {
  TempFolder temp;
  int id = 7;
  EXPECT_EQ(1, CheckInstallation("", "2021", &id));
  // Its own open could create the file; the readability probe comes first.
  EXPECT_EQ(14, CheckInstallation(temp.Sub("SharedInfo"), "2021", &id));
  EXPECT_FALSE(FileExists(temp.Sub("SharedInfo")));
  const std::string path = NewSharedInfo(temp.path());
  EXPECT_EQ(1, CheckInstallation(path, "", &id));
  EXPECT_EQ(1, CheckInstallation(path, "2021", nullptr));
  EXPECT_EQ(0, QueryInt(path, "SELECT count(*) FROM SwExt"));
}

TEST(ScramblePassword, RoundTripsWithATenByteKey) {
  const std::string password("pass\0wörd-lunga-123", 20);
  const std::string scrambled = ScramblePassword(password);
  ASSERT_EQ(password.size(), scrambled.size());
  EXPECT_NE(password, scrambled);
  EXPECT_EQ(password, ScramblePassword(scrambled));
  for (size_t i = 0; i + 10 < password.size(); ++i) {
    EXPECT_EQ(password[i] ^ scrambled[i], password[i + 10] ^ scrambled[i + 10]) << i;
  }
  EXPECT_EQ("", ScramblePassword(""));
}
