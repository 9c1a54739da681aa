// Helpers for the registry tests: real SharedInfo files in temporary folders, direct SQL
// access to arrange and examine them, and a view of the log lines a test produced.
#pragma once
#include <SQLiteCpp/Database.h>

#include <string>
#include <vector>

#include "sys/fs_utils.h"  // FileExists

// The new part of the setup log since construction.
class LogWatch {
 public:
  LogWatch();
  std::string Text() const;
  bool Has(const std::string& text) const;
  int Count(const std::string& text) const;

 private:
  size_t start_;
};

// A direct connection (not through the registry code) with the same busy timeout.
SQLite::Database RawDatabase(const std::string& path);
long long QueryInt(const std::string& path, const std::string& sql);
std::string QueryText(const std::string& path, const std::string& sql);
void Exec(const std::string& path, const std::string& sql);

// CreateSharedInfo on folder\SharedInfo; the path is returned.
std::string NewSharedInfo(const std::string& folder);
// CheckInstallation of `year`; its idSwExt.
int YearId(const std::string& path, const std::string& year);
// A Workpoint row and its association inserted directly, as another PC's setup would have.
int InsertWorkpoint(const std::string& path, int idSwExt, const std::string& pm, int pdl,
                    const std::string& assignee, const std::string& root,
                    const std::string& password = "segreto");
// The pdl numbers of `pm` in `year`, ascending.
std::vector<int> Pdls(const std::string& path, const std::string& pm, const std::string& year);
// The whole file's bytes (for checks that nothing was changed).
std::string FileBytes(const std::string& path);
// Creates root\ZAV<year>\home\BIN\wrun32.exe (root ends with a backslash).
void MakeRuntime(const std::string& root, int year);
