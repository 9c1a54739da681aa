// The workpoint registry: the SharedInfo SQLite file that every PC of an office shares.
// Every operation takes the file's full path first, opens its own connection and closes
// it before returning, and answers with one of the result codes below.
#pragma once
#include <string>
#include <vector>

// Result codes (numerically SQLite's SQLITE_OK, SQLITE_ERROR, SQLITE_CANTOPEN).
const int kSharedInfoOk = 0;
const int kSharedInfoError = 1;      // empty/missing argument or database error
const int kSharedInfoCantOpen = 14;  // the file cannot be opened for reading

// One workstation row as read from SharedInfo.
struct WorkpointInfo {
  int idSwExt = 0;
  int idWorkpoint = 0;
  std::string pm;
  std::string pwd;  // in clear
  std::string pdl;  // decimal text
  std::string assignee;
  int anno = 0;
  std::string path;  // installation root, ends with a backslash
  std::string cmdline;
  std::string arguments;
  bool valid = false;
};

// XOR with a fixed ten-byte key; the same call scrambles and unscrambles.
std::string ScramblePassword(const std::string& text);

// Creates the file and any of its four tables that is missing. 0 or 1.
int CreateSharedInfo(const std::string& path);

// Ensures the "MOLTRA" row of year `anno` exists and returns its id in *idSwExt.
int CheckInstallation(const std::string& path, const std::string& anno, int* idSwExt);

// Registers a new workstation of office `pm` for the year of `idSwExt` with the next free
// (highest + 1) pdl number. An empty assignee means the current one.
int AddPdlEntry(const std::string& path, const std::string& pm, const std::string& pwd, int idSwExt,
                const std::string& root, const std::string& assignee = "");

// *exists tells whether the assignee (empty: the current one) has a workstation of `pm`
// in `year`.
int ExistValidInstall(const std::string& path, const std::string& pm, int year, bool* exists,
                      const std::string& assignee = "");

// Deletes the current assignee's workstations of `pm` in year `anno`. `assignee` is accepted
// for the callers' sake and not used: the current assignee is always the one removed.
int RemoveWorkpoint(const std::string& path, const std::string& pm, const std::string& anno,
                    const std::string& assignee = "");

// Copies every workstation of `pm` into year `anno` and the current user's into each year
// from 2016 to `anno`; *created tells whether anything was added.
int DuplicateEntireYear(const std::string& path, const std::string& pm, const std::string& anno,
                        bool* created);

// Replaces *list with the "MOLTRA" workstations of `year` and `year` - 1: the current
// user's first, then everyone else's.
int ParseSharedInfo(const std::string& path, int year, std::vector<WorkpointInfo>* list);
