#include "sys/net_share.h"

#include "log/setup_log.h"

// Sharing is not built yet: report it plainly instead of pretending success.
bool CreateOfficeShare(const std::string& office_code, const std::string&,
                       const std::string& folder, int* status) {
  WriteLog("[**  ERR] Net share creation not supported -> " + folder + " (PM " + office_code + ")");
  if (status) *status = 50;  // ERROR_NOT_SUPPORTED
  return false;
}
