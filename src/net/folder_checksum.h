// The digest that tells an intact client installation from a damaged one.
#pragma once
#include <string>
#include <vector>

// The listed paths of `folder` for `version`, sorted in byte order (directories included).
// Clears the read-only, hidden and system attributes of every listed file.
std::vector<std::string> ListChecksumEntries(const std::string& folder, const std::string& version);

// MD5 text form of the concatenated file digests of the listed entries ("-1" for folders
// and unreadable files); the digest of the empty string when nothing is listed.
std::string FolderChecksum(const std::string& folder, const std::string& version);

// True when the folder's checksum equals `expected` exactly.
bool IsValidInstallation(const std::string& folder, const std::string& version,
                         const std::string& expected);
