// The workpoint operations on real files, grouped by operation.
#include <gtest/gtest.h>

#include "sharedinfo/sharedinfo.h"
#include "sharedinfo/sharedinfo_internal.h"
#include "sharedinfo_test_util.h"
#include "support/temp_folder.h"
#include "sys/identity.h"

namespace {
const std::string kPm = "01234";

class Registry : public testing::Test {
 protected:
  Registry() : path(NewSharedInfo(temp.path())), root(temp.path() + "\\Studio\\") {}
  TempFolder temp;
  std::string path;
  std::string root;
};

using AddPdlEntryTest = Registry;
using ExistValidInstallTest = Registry;
using RemoveWorkpointTest = Registry;
using ParseSharedInfoTest = Registry;
using DuplicateEntireYearTest = Registry;
}  // namespace

TEST_F(AddPdlEntryTest, TakesTheHighestNumberOfTheOfficeAndYearPlusOne) {
  const int y2020 = YearId(path, "2020");
  const int y2021 = YearId(path, "2021");
  for (int pdl : {1, 2, 4}) InsertWorkpoint(path, y2020, kPm, pdl, "PC\\altro", root);
  InsertWorkpoint(path, y2020, "09999", 9, "PC\\altro", root);
  LogWatch log;
  EXPECT_EQ(0, AddPdlEntry(path, kPm, "segreto", y2020, root, ""));
  EXPECT_EQ((std::vector<int>{1, 2, 4, 5}), Pdls(path, kPm, "2020"));
  const long long id = QueryInt(path, "SELECT max(idWorkpoint) FROM Workpoint");
  EXPECT_TRUE(log.Has("[  INFO] Created new workpoint -> " + std::to_string(id) + "\r\n"));
  EXPECT_TRUE(log.Has("[  INFO] Created association between workpoint and software"));
  // The new year's rows are counted on their own.
  EXPECT_EQ(0, AddPdlEntry(path, kPm, "segreto", y2021, root, ""));
  EXPECT_EQ((std::vector<int>{1}), Pdls(path, kPm, "2021"));
  EXPECT_EQ(
      GetCurrentAssignee(),
      QueryText(path, "SELECT assignee FROM Workpoint WHERE idWorkpoint=" + std::to_string(id)));
}

TEST_F(AddPdlEntryTest, StoresTheRowAsOtherPcsReadIt) {
  const int year = YearId(path, "2021");
  const std::string password("pw\xE0", 3);  // "pwà" in Windows-1252
  ASSERT_EQ(0, AddPdlEntry(path, kPm, password, year, root, "PC1\\mario"));
  EXPECT_EQ("text|3|integer|text|PC1\\mario",
            QueryText(path,
                      "SELECT typeof(pwd)||'|'||length(CAST(pwd AS BLOB))||'|'||typeof(pdl)"
                      "||'|'||typeof(creationtime)||'|'||assignee FROM Workpoint"));
  EXPECT_EQ(ScramblePassword(password), QueryText(path, "SELECT pwd FROM Workpoint"));
  EXPECT_EQ(
      1, QueryInt(path,
                  "SELECT count(*) FROM Workpoint WHERE creationtime GLOB "
                  "'[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9] [0-9][0-9]:[0-9][0-9]:[0-9][0-9]'"));
  EXPECT_EQ(year, QueryInt(path, "SELECT idSwExt FROM Workpoint_SwExt"));
}

TEST_F(AddPdlEntryTest, RefusesIncompleteArgumentsAndWritesNothing) {
  const int year = YearId(path, "2021");
  EXPECT_EQ(1, AddPdlEntry("", kPm, "pw", year, root));
  EXPECT_EQ(14, AddPdlEntry(temp.Sub("none"), kPm, "pw", year, root));
  EXPECT_EQ(1, AddPdlEntry(path, kPm, "", year, root));
  EXPECT_EQ(1, AddPdlEntry(path, "", "pw", year, root));
  EXPECT_EQ(1, AddPdlEntry(path, kPm, "pw", 0, root));
  EXPECT_EQ(1, AddPdlEntry(path, kPm, "pw", year, ""));
  EXPECT_EQ(0, QueryInt(path, "SELECT count(*) FROM Workpoint"));
  EXPECT_EQ(0, QueryInt(path, "SELECT count(*) FROM Workpoint_SwExt"));
}

TEST_F(AddPdlEntryTest, AFailedAssociationLeavesNoWorkpointBehind) {
  const int year = YearId(path, "2021");
  Exec(path,
       "CREATE TRIGGER refuse BEFORE INSERT ON Workpoint_SwExt BEGIN "
       "SELECT RAISE(ABORT, 'association refused'); END;");
  LogWatch log;
  EXPECT_EQ(1, AddPdlEntry(path, kPm, "pw", year, root));
  EXPECT_TRUE(
      log.Has("[* WARN] Exception association refused during database access in AddPdlEntry"))
      << log.Text();
  EXPECT_EQ(0, QueryInt(path, "SELECT count(*) FROM Workpoint"));
}

TEST_F(ExistValidInstallTest, YearLimitAndArguments) {
  bool exists = true;
  EXPECT_EQ(1, ExistValidInstall(path, kPm, 2014, &exists));
  EXPECT_TRUE(exists);
  EXPECT_EQ(1, ExistValidInstall(path, "", 2021, &exists));
  EXPECT_EQ(1, ExistValidInstall(path, kPm, 2021, nullptr));
  EXPECT_EQ(1, ExistValidInstall("", kPm, 2021, &exists));
  EXPECT_EQ(14, ExistValidInstall(temp.Sub("none"), kPm, 2021, &exists));
  EXPECT_TRUE(exists);
  EXPECT_EQ(0, ExistValidInstall(path, kPm, 2015, &exists));
  EXPECT_FALSE(exists);
  InsertWorkpoint(path, YearId(path, "2015"), kPm, 1, GetCurrentAssignee(), root);
  EXPECT_EQ(0, ExistValidInstall(path, kPm, 2015, &exists));
  EXPECT_TRUE(exists);
}

TEST_F(ExistValidInstallTest, FindsTheAssigneeInAnyLetterCaseOnly) {
  const int year = YearId(path, "2021");
  InsertWorkpoint(path, year, kPm, 1, "STUDIO-PC\\Mario.Rossi", root);
  InsertWorkpoint(path, year, kPm, 2, "PCX1\\anna", root);
  InsertWorkpoint(path, year, kPm, 3, "PC^9\\luca", root);
  const auto exists = [&](const std::string& who, int y = 2021, const std::string& pm = kPm) {
    bool found = false;
    EXPECT_EQ(0, ExistValidInstall(path, pm, y, &found, who));
    return found;
  };
  EXPECT_TRUE(exists("STUDIO-PC\\Mario.Rossi"));
  EXPECT_TRUE(exists("studio-pc\\MARIO.ROSSI"));
  EXPECT_FALSE(exists("STUDIO-PC\\Mario.Rossi", 2020));
  EXPECT_FALSE(exists("STUDIO-PC\\Mario.Rossi", 2021, "09999"));
  // Wildcard characters in a name stand only for themselves.
  EXPECT_FALSE(exists("PC_1\\anna"));
  EXPECT_FALSE(exists("PCX1\\%"));
  EXPECT_FALSE(exists("%"));
  EXPECT_TRUE(exists("pc^9\\LUCA"));
  EXPECT_FALSE(exists("PC^8\\luca"));
}

TEST_F(RemoveWorkpointTest, NothingToRemove) {
  YearId(path, "2021");
  InsertWorkpoint(path, 1, kPm, 1, "PC\\altro", root);
  LogWatch log;
  EXPECT_EQ(0, RemoveWorkpointOf(path, kPm, "2021", "PC\\io"));
  EXPECT_TRUE(log.Has("[* WARN] RemoveWorkpoint found 0 pair for 01234 2021 PC\\io\r\n"))
      << log.Text();
  EXPECT_FALSE(log.Has("RemoveWorkpoint removed"));
  EXPECT_EQ(1, QueryInt(path, "SELECT count(*) FROM Workpoint"));
  EXPECT_EQ(1, RemoveWorkpoint("", kPm, "2021"));
  EXPECT_EQ(14, RemoveWorkpoint(temp.Sub("none"), kPm, "2021"));
  EXPECT_EQ(1, RemoveWorkpoint(path, "", "2021"));
  EXPECT_EQ(1, RemoveWorkpoint(path, kPm, ""));
}

TEST_F(RemoveWorkpointTest, RemovesOnlyTheAssigneesRowsOfThatOfficeAndYear) {
  const int y2021 = YearId(path, "2021");
  const int y2020 = YearId(path, "2020");
  InsertWorkpoint(path, y2021, kPm, 1, "PC\\Io", root);
  InsertWorkpoint(path, y2021, kPm, 2, "pc\\io", root);  // same person, other case
  InsertWorkpoint(path, y2021, kPm, 3, "PC\\altro", root);
  InsertWorkpoint(path, y2021, kPm, 4, "P_\\io", root);  // not a wildcard of ours
  InsertWorkpoint(path, y2020, kPm, 1, "PC\\Io", root);
  InsertWorkpoint(path, y2021, "09999", 1, "PC\\Io", root);
  LogWatch log;
  EXPECT_EQ(0, RemoveWorkpointOf(path, kPm, "2021", "PC\\Io"));
  EXPECT_TRUE(log.Has("[* WARN] RemoveWorkpoint found 2 pair for 01234 2021 PC\\Io"));
  EXPECT_EQ(
      2, log.Count("[* WARN] RemoveWorkpoint removed 1 lines on Workpoint for 01234 2021 PC\\Io"));
  EXPECT_EQ(
      2, log.Count(
             "[* WARN] RemoveWorkpoint removed 1 lines on Workpoint_SwExt for 01234 2021 PC\\Io"));
  EXPECT_EQ((std::vector<int>{3, 4}), Pdls(path, kPm, "2021"));
  EXPECT_EQ((std::vector<int>{1}), Pdls(path, kPm, "2020"));
  EXPECT_EQ((std::vector<int>{1}), Pdls(path, "09999", "2021"));
  EXPECT_EQ(2, QueryInt(path, "SELECT count(*) FROM SwExt"));
  EXPECT_EQ(0, QueryInt(path,
                        "SELECT count(*) FROM Workpoint_SwExt ws WHERE NOT EXISTS "
                        "(SELECT 1 FROM Workpoint w WHERE w.idWorkpoint = ws.idWorkpoint)"));
}

TEST_F(RemoveWorkpointTest, AWildcardInTheCurrentNameDeletesNoOneElse) {
  const int year = YearId(path, "2021");
  InsertWorkpoint(path, year, kPm, 1, "PCA1\\mario", root);
  InsertWorkpoint(path, year, kPm, 2, "PC%\\x", root);
  EXPECT_EQ(0, RemoveWorkpointOf(path, kPm, "2021", "PC_1\\mario"));
  EXPECT_EQ(0, RemoveWorkpointOf(path, kPm, "2021", "%"));
  EXPECT_EQ((std::vector<int>{1, 2}), Pdls(path, kPm, "2021"));
}

TEST_F(RemoveWorkpointTest, AFailureHalfwayRemovesNothingAndSaysSo) {
  const int year = YearId(path, "2021");
  InsertWorkpoint(path, year, kPm, 1, "PC\\Io", root);
  Exec(path,
       "CREATE TRIGGER refuse BEFORE DELETE ON Workpoint_SwExt BEGIN "
       "SELECT RAISE(ABORT, 'association kept'); END;");
  LogWatch log;
  EXPECT_EQ(1, RemoveWorkpointOf(path, kPm, "2021", "PC\\Io"));
  EXPECT_TRUE(log.Has("[* WARN] RemoveWorkpoint found 1 pair for 01234 2021 PC\\Io")) << log.Text();
  EXPECT_TRUE(
      log.Has("[* WARN] Exception association kept during database access in RemoveWorkpoint"))
      << log.Text();
  EXPECT_FALSE(log.Has("RemoveWorkpoint removed")) << log.Text();
  EXPECT_EQ((std::vector<int>{1}), Pdls(path, kPm, "2021"));
}

TEST_F(RemoveWorkpointTest, UsesTheCurrentAssignee) {
  const int year = YearId(path, "2021");
  ASSERT_EQ(0, AddPdlEntry(path, kPm, "pw", year, root));
  InsertWorkpoint(path, year, kPm, 2, "PC\\altro", root);
  EXPECT_EQ(0, RemoveWorkpoint(path, kPm, "2021", ""));
  EXPECT_EQ((std::vector<int>{2}), Pdls(path, kPm, "2021"));
}

TEST_F(ParseSharedInfoTest, ListsTheYearAndTheYearBeforeOwnRowsFirst) {
  const std::string me = "STUDIO\\mario";
  const int y2021 = YearId(path, "2021");
  const int y2020 = YearId(path, "2020");
  const int y2019 = YearId(path, "2019");
  MakeRuntime(root, 2021);
  InsertWorkpoint(path, y2021, "00007", 5, "PC\\altro", "X:\\Altro\\", "pw-altro");
  const int mine = InsertWorkpoint(path, y2021, kPm, 1, me, root, "pass\xE0\x01wordlunga");
  const int missing = InsertWorkpoint(path, y2020, kPm, 1, me, root);  // no ZAV2020 folder
  const int loose = InsertWorkpoint(path, y2021, kPm, 2, "studio\\MARIO", root);
  InsertWorkpoint(path, y2019, kPm, 1, me, root);

  std::vector<WorkpointInfo> list(1);
  ASSERT_EQ(0, ParseSharedInfoAs(path, 2021, &list, me));
  ASSERT_EQ(4u, list.size());
  // The three rows of the current user (in the query's order), then the other one.
  const auto at = [&](int id) -> const WorkpointInfo& {
    for (size_t i = 0; i < 3; ++i)
      if (list[i].idWorkpoint == id) return list[i];
    ADD_FAILURE() << "row " << id << " is not among the own rows";
    return list[3];
  };
  const WorkpointInfo& own = at(mine);
  EXPECT_EQ(y2021, own.idSwExt);
  EXPECT_EQ(kPm, own.pm);
  EXPECT_EQ("pass\xE0\x01wordlunga", own.pwd);
  EXPECT_EQ("1", own.pdl);
  EXPECT_EQ(me, own.assignee);
  EXPECT_EQ(2021, own.anno);
  EXPECT_EQ(root, own.path);
  EXPECT_EQ("\\home\\BIN\\wrun32.exe", own.cmdline);
  EXPECT_EQ("-c ..\\etc\\cblconfi ..\\obj\\pcmenu.acu rete <pdl> <path_year>", own.arguments);
  EXPECT_TRUE(own.valid);
  EXPECT_EQ(2020, at(missing).anno);
  EXPECT_FALSE(at(missing).valid);  // its runtime is not on disk
  EXPECT_FALSE(at(loose).valid);    // found only through the letter-case rule
  EXPECT_EQ("00007", list[3].pm);
  EXPECT_EQ("pw-altro", list[3].pwd);
  EXPECT_TRUE(list[3].valid);
}

TEST_F(ParseSharedInfoTest, AWildcardInTheCurrentNameDoesNotMakeAnotherUsersRowOwn) {
  const int year = YearId(path, "2021");
  MakeRuntime(root, 2021);
  InsertWorkpoint(path, year, kPm, 1, "PCA1\\mario", root);
  InsertWorkpoint(path, year, kPm, 2, "pc_1\\MARIO", root);
  std::vector<WorkpointInfo> list;
  ASSERT_EQ(0, ParseSharedInfoAs(path, 2021, &list, "PC_1\\mario"));
  ASSERT_EQ(2u, list.size());
  EXPECT_EQ("pc_1\\MARIO", list[0].assignee);  // own, through the letter case only
  EXPECT_FALSE(list[0].valid);
  EXPECT_EQ("PCA1\\mario", list[1].assignee);  // someone else's, listed with the others
  EXPECT_TRUE(list[1].valid);
}

TEST_F(ParseSharedInfoTest, UnreadableAndBrokenFiles) {
  std::vector<WorkpointInfo> list(2);
  EXPECT_EQ(14, ParseSharedInfo("", 2021, &list));
  EXPECT_EQ(14, ParseSharedInfo(temp.Sub("none"), 2021, &list));
  EXPECT_EQ(2u, list.size());
  Exec(path, "DROP TABLE SwExt");
  LogWatch log;
  EXPECT_EQ(1, ParseSharedInfo(path, 2021, &list));
  EXPECT_TRUE(list.empty());
  EXPECT_TRUE(log.Has("[* WARN] Sqlite exception no such table: SwExt in ParseSharedInfo"))
      << log.Text();
}

TEST_F(ParseSharedInfoTest, TheCurrentUsersOwnRegistrationIsValid) {
  const int year = YearId(path, "2021");
  MakeRuntime(root, 2021);
  ASSERT_EQ(0, AddPdlEntry(path, kPm, "segreto", year, root));
  std::vector<WorkpointInfo> list;
  ASSERT_EQ(0, ParseSharedInfo(path, 2021, &list));
  ASSERT_EQ(1u, list.size());
  EXPECT_TRUE(list[0].valid);
  EXPECT_EQ("segreto", list[0].pwd);
  EXPECT_EQ(GetCurrentAssignee(), list[0].assignee);
}

TEST_F(DuplicateEntireYearTest, FillsEveryYearForTwoUsersAndThenDoesNothing) {
  const std::string me = GetCurrentAssignee();
  const int y2021 = YearId(path, "2021");
  ASSERT_EQ(0, AddPdlEntry(path, kPm, "segreto", y2021, root));
  ASSERT_EQ(0, AddPdlEntry(path, kPm, "segreto", y2021, "Y:\\Altro\\", "ALTRO-PC\\anna"));
  LogWatch log;
  bool created = false;
  EXPECT_EQ(0, DuplicateEntireYear(path, kPm, "2021", &created));
  EXPECT_TRUE(created);
  for (int year = 2016; year <= 2020; ++year) {
    EXPECT_EQ((std::vector<int>{1}), Pdls(path, kPm, std::to_string(year))) << year;
  }
  EXPECT_EQ((std::vector<int>{1, 2}), Pdls(path, kPm, "2021"));
  EXPECT_EQ(5, log.Count("[  INFO] Created new workpoint  -> "));
  EXPECT_TRUE(log.Has(" -> 01234 -> 2016 -> 1 -> " + me + "\r\n")) << log.Text();
  EXPECT_EQ(1, QueryInt(path, "SELECT count(*) FROM SwExt WHERE anno='2016'"));
  // Every copy is tied to its year, and keeps the stored password as it was.
  EXPECT_EQ(0, QueryInt(path,
                        "SELECT count(*) FROM Workpoint_SwExt WHERE idSwExt = 0 OR idSwExt "
                        "NOT IN (SELECT idSwExt FROM SwExt)"));
  EXPECT_EQ(0, QueryInt(path,
                        "SELECT count(*) FROM Workpoint w WHERE (SELECT count(*) FROM "
                        "Workpoint_SwExt ws WHERE ws.idWorkpoint = w.idWorkpoint) <> 1"));
  EXPECT_EQ(1, QueryInt(path, "SELECT count(DISTINCT pwd) FROM Workpoint"));
  EXPECT_EQ(0, QueryInt(path, "SELECT count(*) FROM Workpoint WHERE typeof(pdl) <> 'integer'"));

  const long long rows = QueryInt(path, "SELECT count(*) FROM Workpoint");
  created = true;
  EXPECT_EQ(0, DuplicateEntireYear(path, kPm, "2021", &created));
  EXPECT_FALSE(created);
  EXPECT_EQ(rows, QueryInt(path, "SELECT count(*) FROM Workpoint"));
}

TEST_F(DuplicateEntireYearTest, CopiesOthersIntoTheCurrentYearAndOwnRowsBackwards) {
  const std::string me = GetCurrentAssignee();
  const int y2016 = YearId(path, "2016");
  const int y2018 = YearId(path, "2018");
  InsertWorkpoint(path, y2016, kPm, 3, "ALTRO\\anna", "Y:\\A\\");
  InsertWorkpoint(path, y2018, kPm, 7, me, root);
  bool created = false;
  EXPECT_EQ(0, DuplicateEntireYear(path, kPm, "2018", &created));
  EXPECT_TRUE(created);
  EXPECT_EQ((std::vector<int>{3, 7}), Pdls(path, kPm, "2016"));
  EXPECT_EQ((std::vector<int>{7}), Pdls(path, kPm, "2017"));
  EXPECT_EQ((std::vector<int>{3, 7}), Pdls(path, kPm, "2018"));
  EXPECT_EQ((std::vector<int>{}), Pdls(path, kPm, "2019"));
  EXPECT_EQ(1, QueryInt(path,
                        "SELECT count(*) FROM Workpoint WHERE assignee='ALTRO\\anna' AND "
                        "pdl=3 AND path='Y:\\A\\' AND idWorkpoint IN (SELECT idWorkpoint "
                        "FROM Workpoint_SwExt WHERE idSwExt=" +
                            std::to_string(y2018) + ")"));
}

TEST_F(DuplicateEntireYearTest, ArgumentsAndYearsBefore2016) {
  bool created = true;
  EXPECT_EQ(1, DuplicateEntireYear("", kPm, "2021", &created));
  EXPECT_FALSE(created);
  EXPECT_EQ(14, DuplicateEntireYear(temp.Sub("none"), kPm, "2021", &created));
  EXPECT_EQ(1, DuplicateEntireYear(path, "", "2021", &created));
  EXPECT_EQ(1, DuplicateEntireYear(path, kPm, "", &created));
  EXPECT_EQ(1, DuplicateEntireYear(path, kPm, "2021", nullptr));
  EXPECT_EQ(0, DuplicateEntireYear(path, kPm, "2021", &created));  // empty file
  EXPECT_FALSE(created);
  InsertWorkpoint(path, YearId(path, "2015"), kPm, 1, GetCurrentAssignee(), root);
  EXPECT_EQ(0, DuplicateEntireYear(path, kPm, "2015", &created));
  EXPECT_FALSE(created);
  EXPECT_EQ(1, QueryInt(path, "SELECT count(*) FROM Workpoint"));
}

TEST_F(DuplicateEntireYearTest, AYearThatCannotBeAddedIsSkippedNotTiedToZero) {
  const int y2021 = YearId(path, "2021");
  ASSERT_EQ(0, AddPdlEntry(path, kPm, "pw", y2021, root));
  Exec(path,
       "CREATE TRIGGER refuse BEFORE INSERT ON SwExt BEGIN "
       "SELECT RAISE(ABORT, 'year refused'); END;");
  LogWatch log;
  bool created = true;
  EXPECT_EQ(0, DuplicateEntireYear(path, kPm, "2021", &created));
  EXPECT_FALSE(created);
  EXPECT_EQ(5, log.Count("during database access in CheckInstallation")) << log.Text();
  EXPECT_EQ(1, QueryInt(path, "SELECT count(*) FROM Workpoint"));
  EXPECT_EQ(0, QueryInt(path, "SELECT count(*) FROM Workpoint_SwExt WHERE idSwExt = 0"));
}

TEST_F(DuplicateEntireYearTest, AYearRowWithIdZeroTakesNoCopies) {
  const int y2020 = YearId(path, "2020");
  InsertWorkpoint(path, y2020, kPm, 4, GetCurrentAssignee(), root);
  Exec(path,
       "INSERT INTO SwExt (idSwExt, software, anno, cmdline, arguments) VALUES "
       "(0, 'MOLTRA', '2021', '\\home\\BIN\\wrun32.exe', '')");
  LogWatch log;
  bool created = false;
  EXPECT_EQ(0, DuplicateEntireYear(path, kPm, "2021", &created));
  EXPECT_TRUE(created);  // 2016 to 2019
  EXPECT_TRUE(
      log.Has("[* WARN] Exception SwExt row without a valid id during database access "
              "in CheckInstallation"))
      << log.Text();
  EXPECT_EQ((std::vector<int>{4}), Pdls(path, kPm, "2016"));
  EXPECT_EQ((std::vector<int>{}), Pdls(path, kPm, "2021"));
  EXPECT_EQ(0, QueryInt(path, "SELECT count(*) FROM Workpoint_SwExt WHERE idSwExt <= 0"));
}
