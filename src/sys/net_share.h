// Network shares of an office folder on the local computer.
#pragma once
#include <string>

// "ZAV " + office code.
std::string OfficeShareName(const std::string& office_code);

// Shares `folder` (one trailing backslash removed) as the office share with full access for
// Everyone, then turns offline caching off. True when the cache setting was written, which
// also covers a share that already existed under that name; `status` (optional) receives
// the share-add result (0, 2118 for an existing share, or the failure code).
bool CreateOfficeShare(const std::string& office_code, const std::string& remark,
                       const std::string& folder, int* status);

// True when the local computer has the office share.
bool OfficeShareExists(const std::string& office_code);

// True when some local share points exactly (case-sensitive, trailing backslash ignored)
// at the folder; `name` receives the share's name.
bool FindShareForPath(const std::string& folder, std::string& name);

// True when the folder (ending in a backslash) or its parent is reached by a share; a
// parent reached only through an administrative "$" share does not count.
bool IsDestinationShared(const std::string& folder);
