// Benchmark of the registry on a large office file; run through bench.sh, which compares
// the figures with the sqlite3 tool running the same queries on the same file.
//   sharedinfo_bench fill <SharedInfo>             50 offices x 30 workstations x 2016..2021
//   sharedinfo_bench time <SharedInfo> <repeats>   prints the average times in milliseconds
#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>
#include <SQLiteCpp/Transaction.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "sharedinfo/sharedinfo.h"
#include "sharedinfo/assignee_rule.h"
#include "sharedinfo/sharedinfo_connection.h"
#include "sharedinfo/sharedinfo_internal.h"
#include "sys/identity.h"

namespace {
const int kOffices = 50;
const int kWorkpoints = 30;
const int kFirstYear = 2016;
const int kLastYear = 2021;

std::string OfficeCode(int office) {
  char code[8];
  std::snprintf(code, sizeof(code), "%05d", office);
  return code;
}

double NowMs() {
  LARGE_INTEGER frequency, now;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&now);
  return 1000.0 * static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

int Fill(const std::string& path) {
  DeleteFileA(path.c_str());
  if (CreateSharedInfo(path) != 0) return 1;
  std::vector<int> years;
  for (int year = kFirstYear; year <= kLastYear; ++year) {
    int id = 0;
    if (CheckInstallation(path, std::to_string(year), &id) != 0) return 1;
    years.push_back(id);
  }
  // Written directly in one transaction: the registry's own calls would take minutes.
  SQLite::Database db(path, SQLite::OPEN_READWRITE, 5000);
  SQLite::Transaction transaction(db);
  SQLite::Statement insert(db,
                           "INSERT INTO Workpoint (pm, pwd, pdl, assignee, path, creationtime) "
                           "VALUES (?, ?, ?, ?, ?, datetime('now'))");
  SQLite::Statement associate(db,
                              "INSERT INTO Workpoint_SwExt (idWorkpoint, idSwExt) VALUES (?, ?)");
  const std::string me = GetCurrentAssignee();
  for (int office = 1; office <= kOffices; ++office) {
    for (int pdl = 1; pdl <= kWorkpoints; ++pdl) {
      // The first workstation of every office is the current user's.
      const std::string who =
          pdl == 1 ? me : "PC-" + std::to_string(pdl) + "\\utente" + std::to_string(pdl);
      for (int id_swext : years) {
        insert.bind(1, OfficeCode(office));
        insert.bind(2, ScramblePassword("pw" + std::to_string(office)));
        insert.bind(3, pdl);
        insert.bind(4, who);
        insert.bind(5, "C:\\Studio" + std::to_string(office) + "\\");
        insert.exec();
        insert.reset();
        associate.bind(1, static_cast<int>(db.getLastInsertRowid()));
        associate.bind(2, id_swext);
        associate.exec();
        associate.reset();
      }
    }
  }
  transaction.commit();
  return 0;
}

const char kColumns[] =
    "SELECT ws.idSwExt, w.idWorkpoint, w.pm, w.pwd, w.pdl, w.assignee, s.anno, w.path, s.cmdline, "
    "s.arguments FROM Workpoint w, Workpoint_SwExt ws, SwExt s WHERE w.idWorkpoint = "
    "ws.idWorkpoint "
    "AND ws.idSwExt = s.idSwExt AND s.software = 'MOLTRA' AND (s.anno = 2021 OR s.anno = 2020)";

// The statements alone on one connection that stays open, inside this same process: what
// the library costs here, without the per-call open and the runtime folder probes.
double RawParse(const std::string& path, int repeats) {
  SQLite::Database db(path, SQLite::OPEN_READONLY, 500);
  const std::string me = GetCurrentAssignee();
  const double start = NowMs();
  size_t bytes = 0;
  for (int i = 0; i < repeats; ++i) {
    SQLite::Statement own(db, std::string(kColumns) + " AND " + kAssigneeRule);
    BindAssigneeRule(own, 1, me);
    SQLite::Statement all(db, kColumns);
    for (SQLite::Statement* query : {&own, &all}) {
      while (query->executeStep()) {
        for (int c = 0; c < 10; ++c) bytes += query->getColumn(c).getString().size();
      }
    }
  }
  return bytes > 0 ? (NowMs() - start) / repeats : -1;
}

double RawDuplicate(const std::string& path, int repeats) {
  SQLite::Database db(path, SQLite::OPEN_READWRITE, 500);
  const std::string me = GetCurrentAssignee();
  const double start = NowMs();
  for (int i = 0; i < repeats; ++i) {
    const std::string pm = OfficeCode(1 + i % kOffices);
    SQLite::Statement rows(db,
                           "SELECT DISTINCT w.pwd, w.pdl, w.assignee, w.path FROM Workpoint w, "
                           "Workpoint_SwExt ws, SwExt s WHERE w.idWorkpoint = ws.idWorkpoint AND "
                           "ws.idSwExt = s.idSwExt AND pm = ? AND software = 'MOLTRA'");
    rows.bind(1, pm);
    std::vector<std::string> owners;
    while (rows.executeStep()) owners.push_back(rows.getColumn(2).getString());
    for (const std::string& owner : owners) {
      for (int year = kFirstYear; year <= kLastYear; ++year) {
        if (year != kLastYear && owner != me) continue;
        if (!HasWorkpoint(db, pm, year, owner)) return -1;
      }
    }
  }
  return (NowMs() - start) / repeats;
}

// What every registry call now pays before its own statements: a connection with the
// integrity and table checks (SharedInfoDatabase), against a plain connection's open.
double CheckedOpen(const std::string& path, int repeats, bool checked) {
  const double start = NowMs();
  for (int i = 0; i < repeats; ++i) {
    if (checked) {
      SharedInfoDatabase db(path, SQLite::OPEN_READONLY);
    } else {
      SQLite::Database db(path, SQLite::OPEN_READONLY, 500);
      SQLite::Statement first(db, "SELECT count(*) FROM sqlite_master");
      first.executeStep();  // the schema is read, as the first statement of a call does
    }
  }
  return (NowMs() - start) / repeats;
}

int Time(const std::string& path, int repeats) {
  const double open_checked = CheckedOpen(path, repeats, true);
  const double open_plain = CheckedOpen(path, repeats, false);
  const double raw_parse = RawParse(path, repeats);
  const double raw_duplicate = RawDuplicate(path, repeats);
  std::vector<WorkpointInfo> list;
  double start = NowMs();
  for (int i = 0; i < repeats; ++i) {
    if (ParseSharedInfo(path, kLastYear, &list) != 0) return 1;
  }
  const double parse = (NowMs() - start) / repeats;
  // The same lists for a user with no workstation: no runtime folders to look for.
  start = NowMs();
  for (int i = 0; i < repeats; ++i) {
    if (ParseSharedInfoAs(path, kLastYear, &list, "NESSUNO\\nessuno") != 0) return 1;
  }
  const double parse_stranger = (NowMs() - start) / repeats;

  start = NowMs();
  for (int i = 0; i < repeats; ++i) {
    bool created = false;
    if (DuplicateEntireYear(path, OfficeCode(1 + i % kOffices), std::to_string(kLastYear),
                            &created) != 0)
      return 1;
    if (created) return 1;  // the file is complete: nothing may be added
  }
  const double duplicate = (NowMs() - start) / repeats;

  // Registration: one new workstation per call (the file grows by `repeats` rows).
  int id = 0;
  CheckInstallation(path, std::to_string(kLastYear), &id);
  start = NowMs();
  for (int i = 0; i < repeats; ++i) {
    if (AddPdlEntry(path, OfficeCode(kOffices + 1), "pw", id, "C:\\Bench\\") != 0) return 1;
  }
  const double add = (NowMs() - start) / repeats;

  std::string hex;
  char pair[3];
  for (unsigned char c : GetCurrentAssignee()) {
    std::snprintf(pair, sizeof(pair), "%02X", c);
    hex += pair;
  }
  std::printf("open_checked_ms=%.3f\nopen_plain_ms=%.3f\n", open_checked, open_plain);
  std::printf(
      "raw_parse_ms=%.3f\nraw_duplicate_ms=%.3f\nrows=%u\nparse_ms=%.3f\nparse_stranger_ms=%."
      "3f\nduplicate_ms=%.3f\nadd_ms=%.3f\nassignee_hex=%s\n",
      raw_parse, raw_duplicate, static_cast<unsigned>(list.size()), parse, parse_stranger,
      duplicate, add, hex.c_str());
  return 0;
}
}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 2 ? argv[1] : "";
  if (mode == "fill") return Fill(argv[2]);
  if (mode == "time" && argc > 3) return Time(argv[2], std::atoi(argv[3]));
  std::fprintf(stderr, "usage: sharedinfo_bench fill|time <SharedInfo> [repeats]\n");
  return 2;
}
