// The setup-update information file and the version comparison. Pure: no Windows calls.
#pragma once
#include <string>
#include <vector>

// Splits the information text at every "." (empty fields count). Valid only with more than
// 3 fields each starting with a decimal digit; otherwise logs "[* WARN] Error on
// information parsing. Size is <n> expected 4 -> <text>" and returns false.
bool ParseUpdateInfo(const std::string& text, std::vector<std::string>& fields);

// True when the server's version is newer: same field count, and the first field that
// differs, read as a decimal integer (trailing characters ignored), is greater on the server.
// An empty list stands for an unavailable version and never offers an update.
bool IsServerVersionNewer(const std::vector<std::string>& server,
                          const std::vector<std::string>& own);
