#include "sys/permissions.h"

#include "log/setup_log.h"

void SetFolderPrivileges(const std::string& folder) {
  WriteLog("[* WARN] Folder privileges not set (not available yet) -> " + folder);
}
