// The client component manifest: where the client archive is, its version and the folder
// checksum of a correct installation.
#pragma once
#include <string>

struct ManifestValues {
  std::string archive_url;  // rel/download_url
  std::string version;      // rel/number
  std::string checksum;     // rel/checksum
};

// Reads `text` up to its first NUL. The archive URL is always cleared first; a missing
// number or checksum leaves the value it had. Returns true when an archive URL was found;
// a document that does not parse simply yields no URL.
bool ParseManifest(const std::string& text, ManifestValues& values);

// Parses into the three values the install engine keeps (archive URL, version, checksum),
// with ParseManifest's rules: the URL is always replaced, version and checksum only when
// present. Returns ParseManifest's result.
bool ReadQelManifest(const std::string& text, std::string& archive_url, std::string& version,
                     std::string& checksum);
