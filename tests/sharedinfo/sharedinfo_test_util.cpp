#include "sharedinfo_test_util.h"

#include <SQLiteCpp/Statement.h>
#include <gtest/gtest.h>
#include <windows.h>

#include "log/setup_log.h"
#include "sharedinfo/sharedinfo.h"
#include "support/temp_folder.h"
#include "sys/fs_utils.h"

LogWatch::LogWatch() : start_(ReadTextFile(GetLogFilePath()).size()) {}

std::string LogWatch::Text() const {
  const std::string all = ReadTextFile(GetLogFilePath());
  return all.size() > start_ ? all.substr(start_) : std::string();
}

bool LogWatch::Has(const std::string& text) const { return Count(text) > 0; }

int LogWatch::Count(const std::string& text) const {
  const std::string all = Text();
  int count = 0;
  for (size_t at = all.find(text); at != std::string::npos; at = all.find(text, at + 1)) ++count;
  return count;
}

SQLite::Database RawDatabase(const std::string& path) {
  return SQLite::Database(path, SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE, 500);
}

long long QueryInt(const std::string& path, const std::string& sql) {
  SQLite::Database db = RawDatabase(path);
  SQLite::Statement query(db, sql);
  return query.executeStep() ? query.getColumn(0).getInt64() : -1;
}

std::string QueryText(const std::string& path, const std::string& sql) {
  SQLite::Database db = RawDatabase(path);
  SQLite::Statement query(db, sql);
  return query.executeStep() ? query.getColumn(0).getString() : std::string("<no row>");
}

void Exec(const std::string& path, const std::string& sql) {
  SQLite::Database db = RawDatabase(path);
  db.exec(sql);
}

std::string NewSharedInfo(const std::string& folder) {
  const std::string path = folder + "\\SharedInfo";
  EXPECT_EQ(0, CreateSharedInfo(path));
  return path;
}

int YearId(const std::string& path, const std::string& year) {
  int id = -1;
  EXPECT_EQ(0, CheckInstallation(path, year, &id));
  return id;
}

int InsertWorkpoint(const std::string& path, int idSwExt, const std::string& pm, int pdl,
                    const std::string& assignee, const std::string& root,
                    const std::string& password) {
  SQLite::Database db = RawDatabase(path);
  SQLite::Statement insert(db,
                           "INSERT INTO Workpoint (pm, pwd, pdl, assignee, path, creationtime) "
                           "VALUES (?, ?, ?, ?, ?, datetime('now'))");
  insert.bind(1, pm);
  insert.bind(2, ScramblePassword(password));
  insert.bind(3, pdl);
  insert.bind(4, assignee);
  insert.bind(5, root);
  insert.exec();
  const int id = static_cast<int>(db.getLastInsertRowid());
  SQLite::Statement associate(db,
                              "INSERT INTO Workpoint_SwExt (idWorkpoint, idSwExt) VALUES (?, ?)");
  associate.bind(1, id);
  associate.bind(2, idSwExt);
  associate.exec();
  return id;
}

std::vector<int> Pdls(const std::string& path, const std::string& pm, const std::string& year) {
  SQLite::Database db = RawDatabase(path);
  SQLite::Statement query(db,
                          "SELECT w.pdl FROM Workpoint w, Workpoint_SwExt ws, SwExt s WHERE "
                          "w.idWorkpoint = ws.idWorkpoint AND ws.idSwExt = s.idSwExt AND "
                          "w.pm = ? AND s.anno = ? ORDER BY w.pdl");
  query.bind(1, pm);
  query.bind(2, year);
  std::vector<int> pdls;
  while (query.executeStep()) pdls.push_back(query.getColumn(0).getInt());
  return pdls;
}

std::string FileBytes(const std::string& path) { return ReadTextFile(path); }

void MakeRuntime(const std::string& root, int year) {
  const std::string bin = root + "ZAV" + std::to_string(year) + "\\home\\BIN";
  CreateDirectoryTree(bin);
  ASSERT_TRUE(WriteTextFile(bin + "\\wrun32.exe", "MZ"));
}
