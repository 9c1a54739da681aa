// Existence tests through the system's wildcard search, as the survey needs them.
#pragma once
#include <string>

// True when FindFirstFileA finds `pattern`; `name` receives the first match's name.
bool FindFirstName(const std::string& pattern, std::string* name = nullptr);
// True when the file can be opened for reading.
bool CanOpenForReading(const std::string& path);
