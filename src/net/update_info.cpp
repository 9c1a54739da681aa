#include "net/update_info.h"

#include <cstdlib>

#include "log/setup_log.h"
#include "sys/string_utils.h"

namespace {

bool StartsWithDigit(const std::string& field) {
  return !field.empty() && field[0] >= '0' && field[0] <= '9';
}

unsigned long long FieldValue(const std::string& field) {
  return std::strtoull(field.c_str(), nullptr, 10);
}

}  // namespace

bool ParseUpdateInfo(const std::string& text, std::vector<std::string>& fields) {
  SplitString(text, ".", fields);
  bool valid = fields.size() > 3;
  // A field that is not a number cannot be compared: the file is as unusable as a short one.
  for (const std::string& field : fields)
    if (!StartsWithDigit(field)) valid = false;
  if (!valid)
    WriteLog("[* WARN] Error on information parsing. Size is " +
             IntToString(static_cast<long long>(fields.size())) + " expected 4 -> " + text);
  return valid;
}

bool IsServerVersionNewer(const std::vector<std::string>& server,
                          const std::vector<std::string>& own) {
  if (server.empty() || own.empty() || server.size() != own.size()) return false;
  for (size_t i = 0; i < server.size(); ++i) {
    const unsigned long long server_value = FieldValue(server[i]);
    const unsigned long long own_value = FieldValue(own[i]);
    if (server_value != own_value) return server_value > own_value;
  }
  return false;
}
