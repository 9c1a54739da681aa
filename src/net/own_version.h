// The setup's own version, read from the file version of an executable's version resource.
#pragma once
#include <string>
#include <vector>

// "a.b.c.d" of the fixed version block of `exe_path` split into 4 fields; false (and no
// fields) when the file has no version resource or its fixed block is not 52 bytes long.
bool ReadFileVersionFields(const std::string& exe_path, std::vector<std::string>& fields);

// The same for the running executable.
bool ReadOwnVersionFields(std::vector<std::string>& fields);
