#include "sys/net_share.h"

#include <shlwapi.h>
#include <windows.h>

#include <vector>

#include "log/setup_log.h"
#include "sys/full_control_acl.h"
#include "sys/share_service.h"

namespace {

constexpr unsigned long kAccessAll = 127;             // ACCESS_ALL: every share-level access bit
constexpr unsigned long kUsesUnlimited = 0xFFFFFFFF;  // SHI_USES_UNLIMITED
constexpr unsigned long kCacheNone = 0x30;            // CSC_CACHE_NONE

std::string WithBackslash(const std::string& path) {
  return (!path.empty() && path.back() == '\\') ? path : path + "\\";
}

// Everyone with GENERIC_ALL, as the share's absolute security descriptor.
class EveryoneDescriptor {
 public:
  EveryoneDescriptor() {
    BuildFullControlAcl({WellKnownGroup::kEveryone}, &acl_);
    descriptor_.assign(SECURITY_DESCRIPTOR_MIN_LENGTH, 0);
    InitializeSecurityDescriptor(descriptor(), SECURITY_DESCRIPTOR_REVISION);
    // Without an ACL there is no descriptor to give: the share then gets the system default
    // (read access for Everyone) rather than a null DACL.
    if (acl_) SetSecurityDescriptorDacl(descriptor(), TRUE, acl_, FALSE);
  }
  ~EveryoneDescriptor() {
    if (acl_) LocalFree(acl_);
  }
  EveryoneDescriptor(const EveryoneDescriptor&) = delete;
  EveryoneDescriptor& operator=(const EveryoneDescriptor&) = delete;

  PSECURITY_DESCRIPTOR descriptor() { return descriptor_.data(); }
  bool complete() const { return acl_ != nullptr; }

 private:
  PACL acl_ = nullptr;
  std::vector<BYTE> descriptor_;
};

}  // namespace

std::string OfficeShareName(const std::string& office_code) { return "ZAV " + office_code; }

bool CreateOfficeShare(const std::string& office_code, const std::string& remark,
                       const std::string& folder, int* status) {
  std::string path = folder;
  if (!path.empty() && path.back() == '\\') path.pop_back();

  EveryoneDescriptor everyone;
  ShareService& service = GetShareService();
  ShareAddRecord record;
  record.name = OfficeShareName(office_code);
  record.type = kShareTypeDiskTree;
  record.remark = remark;
  record.permissions = kAccessAll;
  record.max_uses = kUsesUnlimited;
  record.current_uses = 0;
  record.path = path;
  record.security_descriptor = everyone.complete() ? everyone.descriptor() : nullptr;

  const unsigned long added = service.AddShare(record);
  if (added == 0)
    WriteLog("[  INFO] Net share added successfully");
  else if (added == kShareStatusDuplicate)
    WriteLog("[  INFO] Net share already exists with this name");
  else
    WriteLog("[  INFO] Net share add failed " + std::to_string(added));
  if (status) *status = static_cast<int>(added);

  // Also after a failed add: a share of that name may exist already and still needs caching
  // turned off.
  const unsigned long cached = service.SetShareCacheFlags(record.name, kCacheNone);
  if (cached == 0) {
    WriteLog("[  INFO] Net share cache settings edited successfully");
    return true;
  }
  WriteLog("[  INFO] Net share cache settings edit failed " + std::to_string(cached));
  return false;
}

bool OfficeShareExists(const std::string& office_code) {
  return GetShareService().GetShareInfo(OfficeShareName(office_code)) == 0;
}

bool FindShareForPath(const std::string& folder, std::string& name) {
  const std::string wanted = WithBackslash(folder);
  ShareService& service = GetShareService();
  unsigned long resume = 0;
  unsigned long result = 0;
  do {
    std::vector<ShareEntry> entries;
    result = service.EnumShares("", 502, &resume, &entries);
    if (result != 0 && result != kShareStatusMoreData) return false;
    for (const ShareEntry& entry : entries) {
      if (entry.path.empty()) continue;
      if (WithBackslash(entry.path) == wanted) {
        name = entry.name;
        return true;
      }
    }
    // A "more data" answer that brought nothing would repeat forever.
    if (entries.empty()) break;
  } while (result == kShareStatusMoreData);
  return false;
}

bool IsDestinationShared(const std::string& folder) {
  std::string share;
  if (FindShareForPath(folder, share)) {
    WriteLog("[  INFO] Destination folder already shared as " + share);
    return true;
  }
  WriteLog("[  INFO] Destination folder " + folder + " not shared");

  std::string trimmed = folder;
  if (!trimmed.empty() && trimmed.back() == '\\') trimmed.pop_back();
  std::vector<char> buffer(trimmed.begin(), trimmed.end());
  buffer.push_back('\0');
  PathRemoveFileSpecA(buffer.data());
  const std::string parent = buffer.data();

  if (FindShareForPath(parent, share)) {
    WriteLog("[  INFO] Destination parent folder already shared as " + share);
    if (share.find('$') != std::string::npos) {
      WriteLog("[  INFO] Destination parent folder already shared with predefined connection");
      return false;
    }
    return true;
  }
  WriteLog("[  INFO] Destination parent folder " + parent + " not shared");
  return false;
}
