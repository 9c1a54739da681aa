#include <SQLiteCpp/Statement.h>
#include <SQLiteCpp/Transaction.h>

#include <exception>
#include <set>
#include <stdexcept>
#include <utility>

#include "log/setup_log.h"
#include "sharedinfo/assignee_rule.h"
#include "sharedinfo/sharedinfo.h"
#include "sharedinfo/sharedinfo_connection.h"
#include "sharedinfo/sharedinfo_internal.h"
#include "sys/identity.h"
#include "sys/string_utils.h"

namespace {
const char kSoftware[] = "MOLTRA";
const int kFirstCopyYear = 2016;
const int kFirstQueryYear = 2015;

const char kInsertWorkpoint[] =
    "INSERT INTO Workpoint (pm, pwd, pdl, assignee, path, creationtime) "
    "VALUES (?, ?, ?, ?, ?, datetime('now'))";
const char kInsertAssociation[] =
    "INSERT INTO Workpoint_SwExt (idWorkpoint, idSwExt) VALUES (?, ?);";

const char kWorkpointColumns[] =
    "SELECT ws.idSwExt, w.idWorkpoint, w.pm, w.pwd, w.pdl, w.assignee, s.anno, w.path, "
    "s.cmdline, s.arguments FROM Workpoint w, Workpoint_SwExt ws, SwExt s "
    "WHERE w.idWorkpoint = ws.idWorkpoint AND ws.idSwExt = s.idSwExt AND s.software = ? "
    "AND (s.anno = ? OR s.anno = ?)";

void LogDatabaseException(const std::exception& e, const char* operation) {
  WriteLog(std::string("[* WARN] Exception ") + e.what() + " during database access in " +
           operation);
}

// Every column is read through its bytes: the scrambled password may hold NUL bytes, and
// NULL columns read as empty texts or 0.
WorkpointInfo ReadWorkpoint(SQLite::Statement& row) {
  WorkpointInfo info;
  info.idSwExt = row.getColumn(0).getInt();
  info.idWorkpoint = row.getColumn(1).getInt();
  info.pm = row.getColumn(2).getString();
  info.pwd = ScramblePassword(row.getColumn(3).getString());
  info.pdl = row.getColumn(4).getString();
  info.assignee = row.getColumn(5).getString();
  info.anno = row.getColumn(6).getInt();
  info.path = row.getColumn(7).getString();
  info.cmdline = row.getColumn(8).getString();
  info.arguments = row.getColumn(9).getString();
  return info;
}

// The year's runtime program, as the row places it: root, "ZAV" and year, then the program
// folder taken from the stored command line.
std::string RuntimeProgramPath(const WorkpointInfo& info) {
  const size_t wrun = info.cmdline.find("\\wrun");
  const std::string folder =
      wrun == std::string::npos ? info.cmdline : info.cmdline.substr(0, wrun);
  return info.path + "ZAV" + IntToString(info.anno) + folder + "\\wrun32.exe";
}

// The rows of one assignee for an office and year, as `columns` of the joined tables. The
// software, the office and the assignee are bound here; the year (parameter 2) is left to
// the caller, which binds it as a number or as text.
SQLite::Statement AssigneeRowsQuery(SQLite::Database& db, const char* columns,
                                    const std::string& pm, const std::string& assignee) {
  SQLite::Statement query(
      db, std::string("SELECT DISTINCT ") + columns +
              " FROM Workpoint w, Workpoint_SwExt ws, SwExt s WHERE w.idWorkpoint = ws.idWorkpoint "
              "AND ws.idSwExt = s.idSwExt AND s.software = ? AND s.anno = ? AND w.pm = ? AND " +
              kAssigneeRule);
  query.bind(1, kSoftware);
  query.bind(3, pm);
  BindAssigneeRule(query, 4, assignee);
  return query;
}

// Writes a workstation row and its tie to the year; returns the new idWorkpoint. The caller
// holds the transaction that makes the two inserts one.
template <typename Pdl>
long long InsertWorkpointRow(SQLite::Database& db, const std::string& pm,
                             const std::string& stored_pwd, const Pdl& pdl,
                             const std::string& assignee, const std::string& root, int idSwExt) {
  SQLite::Statement insert(db, kInsertWorkpoint);
  insert.bind(1, pm);
  insert.bind(2, stored_pwd);
  insert.bind(3, pdl);
  insert.bind(4, assignee);
  insert.bind(5, root);
  insert.exec();
  const long long id_workpoint = db.getLastInsertRowid();
  SQLite::Statement associate(db, kInsertAssociation);
  associate.bind(1, static_cast<int>(id_workpoint));
  associate.bind(2, idSwExt);
  associate.exec();
  return id_workpoint;
}

struct StoredWorkpoint {
  std::string pwd;  // scrambled, copied unchanged
  std::string pdl;
  std::string assignee;
  std::string path;
};
}  // namespace

bool HasWorkpoint(SQLite::Database& db, const std::string& pm, int year,
                  const std::string& assignee) {
  SQLite::Statement query = AssigneeRowsQuery(db, "w.pdl", pm, assignee);
  query.bind(2, year);
  return query.executeStep();
}

int AddPdlEntry(const std::string& path, const std::string& pm, const std::string& pwd, int idSwExt,
                const std::string& root, const std::string& assignee) {
  if (path.empty()) return kSharedInfoError;
  if (!CanReadSharedInfo(path)) return kSharedInfoCantOpen;
  if (pm.empty() || pwd.empty() || idSwExt <= 0 || root.empty()) return kSharedInfoError;
  const std::string owner = assignee.empty() ? GetCurrentAssignee() : assignee;
  long long id_workpoint = 0;
  try {
    SharedInfoDatabase db(path, SQLite::OPEN_READWRITE);
    // The number is chosen and both rows are written under one write lock: a second PC
    // registering at the same moment waits and then sees this number as taken, and a
    // failure leaves no workpoint without its association.
    SQLite::Transaction transaction(db, SQLite::TransactionBehavior::IMMEDIATE);
    int pdl = 1;
    {
      SQLite::Statement highest(
          db,
          "SELECT w.pdl FROM Workpoint w JOIN Workpoint_SwExt ws WHERE w.idWorkpoint = "
          "ws.idWorkpoint AND ws.idSwExt = ? AND w.pm = ? ORDER BY pdl DESC LIMIT 1");
      highest.bind(1, idSwExt);
      highest.bind(2, pm);
      if (highest.executeStep()) pdl = highest.getColumn(0).getInt() + 1;
    }
    id_workpoint = InsertWorkpointRow(db, pm, ScramblePassword(pwd), pdl, owner, root, idSwExt);
    transaction.commit();
  } catch (const std::exception& e) {
    LogDatabaseException(e, "AddPdlEntry");
    return kSharedInfoError;
  }
  // Logged once committed, so the log never names a row that was rolled back.
  WriteLog("[  INFO] Created new workpoint -> " + IntToString(id_workpoint));
  WriteLog("[  INFO] Created association between workpoint and software");
  return kSharedInfoOk;
}

int ExistValidInstall(const std::string& path, const std::string& pm, int year, bool* exists,
                      const std::string& assignee) {
  if (path.empty()) return kSharedInfoError;
  if (!CanReadSharedInfo(path)) return kSharedInfoCantOpen;
  if (pm.empty() || year < kFirstQueryYear || exists == nullptr) return kSharedInfoError;
  *exists = false;
  const std::string owner = assignee.empty() ? GetCurrentAssignee() : assignee;
  try {
    SharedInfoDatabase db(path, SQLite::OPEN_READONLY);
    *exists = HasWorkpoint(db, pm, year, owner);
  } catch (const std::exception& e) {
    LogDatabaseException(e, "ExistValidInstall");
    return kSharedInfoError;
  }
  return kSharedInfoOk;
}

int RemoveWorkpoint(const std::string& path, const std::string& pm, const std::string& anno,
                    const std::string& /*assignee*/) {
  if (path.empty()) return kSharedInfoError;
  return RemoveWorkpointOf(path, pm, anno, GetCurrentAssignee());
}

int RemoveWorkpointOf(const std::string& path, const std::string& pm, const std::string& anno,
                      const std::string& current_assignee) {
  if (path.empty()) return kSharedInfoError;
  if (!CanReadSharedInfo(path)) return kSharedInfoCantOpen;
  if (pm.empty() || anno.empty()) return kSharedInfoError;
  const std::string suffix = " for " + pm + " " + anno + " " + current_assignee;
  std::vector<std::string> removed;  // the "removed" lines, in the order of the deletions
  try {
    SharedInfoDatabase db(path, SQLite::OPEN_READWRITE);
    // One transaction: a failure halfway must not leave associations to deleted workpoints.
    SQLite::Transaction transaction(db, SQLite::TransactionBehavior::IMMEDIATE);
    std::vector<std::pair<std::string, std::string>> pairs;  // idSwExt, idWorkpoint
    {
      SQLite::Statement query =
          AssigneeRowsQuery(db, "ws.idSwExt, ws.idWorkpoint", pm, current_assignee);
      query.bind(2, anno);
      while (query.executeStep()) {
        pairs.emplace_back(query.getColumn(0).getString(), query.getColumn(1).getString());
      }
    }
    WriteLog("[* WARN] RemoveWorkpoint found " + IntToString(static_cast<long long>(pairs.size())) +
             " pair" + suffix);
    SQLite::Statement delete_workpoint(db, "DELETE FROM Workpoint WHERE idWorkpoint = ?");
    SQLite::Statement delete_association(
        db, "DELETE FROM Workpoint_SwExt WHERE idSwExt = ? AND idWorkpoint = ?");
    for (const auto& pair : pairs) {
      delete_workpoint.bind(1, pair.second);
      const int workpoints = delete_workpoint.exec();
      delete_workpoint.reset();
      removed.push_back("[* WARN] RemoveWorkpoint removed " + IntToString(workpoints) +
                        " lines on Workpoint" + suffix);
      delete_association.bind(1, pair.first);
      delete_association.bind(2, pair.second);
      const int associations = delete_association.exec();
      delete_association.reset();
      removed.push_back("[* WARN] RemoveWorkpoint removed " + IntToString(associations) +
                        " lines on Workpoint_SwExt" + suffix);
    }
    transaction.commit();
  } catch (const std::exception& e) {
    LogDatabaseException(e, "RemoveWorkpoint");
    return kSharedInfoError;
  }
  // Written once committed: a rolled-back removal must not read as done in the log.
  for (const std::string& line : removed) WriteLog(line);
  return kSharedInfoOk;
}

int DuplicateEntireYear(const std::string& path, const std::string& pm, const std::string& anno,
                        bool* created) {
  if (created != nullptr) *created = false;
  if (path.empty()) return kSharedInfoError;
  if (!CanReadSharedInfo(path)) return kSharedInfoCantOpen;
  if (pm.empty() || anno.empty() || created == nullptr) return kSharedInfoError;
  const std::string me = GetCurrentAssignee();
  const int current_year = StringToInt(anno);
  try {
    SharedInfoDatabase db(path, SQLite::OPEN_READWRITE);
    // The office's rows are read in full before anything is written: an open read would
    // hold a lock that the writes below have to wait for.
    std::vector<StoredWorkpoint> rows;
    {
      SQLite::Statement query(
          db,
          "SELECT DISTINCT w.pwd, w.pdl, w.assignee, w.path FROM Workpoint w, Workpoint_SwExt ws, "
          "SwExt s WHERE w.idWorkpoint = ws.idWorkpoint AND ws.idSwExt = s.idSwExt AND pm = ? AND "
          "software = 'MOLTRA'");
      query.bind(1, pm);
      while (query.executeStep()) {
        rows.push_back({query.getColumn(0).getString(), query.getColumn(1).getString(),
                        query.getColumn(2).getString(), query.getColumn(3).getString()});
      }
    }
    for (const StoredWorkpoint& row : rows) {
      for (int year = kFirstCopyYear; year <= current_year; ++year) {
        if (year != current_year && row.assignee != me) continue;
        // A failed existence test skips the copy: copying blindly could duplicate a row.
        // The stored assignee is asked for as it is, also when empty (a damaged row): taken
        // as the current user, such a row would be copied again on every call as long as
        // the current user has no workstation in that year.
        bool exists = false;
        try {
          exists = HasWorkpoint(db, pm, year, row.assignee);
        } catch (const std::exception& e) {
          LogDatabaseException(e, "ExistValidInstall");
          continue;
        }
        if (exists) continue;

        // Test again and copy under the write lock, so that two PCs completing the same
        // office at once do not both add the copy.
        SQLite::Transaction transaction(db, SQLite::TransactionBehavior::IMMEDIATE);
        if (HasWorkpoint(db, pm, year, row.assignee)) {
          transaction.commit();
          continue;
        }
        const std::string year_text = IntToString(year);
        int id_swext = 0;
        try {
          EnsureSwExt(db, year_text, &id_swext);
          // A year row whose id is not positive cannot take registrations (AddPdlEntry
          // refuses it too): a copy tied to it would be tied to nothing usable.
          if (id_swext <= 0) throw std::runtime_error("SwExt row without a valid id");
        } catch (const std::exception& e) {
          // Without its year row the copy would be tied to nothing: skip it.
          WriteLog(std::string("[* WARN] Exception ") + e.what() +
                   " during database access in CheckInstallation");
          continue;
        }
        // The pdl is copied as the stored text; the INTEGER column stores it as a number.
        const long long id_workpoint =
            InsertWorkpointRow(db, pm, row.pwd, row.pdl, row.assignee, row.path, id_swext);
        transaction.commit();
        WriteLog("[  INFO] Created new workpoint  -> " + IntToString(id_workpoint) + " -> " + pm +
                 " -> " + year_text + " -> " + row.pdl + " -> " + row.assignee);
        *created = true;
      }
    }
  } catch (const std::exception& e) {
    LogDatabaseException(e, "DuplicateEntireYear");
    return kSharedInfoError;
  }
  return kSharedInfoOk;
}

int ParseSharedInfo(const std::string& path, int year, std::vector<WorkpointInfo>* list) {
  return ParseSharedInfoAs(path, year, list, GetCurrentAssignee());
}

int ParseSharedInfoAs(const std::string& path, int year, std::vector<WorkpointInfo>* list,
                      const std::string& current_assignee) {
  if (path.empty() || !CanReadSharedInfo(path)) return kSharedInfoCantOpen;
  if (list == nullptr) return kSharedInfoError;
  std::vector<WorkpointInfo> found;
  try {
    SharedInfoDatabase db(path, SQLite::OPEN_READONLY);
    std::set<std::pair<int, int>> seen;  // (idSwExt, idWorkpoint) already listed
    {
      SQLite::Statement own(db, std::string(kWorkpointColumns) + " AND " + kAssigneeRule);
      own.bind(1, kSoftware);
      own.bind(2, year);
      own.bind(3, year - 1);
      BindAssigneeRule(own, 4, current_assignee);
      while (own.executeStep()) {
        WorkpointInfo info = ReadWorkpoint(own);
        // Rows matched only loosely (other letter case) are listed but not trusted.
        info.valid =
            info.assignee == current_assignee && CanReadSharedInfo(RuntimeProgramPath(info));
        seen.insert(std::make_pair(info.idSwExt, info.idWorkpoint));
        found.push_back(std::move(info));
      }
    }
    SQLite::Statement all(db, kWorkpointColumns);
    all.bind(1, kSoftware);
    all.bind(2, year);
    all.bind(3, year - 1);
    while (all.executeStep()) {
      WorkpointInfo info = ReadWorkpoint(all);
      if (!seen.insert(std::make_pair(info.idSwExt, info.idWorkpoint)).second) continue;
      info.valid = true;
      found.push_back(std::move(info));
    }
  } catch (const std::exception& e) {
    list->clear();
    WriteLog(std::string("[* WARN] Sqlite exception ") + e.what() + " in ParseSharedInfo");
    return kSharedInfoError;
  }
  list->swap(found);
  return kSharedInfoOk;
}
