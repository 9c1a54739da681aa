// Damaged and locked SharedInfo files: every operation answers with a result code, nothing
// crashes, and nothing that was readable is destroyed or half-written.
#include <SQLiteCpp/Transaction.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <iostream>

#include "sharedinfo/sharedinfo.h"
#include "sharedinfo/sharedinfo_connection.h"
#include "sharedinfo_test_util.h"
#include "support/temp_folder.h"

namespace {
const std::string kPm = "01234";

// Runs every operation (CreateSharedInfo aside) and returns their results in a fixed order.
std::vector<int> RunAll(const std::string& path) {
  std::vector<int> results;
  int id = 5;
  results.push_back(CheckInstallation(path, "2021", &id));
  results.push_back(AddPdlEntry(path, kPm, "pw", 1, "C:\\Studio\\"));
  bool exists = false;
  results.push_back(ExistValidInstall(path, kPm, 2021, &exists));
  results.push_back(RemoveWorkpoint(path, kPm, "2021"));
  bool created = false;
  results.push_back(DuplicateEntireYear(path, kPm, "2021", &created));
  std::vector<WorkpointInfo> list(3);
  results.push_back(ParseSharedInfo(path, 2021, &list));
  if (results.back() != 0) {
    EXPECT_TRUE(list.empty());
  }
  return results;
}

std::string Joined(const std::vector<int>& results) {
  std::string text;
  for (int r : results) text += std::to_string(r) + " ";
  return text;
}
}  // namespace

TEST(BadFiles, NotADatabase) {
  TempFolder temp;
  const std::string path = temp.Sub("SharedInfo");
  const std::string bytes = "Questo non è un database SQLite, ma un file di testo.\r\n";
  ASSERT_TRUE(WriteTextFile(path, bytes + std::string(4096, 'x')));
  LogWatch log;
  EXPECT_EQ(1, CreateSharedInfo(path));
  EXPECT_EQ("1 1 1 1 1 1 ", Joined(RunAll(path)));
  EXPECT_TRUE(log.Has("file is not a database")) << log.Text();
  EXPECT_EQ(bytes + std::string(4096, 'x'), FileBytes(path));
}

TEST(BadFiles, TruncatedDatabase) {
  TempFolder temp;
  const std::string path = NewSharedInfo(temp.path());
  const int year = YearId(path, "2021");
  {
    SQLite::Database db = RawDatabase(path);
    SQLite::Transaction fill(db);
    for (int i = 0; i < 300; ++i) {
      db.exec("INSERT INTO Workpoint (pm, pwd, pdl, assignee, path) VALUES ('01234', 'pw', " +
              std::to_string(i + 1) + ", 'PC\\utente" + std::to_string(i) +
              "', 'C:\\Una cartella con un nome piuttosto lungo\\" + std::to_string(i) +
              "\\');"
              "INSERT INTO Workpoint_SwExt VALUES (last_insert_rowid(), " +
              std::to_string(year) + ");");
    }
    fill.commit();
  }
  const std::string whole = FileBytes(path);
  ASSERT_GT(whole.size(), 16384u);
  const std::string truncated = whole.substr(0, whole.size() / 2);
  ASSERT_TRUE(WriteTextFile(path, truncated));
  std::vector<WorkpointInfo> list(1);
  EXPECT_EQ(1, ParseSharedInfo(path, 2021, &list));
  EXPECT_TRUE(list.empty());
  const std::vector<int> results = RunAll(path);
  std::cout << "results on the truncated file: " << Joined(results) << "\n";
  for (int r : results) EXPECT_TRUE(r == 0 || r == 1) << Joined(results);
  // Writes may have been refused or may have landed; the readable pages stay as they were.
  const std::string after = FileBytes(path);
  EXPECT_GE(after.size(), 100u);
  EXPECT_EQ(truncated.substr(0, 16), after.substr(0, 16));
}

TEST(BadFiles, OnlySomeTables) {
  TempFolder temp;
  const std::string path = temp.Sub("SharedInfo");
  Exec(path,
       "CREATE TABLE Workpoint (idWorkpoint INTEGER PRIMARY KEY AUTOINCREMENT, pm TEXT, "
       "pwd BLOB, pdl INTEGER, assignee TEXT, path TEXT, creationtime INTEGER DEFAULT 0);"
       "INSERT INTO Workpoint (pm, pdl) VALUES ('01234', 4);");
  LogWatch log;
  EXPECT_EQ("1 1 1 1 1 1 ", Joined(RunAll(path)));
  EXPECT_TRUE(log.Has("no such table")) << log.Text();
  EXPECT_EQ(1, QueryInt(path, "SELECT count(*) FROM Workpoint"));
  // The file is repaired by creating what is missing.
  EXPECT_EQ(0, CreateSharedInfo(path));
  EXPECT_EQ("0 0 0 0 0 0 ", Joined(RunAll(path)));
  EXPECT_EQ(1, QueryInt(path, "SELECT count(*) FROM Workpoint WHERE pm='01234' AND pdl=4"));
}

TEST(BadFiles, NullsInEveryColumn) {
  TempFolder temp;
  const std::string path = NewSharedInfo(temp.path());
  Exec(path,
       "INSERT INTO SwExt (idSwExt, software, anno, cmdline, arguments) VALUES (1, 'MOLTRA', "
       "'2021', NULL, NULL);"
       "INSERT INTO SwExt (idSwExt, software, anno, cmdline, arguments) VALUES (2, NULL, NULL, "
       "NULL, NULL);"
       "INSERT INTO Workpoint (idWorkpoint, pm, pwd, pdl, assignee, path, creationtime) "
       "  VALUES (1, NULL, NULL, NULL, NULL, NULL, NULL);"
       "INSERT INTO Workpoint (idWorkpoint, pm, pwd, pdl, assignee, path, creationtime) "
       "  VALUES (2, '01234', NULL, NULL, NULL, NULL, NULL);"
       "INSERT INTO Workpoint_SwExt VALUES (1, 1); INSERT INTO Workpoint_SwExt VALUES (2, 1);"
       "INSERT INTO Workpoint_SwExt VALUES (NULL, NULL); INSERT INTO Workpoint_SwExt VALUES (2, "
       "2);");
  std::vector<WorkpointInfo> list;
  ASSERT_EQ(0, ParseSharedInfo(path, 2021, &list));
  ASSERT_EQ(2u, list.size());
  EXPECT_EQ("", list[0].pm);
  EXPECT_EQ("", list[0].pwd);
  EXPECT_EQ("", list[0].pdl);
  EXPECT_EQ("", list[0].assignee);
  EXPECT_EQ("", list[0].path);
  EXPECT_EQ("", list[0].cmdline);
  EXPECT_EQ("", list[0].arguments);
  EXPECT_EQ(2021, list[0].anno);
  // A workstation without a number counts as 0: the next one is 1.
  EXPECT_EQ(0, AddPdlEntry(path, kPm, "pw", 1, "C:\\Studio\\"));
  EXPECT_EQ(1, QueryInt(path, "SELECT pdl FROM Workpoint WHERE idWorkpoint = 3"));
  bool exists = true;
  EXPECT_EQ(0, ExistValidInstall(path, kPm, 2021, &exists));
  EXPECT_TRUE(exists);
  EXPECT_EQ(0, RemoveWorkpoint(path, kPm, "2021"));
  bool created = false;
  EXPECT_EQ(0, DuplicateEntireYear(path, kPm, "2021", &created));
  const long long rows = QueryInt(path, "SELECT count(*) FROM Workpoint");
  EXPECT_EQ(0, DuplicateEntireYear(path, kPm, "2021", &created));
  EXPECT_FALSE(created);
  EXPECT_EQ(rows, QueryInt(path, "SELECT count(*) FROM Workpoint"));
  EXPECT_EQ(0, QueryInt(path, "SELECT count(*) FROM Workpoint_SwExt WHERE idSwExt = 0"));
}

// Another PC holds the file locked for longer than the busy timeout.
TEST(LockedFile, OperationsGiveUpWithTheirWarningAndWriteNothing) {
  TempFolder temp;
  const std::string path = NewSharedInfo(temp.path());
  const int year = YearId(path, "2021");
  InsertWorkpoint(path, year, kPm, 1, "PC\\altro", "C:\\Studio\\");
  const std::string before = FileBytes(path);

  SQLite::Database holder = RawDatabase(path);
  holder.exec("BEGIN EXCLUSIVE");
  LogWatch log;
  const DWORD start = GetTickCount();
  EXPECT_EQ(1, AddPdlEntry(path, kPm, "pw", year, "C:\\Studio\\"));
  EXPECT_GE(GetTickCount() - start, 400u);
  EXPECT_TRUE(
      log.Has("[* WARN] Exception database is locked during database access in AddPdlEntry"))
      << log.Text();
  int id = 9;
  EXPECT_EQ(1, CheckInstallation(path, "2022", &id));
  EXPECT_EQ(0, id);
  EXPECT_TRUE(
      log.Has("[* WARN] Exception database is locked during database access in CheckInstallation"))
      << log.Text();
  bool exists = true;
  EXPECT_EQ(1, ExistValidInstall(path, kPm, 2021, &exists));
  EXPECT_TRUE(
      log.Has("[* WARN] Exception database is locked during database access in ExistValidInstall"))
      << log.Text();
  EXPECT_EQ(1, RemoveWorkpoint(path, kPm, "2021"));
  EXPECT_TRUE(
      log.Has("[* WARN] Exception database is locked during database access in RemoveWorkpoint"))
      << log.Text();
  bool created = true;
  EXPECT_EQ(1, DuplicateEntireYear(path, kPm, "2021", &created));
  EXPECT_FALSE(created);
  EXPECT_TRUE(log.Has(
      "[* WARN] Exception database is locked during database access in DuplicateEntireYear"))
      << log.Text();
  std::vector<WorkpointInfo> list(1);
  EXPECT_EQ(1, ParseSharedInfo(path, 2021, &list));
  EXPECT_TRUE(list.empty());
  EXPECT_TRUE(log.Has("[* WARN] Sqlite exception database is locked in ParseSharedInfo"));
  holder.exec("ROLLBACK");

  EXPECT_EQ(before, FileBytes(path));
  EXPECT_EQ(0, AddPdlEntry(path, kPm, "pw", year, "C:\\Studio\\"));
  EXPECT_EQ((std::vector<int>{1, 2}), Pdls(path, kPm, "2021"));
}

// A write lock (another PC in the middle of a registration) still lets readers through,
// while writers wait for it and give up after the timeout.
TEST(LockedFile, AWriterInProgressBlocksOnlyWriters) {
  TempFolder temp;
  const std::string path = NewSharedInfo(temp.path());
  const int year = YearId(path, "2021");
  SQLite::Database holder = RawDatabase(path);
  holder.exec("BEGIN IMMEDIATE");
  bool exists = true;
  EXPECT_EQ(0, ExistValidInstall(path, kPm, 2021, &exists));
  EXPECT_FALSE(exists);
  std::vector<WorkpointInfo> list;
  EXPECT_EQ(0, ParseSharedInfo(path, 2021, &list));
  EXPECT_EQ(1, AddPdlEntry(path, kPm, "pw", year, "C:\\Studio\\"));
  holder.exec("ROLLBACK");
  EXPECT_EQ(0, QueryInt(path, "SELECT count(*) FROM Workpoint"));
}

namespace {
// A registry written by our own operations: 40 workstations of one office in 2021, with a
// long root so that their rows fill several pages.
std::string OwnFileBytes() {
  static std::string bytes;
  if (bytes.empty()) {
    TempFolder temp;
    const std::string path = NewSharedInfo(temp.path());
    const int year = YearId(path, "2021");
    std::string root = "C:\\";
    for (int i = 0; i < 20; ++i) root += "Cartella piuttosto lunga\\";
    for (int i = 0; i < 40; ++i) EXPECT_EQ(0, AddPdlEntry(path, kPm, "pw", year, root));
    bytes = FileBytes(path);
  }
  return bytes;
}

const char kEndlessRows[] =
    "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n) SELECT i";

struct Recipe {
  const char* what;
  std::string sql;            // run on a fresh registry of our own, or empty
  size_t cut_from_end;        // bytes cut off the end of our own file
  size_t zero_page_from_end;  // a page whose second half is zeroed, counted from the end
  const char* results;        // RunAll's result codes
  int interrupted;            // calls that run into the time budget
  const char* error;          // the error line, followed by the file's path
};
}  // namespace

// What a hostile user of the office share or an interrupted copy leaves there: each call
// answers with its error code and the log names the file, no call outlives the time budget,
// and the file's bytes stay as they were.
TEST(BadFiles, HostileAndDamagedFilesAreRefusedInTimeAndLeftAsTheyAre) {
  const Recipe recipes[] = {
      {"a view as meta", "DROP TABLE meta; CREATE VIEW meta AS SELECT 1 AS key, 2 AS value;", 0, 0,
       "1 1 1 1 1 1 ", 0, "[**  ERR] SharedInfo not used, view meta is not a plain table -> "},
      {"an endless view as Workpoint",
       std::string("DROP TABLE Workpoint; CREATE VIEW Workpoint AS ") + kEndlessRows +
           " AS idWorkpoint, '01234' AS pm, 'pw' AS pwd, i AS pdl, 'x' AS assignee, "
           "'C:\\' AS path, 0 AS creationtime FROM n;",
       0, 0, "1 1 1 1 1 1 ", 0,
       "[**  ERR] SharedInfo not used, view Workpoint is not a plain table -> "},
      {"a view as workpoint_swext, in other letter case",
       "DROP TABLE Workpoint_SwExt; CREATE VIEW workpoint_swext AS SELECT 1 AS idWorkpoint, "
       "1 AS idSwExt;",
       0, 0, "1 1 1 1 1 1 ", 0,
       "[**  ERR] SharedInfo not used, view workpoint_swext is not a plain table -> "},
      {"an endless view as SwExt",
       std::string("DROP TABLE SwExt; CREATE VIEW SwExt AS ") + kEndlessRows +
           " AS idSwExt, 'MOLTRA' AS software, '2021' AS anno, '' AS cmdline, '' AS arguments "
           "FROM n;",
       0, 0, "1 1 1 1 1 1 ", 0,
       "[**  ERR] SharedInfo not used, view SwExt is not a plain table -> "},
      // Only the registration writes a Workpoint row here; the other calls work as usual.
      {"a trigger that reads an endless view",
       std::string("CREATE VIEW endless AS ") + kEndlessRows +
           " FROM n; "
           "CREATE TRIGGER stall AFTER INSERT ON Workpoint BEGIN SELECT count(*) FROM endless; "
           "END;",
       0, 0, "0 1 0 0 0 0 ", 1,
       "[**  ERR] SharedInfo operation over its time budget of 5 s, interrupted -> "},
      {"our own file cut short inside its last page", "", 1500, 0, "1 1 1 1 1 1 ", 0,
       "[**  ERR] SharedInfo damaged, not used -> "},
      {"our own file with half a page zeroed", "", 0, 2, "1 1 1 1 1 1 ", 0,
       "[**  ERR] SharedInfo damaged, not used -> "},
  };
  for (const Recipe& recipe : recipes) {
    SCOPED_TRACE(recipe.what);
    TempFolder temp;
    std::string path;
    if (!recipe.sql.empty()) {
      path = NewSharedInfo(temp.path());
      InsertWorkpoint(path, YearId(path, "2021"), kPm, 1, "PC\\altro", "C:\\Studio\\");
      Exec(path, recipe.sql);
    } else {
      path = temp.Sub("SharedInfo");
      std::string bytes = OwnFileBytes();
      ASSERT_GT(bytes.size(), 8 * 4096u);
      bytes.resize(bytes.size() - recipe.cut_from_end);
      if (recipe.zero_page_from_end) {
        const size_t page = (bytes.size() / 4096 - recipe.zero_page_from_end) * 4096;
        std::fill(bytes.begin() + page + 2048, bytes.begin() + page + 4096, '\0');
      }
      ASSERT_TRUE(WriteTextFile(path, bytes));
      // The damage is the silent kind: SQLite alone reads the file, with rows missing.
      EXPECT_LT(QueryInt(path,
                         "SELECT count(*) FROM Workpoint w, Workpoint_SwExt ws "
                         "WHERE w.idWorkpoint = ws.idWorkpoint"),
                40);
    }
    const std::string before = FileBytes(path);
    LogWatch log;
    const DWORD start = GetTickCount();
    EXPECT_EQ(std::string(recipe.results) == "1 1 1 1 1 1 " ? 1 : 0, CreateSharedInfo(path));
    EXPECT_EQ(recipe.results, Joined(RunAll(path)));
    EXPECT_LT(GetTickCount() - start, (recipe.interrupted + 1u) * kSharedInfoBudgetMs);
    EXPECT_TRUE(log.Has(recipe.error + path)) << log.Text();
    EXPECT_TRUE(before == FileBytes(path));
  }
}
