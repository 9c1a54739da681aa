// Version folders of the installed client (names such as 4.12.0.7).
#pragma once
#include <string>
#include <vector>

// The numeric parts of a name with exactly three "." characters; empty otherwise.
// Pure: no Windows calls.
std::vector<int> ParseVersionFolderName(const std::string& name);
// True when `a` is a higher version than `b` (parts compared as numbers from the left).
bool VersionGreater(const std::vector<int>& a, const std::vector<int>& b);
// "4.12.0.7" from its parts.
std::string VersionText(const std::vector<int>& version);

// The highest version folder directly inside `folder` and its name; {0} when there is none.
std::vector<int> FindVersionFolder(const std::string& folder, std::string& name);
