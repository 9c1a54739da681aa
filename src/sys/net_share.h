// Network shares of an office folder.
#pragma once
#include <string>

// Shares `folder` as "ZAV " + office code. True when the share exists afterwards and its
// cache setting was written; `status` (optional) receives the share-add result code.
bool CreateOfficeShare(const std::string& office_code, const std::string& remark,
                       const std::string& folder, int* status);
