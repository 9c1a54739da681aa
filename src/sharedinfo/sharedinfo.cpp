#include "sharedinfo/sharedinfo.h"

#include <SQLiteCpp/Statement.h>
#include <SQLiteCpp/Transaction.h>

#include <exception>

#include "log/setup_log.h"
#include "sharedinfo/sharedinfo_connection.h"
#include "sharedinfo/sharedinfo_internal.h"

namespace {
struct TableDefinition {
  const char* name;
  const char* create;
};

// Other PCs (and older setups) read these tables: the statements must stay exactly as they are.
const TableDefinition kTables[] = {
    {"meta", "CREATE TABLE meta (key LONGVARCHAR NOT NULL UNIQUE PRIMARY KEY, value LONGVARCHAR);"},
    {"Workpoint",
     "CREATE TABLE Workpoint (idWorkpoint INTEGER PRIMARY KEY AUTOINCREMENT, pm TEXT, pwd BLOB, "
     "pdl INTEGER, assignee TEXT, path TEXT, creationtime INTEGER DEFAULT 0);"},
    {"Workpoint_SwExt", "CREATE TABLE Workpoint_SwExt (idWorkpoint INTEGER, idSwExt INTEGER);"},
    {"SwExt",
     "CREATE TABLE SwExt (idSwExt INTEGER PRIMARY KEY AUTOINCREMENT, software TEXT, anno TEXT, "
     "cmdline TEXT, arguments TEXT);"},
};

// The key is assembled at run time so that it does not sit in the executable as one string.
// Every PC must use the same one: the stored passwords are read back with it.
void BuildScrambleKey(unsigned char key[10]) {
  const char seed[] = "RivaduzZAV";
  for (int i = 0; i < 10; ++i) {
    key[i] = static_cast<unsigned char>((seed[i] ^ (0x35 + 11 * i)) | 0x01);
  }
}

// The id of the year's "MOLTRA" row; false when the year has none.
bool FindSwExt(SQLite::Database& db, const std::string& anno, int* idSwExt) {
  SQLite::Statement query(db,
                          "SELECT idSwExt FROM SwExt WHERE anno = ? AND software = 'MOLTRA' ORDER "
                          "BY anno DESC LIMIT 1");
  query.bind(1, anno);
  if (!query.executeStep()) return false;
  *idSwExt = query.getColumn(0).getInt();
  return true;
}
}  // namespace

std::string ScramblePassword(const std::string& text) {
  unsigned char key[10];
  BuildScrambleKey(key);
  std::string out(text);
  for (size_t i = 0; i < out.size(); ++i) {
    out[i] = static_cast<char>(static_cast<unsigned char>(out[i]) ^ key[i % 10]);
  }
  return out;
}

int CreateSharedInfo(const std::string& path) {
  if (path.empty()) return kSharedInfoError;
  try {
    SharedInfoDatabase db(path, SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
    for (const TableDefinition& table : kTables) {
      SQLite::Statement count(db,
                              "SELECT count(*) FROM sqlite_master WHERE type='table' AND name=?");
      count.bind(1, table.name);
      const bool present = count.executeStep() && count.getColumn(0).getInt() == 1;
      count.reset();
      if (!present) db.exec(table.create);
    }
  } catch (const std::exception& e) {
    WriteLog(std::string("[* WARN] Sqlite exception ") + e.what() + " in CreateSharedInfo");
    return kSharedInfoError;
  }
  return kSharedInfoOk;
}

void EnsureSwExt(SQLite::Database& db, const std::string& anno, int* idSwExt) {
  if (FindSwExt(db, anno, idSwExt)) {
    WriteLog("[  INFO] Software already present in database");
    return;
  }
  WriteLog("[  INFO] Software not present in database, adding it");
  SQLite::Statement insert(
      db,
      "INSERT INTO SwExt (software, anno, cmdline, arguments) VALUES ('MOLTRA', ?, "
      "'\\home\\BIN\\wrun32.exe', '-c ..\\etc\\cblconfi ..\\obj\\pcmenu.acu rete <pdl> "
      "<path_year>')");
  insert.bind(1, anno);
  insert.exec();
  *idSwExt = static_cast<int>(db.getLastInsertRowid());
}

int CheckInstallation(const std::string& path, const std::string& anno, int* idSwExt) {
  if (path.empty()) return kSharedInfoError;
  if (!CanReadSharedInfo(path)) return kSharedInfoCantOpen;
  if (anno.empty() || idSwExt == nullptr) return kSharedInfoError;
  try {
    SharedInfoDatabase db(path, SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
    if (FindSwExt(db, anno, idSwExt)) {
      WriteLog("[  INFO] Software already present in database");
      return kSharedInfoOk;
    }
    // Look again under the write lock: two PCs adding the same year at once would otherwise
    // both insert a row, and the year's workstations would be numbered in two series.
    SQLite::Transaction transaction(db, SQLite::TransactionBehavior::IMMEDIATE);
    EnsureSwExt(db, anno, idSwExt);
    transaction.commit();
  } catch (const std::exception& e) {
    *idSwExt = 0;
    WriteLog(std::string("[* WARN] Exception ") + e.what() +
             " during database access in CheckInstallation");
    return kSharedInfoError;
  }
  return kSharedInfoOk;
}
