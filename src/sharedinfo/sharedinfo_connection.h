// How the registry operations reach the file: a readability probe before any open, and one
// connection per call with a short busy timeout, so a PC that holds the shared file locked
// makes the others fail fast instead of hanging the wizard. The file lives on a share that
// any user of the office can write, and an interrupted copy can cut it short: a connection
// is only handed out for a file that is whole and has the registry's own tables, and no call
// may run longer than its time budget.
#pragma once
#include <SQLiteCpp/Database.h>

#include <memory>
#include <string>

const int kSharedInfoBusyTimeoutMs = 500;
// The longest one registry call may take. The largest real office file needs a small
// fraction of it; what runs longer (a hostile view or trigger, an enormous file) is stopped.
const int kSharedInfoBudgetMs = 5000;

// True when the file opens as a plain input stream (read access, shared).
bool CanReadSharedInfo(const std::string& path);

// A connection on the file (the path is in the ANSI code page) with the given SQLite open
// flags and the busy timeout. Before it is handed out the file must pass SQLite's quick
// integrity check, and its registry names (meta, Workpoint, Workpoint_SwExt, SwExt) must be
// plain tables where present; otherwise the cause is logged with the file's path and a
// SQLite::Exception is thrown, nothing having been written. A statement still running when
// the budget (counted from the open) is spent is interrupted and fails.
class SharedInfoDatabase : public SQLite::Database {
 public:
  SharedInfoDatabase(const std::string& path, int flags);
  ~SharedInfoDatabase();
  SharedInfoDatabase(const SharedInfoDatabase&) = delete;
  SharedInfoDatabase& operator=(const SharedInfoDatabase&) = delete;

  struct Budget;

 private:
  void CheckFile(const std::string& path);

  std::unique_ptr<Budget> budget_;
};
