// An in-memory share table standing in for NetAPI32 (which Wine does not implement).
#pragma once
#include <map>
#include <string>
#include <vector>

#include "scoped_service.h"
#include "sys/share_service.h"

struct FakeShare {
  std::string name;
  std::string path;
  unsigned long type = kShareTypeDiskTree;
};

class FakeShareService : public ShareService {
 public:
  // Forced answers; kNoForce lets the table decide.
  static constexpr unsigned long kNoForce = 0xFFFFFFFF;
  unsigned long add_result = kNoForce;
  unsigned long cache_result = 0;
  size_t batch_size = 0;  // entries per EnumShares answer; 0 = all at once

  // Shares per server; "" is the local computer.
  std::map<std::string, std::vector<FakeShare>> servers;
  std::map<std::string, unsigned long> enum_errors;  // per server
  size_t bogus_count = 0;  // when set, the first answer for "\\BOGUS" has this many entries

  // What was asked.
  struct Added {
    ShareAddRecord record;  // its descriptor pointer is not kept
    std::string dacl;       // "S-1-1-0 mask flags;" per ACE, "none" without a DACL
  };
  std::vector<Added> added;
  std::vector<std::pair<std::string, unsigned long>> cache_calls;
  std::vector<std::string> enum_calls;  // server + ":" + level

  unsigned long AddShare(const ShareAddRecord& record) override;
  unsigned long GetShareInfo(const std::string& name) override;
  unsigned long GetShareType(const std::string& server, const std::string& name,
                             unsigned long* type) override;
  unsigned long EnumShares(const std::string& server, int level, unsigned long* resume_handle,
                           std::vector<ShareEntry>* entries) override;
  unsigned long SetShareCacheFlags(const std::string& name, unsigned long flags) override;

  // The elevated re-launch: refused with `elevated_error` unless `elevated_starts`; a started
  // one ends with `elevated_exit` (unreadable when `elevated_exit_read` is false).
  bool elevated_starts = true;
  unsigned long elevated_error = 1223;
  bool elevated_exit_read = true;
  unsigned long elevated_exit = 0;
  std::vector<std::string> elevated_calls;  // program + "|" + parameters
  bool RunElevated(const std::string& program, const std::string& parameters, unsigned long wait_ms,
                   unsigned long* error, bool* exit_read, unsigned long* exit_code) override;
};

// The DACL of a security descriptor as text (see FakeShareService::Added::dacl).
std::string DescribeDacl(void* security_descriptor);

using ScopedShareService = ScopedService<ShareService, GetShareService, SetShareService>;
