#include "sharedinfo/sharedinfo_connection.h"

#include <SQLiteCpp/Statement.h>
#include <sqlite3.h>
#include <windows.h>

#include <fstream>

#include "log/setup_log.h"
#include "sys/string_utils.h"

// The time an operation started; the one interruption is logged once.
struct SharedInfoDatabase::Budget {
  DWORD start;
  std::string path;
  bool reported;
};

namespace {
// Virtual-machine steps between two looks at the clock: often enough to stop within a few
// milliseconds, rare enough to cost nothing.
const int kProgressSteps = 1000;

// SQLite takes file names in UTF-8, our paths are ANSI: without the conversion a folder
// such as "Unità" would open (or create) a different file.
std::string AnsiToUtf8(const std::string& text) {
  if (text.empty()) return text;
  const int wide_size =
      MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  if (wide_size <= 0) return text;
  std::wstring wide(static_cast<size_t>(wide_size), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &wide[0], wide_size);
  const int utf8_size =
      WideCharToMultiByte(CP_UTF8, 0, wide.data(), wide_size, nullptr, 0, nullptr, nullptr);
  if (utf8_size <= 0) return text;
  std::string utf8(static_cast<size_t>(utf8_size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), wide_size, &utf8[0], utf8_size, nullptr, nullptr);
  return utf8;
}

// SQLite's progress callback: non-zero interrupts the running statement. Called from C,
// so nothing may escape it.
int OverBudget(void* context) {
  auto* budget = static_cast<SharedInfoDatabase::Budget*>(context);
  if (GetTickCount() - budget->start <= static_cast<DWORD>(kSharedInfoBudgetMs)) return 0;
  if (!budget->reported) {
    budget->reported = true;
    try {
      WriteLog("[**  ERR] SharedInfo operation over its time budget of " +
               IntToString(kSharedInfoBudgetMs / 1000) + " s, interrupted -> " + budget->path);
    } catch (...) {
    }
  }
  return 1;
}
}  // namespace

bool CanReadSharedInfo(const std::string& path) {
  std::ifstream probe(path.c_str(), std::ios::in | std::ios::binary);
  return probe.is_open();
}

SharedInfoDatabase::SharedInfoDatabase(const std::string& path, int flags)
    : SQLite::Database(AnsiToUtf8(path), flags, kSharedInfoBusyTimeoutMs),
      budget_(new Budget{GetTickCount(), path, false}) {
  sqlite3_progress_handler(getHandle(), kProgressSteps, OverBudget, budget_.get());
  CheckFile(path);
}

SharedInfoDatabase::~SharedInfoDatabase() {
  sqlite3_progress_handler(getHandle(), 0, nullptr, nullptr);
}

void SharedInfoDatabase::CheckFile(const std::string& path) {
  std::string impostor;
  std::string verdict;
  try {
    // A view or a virtual table under a registry name would run whatever its author wrote
    // each time the operations read "the table".
    SQLite::Statement names(*this,
                            "SELECT type || ' ' || name FROM sqlite_master WHERE lower(name) IN "
                            "('meta', 'workpoint', 'workpoint_swext', 'swext') "
                            "AND NOT (type = 'table' AND sql LIKE 'CREATE TABLE%')");
    if (names.executeStep()) impostor = names.getColumn(0).getString();
    // A file cut short or with damaged pages reads as valid with rows missing, and the next
    // registration would hand out a lost workstation number again. The quick check reads
    // every page once; its first finding is enough.
    if (impostor.empty()) {
      SQLite::Statement check(*this, "PRAGMA quick_check(1)");
      if (check.executeStep()) verdict = check.getColumn(0).getString();
    }
  } catch (const SQLite::Exception& e) {
    // Damage that stops the checks themselves: no database at all, a broken schema.
    const int code = e.getErrorCode() & 0xFF;
    if (code == SQLITE_CORRUPT || code == SQLITE_NOTADB)
      WriteLog("[**  ERR] SharedInfo damaged, not used -> " + path + " -> " + e.what());
    throw;
  }
  if (!impostor.empty()) {
    WriteLog("[**  ERR] SharedInfo not used, " + impostor + " is not a plain table -> " + path);
    throw SQLite::Exception(impostor + " is not a plain table", SQLITE_ERROR);
  }
  if (verdict != "ok") {
    WriteLog("[**  ERR] SharedInfo damaged, not used -> " + path + " -> " + verdict);
    throw SQLite::Exception("database disk image is malformed", SQLITE_CORRUPT);
  }
}
