#include "fake_share_service.h"

#include <sddl.h>
#include <windows.h>

namespace {
const FakeShare* Find(const std::vector<FakeShare>& shares, const std::string& name) {
  for (const FakeShare& share : shares)
    if (share.name == name) return &share;
  return nullptr;
}
}  // namespace

std::string DescribeDacl(void* security_descriptor) {
  if (!security_descriptor) return "no descriptor";
  BOOL present = FALSE;
  BOOL defaulted = FALSE;
  PACL dacl = nullptr;
  if (!GetSecurityDescriptorDacl(security_descriptor, &present, &dacl, &defaulted) || !present)
    return "none";
  if (!dacl) return "null";
  std::string text = defaulted ? "defaulted " : "";
  for (DWORD i = 0; i < dacl->AceCount; ++i) {
    void* ace = nullptr;
    if (!GetAce(dacl, i, &ace)) continue;
    const ACE_HEADER* header = static_cast<ACE_HEADER*>(ace);
    if (header->AceType != ACCESS_ALLOWED_ACE_TYPE) {
      text += "type" + std::to_string(header->AceType) + ";";
      continue;
    }
    ACCESS_ALLOWED_ACE* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
    char* sid = nullptr;
    ConvertSidToStringSidA(&allowed->SidStart, &sid);
    char mask[16];
    wsprintfA(mask, "%08lx", allowed->Mask);
    text +=
        std::string(sid ? sid : "?") + " " + mask + " " + std::to_string(header->AceFlags) + ";";
    if (sid) LocalFree(sid);
  }
  return text;
}

unsigned long FakeShareService::AddShare(const ShareAddRecord& record) {
  Added entry;
  entry.record = record;
  entry.record.security_descriptor = nullptr;
  entry.dacl = DescribeDacl(record.security_descriptor);
  added.push_back(entry);
  if (add_result != kNoForce) return add_result;
  std::vector<FakeShare>& local = servers[""];
  if (Find(local, record.name)) return kShareStatusDuplicate;
  local.push_back({record.name, record.path, record.type});
  return 0;
}

unsigned long FakeShareService::GetShareInfo(const std::string& name) {
  return Find(servers[""], name) ? 0 : kShareStatusNotFound;
}

unsigned long FakeShareService::GetShareType(const std::string& server, const std::string& name,
                                             unsigned long* type) {
  const FakeShare* share = Find(servers[server], name);
  if (!share) return kShareStatusNotFound;
  *type = share->type;
  return 0;
}

unsigned long FakeShareService::EnumShares(const std::string& server, int level,
                                           unsigned long* resume_handle,
                                           std::vector<ShareEntry>* entries) {
  enum_calls.push_back(server + ":" + std::to_string(level));
  entries->clear();
  auto error = enum_errors.find(server);
  if (error != enum_errors.end()) return error->second;
  if (server == "\\\\BOGUS" && bogus_count) {
    entries->assign(bogus_count, ShareEntry{"X", ""});
    return 0;
  }
  const std::vector<FakeShare>& shares = servers[server];
  const size_t first = *resume_handle;
  const size_t count = batch_size ? batch_size : shares.size();
  for (size_t i = first; i < shares.size() && i < first + count; ++i)
    entries->push_back({shares[i].name, level == 502 ? shares[i].path : ""});
  *resume_handle = static_cast<unsigned long>(first + entries->size());
  return *resume_handle < shares.size() ? kShareStatusMoreData : 0;
}

unsigned long FakeShareService::SetShareCacheFlags(const std::string& name, unsigned long flags) {
  cache_calls.push_back({name, flags});
  if (cache_result != 0) return cache_result;
  return Find(servers[""], name) ? 0 : kShareStatusNotFound;
}

bool FakeShareService::RunElevated(const std::string& program, const std::string& parameters,
                                   unsigned long, unsigned long* error, bool* exit_read,
                                   unsigned long* exit_code) {
  elevated_calls.push_back(program + "|" + parameters);
  if (!elevated_starts) {
    *error = elevated_error;
    return false;
  }
  *exit_read = elevated_exit_read;
  *exit_code = elevated_exit;
  return true;
}
