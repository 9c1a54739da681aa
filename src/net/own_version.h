// The version of an executable as its version resource states it (the fixed version block).
#pragma once
#include <string>
#include <vector>

// The two version numbers of the fixed block: the self-update compares the file version,
// the start-up log shows the product version.
enum class VersionField { kFile, kProduct };

// "a.b.c.d" of the fixed version block of `exe_path` split into 4 fields; false (and no
// fields) when the file has no version resource or its fixed block is not 52 bytes long.
bool ReadFileVersionFields(const std::string& exe_path, std::vector<std::string>& fields,
                           VersionField which = VersionField::kFile);

// The same for the running executable.
bool ReadOwnVersionFields(std::vector<std::string>& fields,
                          VersionField which = VersionField::kFile);
