#include "sys/share_service.h"

#include <lm.h>
#include <shellapi.h>

#include "sys/scoped_handle.h"
#include "sys/service_slot.h"

namespace {

// Frees a NetAPI buffer however the call ends.
struct NetBuffer {
  LPBYTE data = nullptr;
  ~NetBuffer() {
    if (data) NetApiBufferFree(data);
  }
};

LPWSTR ServerArgument(std::wstring& wide) { return wide.empty() ? nullptr : &wide[0]; }

class WindowsShareService : public ShareService {
 public:
  unsigned long AddShare(const ShareAddRecord& record) override {
    std::wstring name = WidenAnsi(record.name);
    std::wstring remark = WidenAnsi(record.remark);
    std::wstring path = WidenAnsi(record.path);
    SHARE_INFO_502 info = {};
    info.shi502_netname = &name[0];
    info.shi502_type = record.type;
    info.shi502_remark = &remark[0];
    info.shi502_permissions = record.permissions;
    info.shi502_max_uses = record.max_uses;
    info.shi502_current_uses = record.current_uses;
    info.shi502_path = &path[0];
    info.shi502_passwd = nullptr;
    info.shi502_reserved = 0;
    info.shi502_security_descriptor = record.security_descriptor;
    DWORD parameter_error = 0;
    return NetShareAdd(nullptr, 502, reinterpret_cast<LPBYTE>(&info), &parameter_error);
  }

  unsigned long GetShareInfo(const std::string& name) override {
    std::wstring wide = WidenAnsi(name);
    NetBuffer buffer;
    return NetShareGetInfo(nullptr, &wide[0], 0, &buffer.data);
  }

  unsigned long GetShareType(const std::string& server, const std::string& name,
                             unsigned long* type) override {
    std::wstring wide_server = WidenAnsi(server);
    std::wstring wide_name = WidenAnsi(name);
    NetBuffer buffer;
    const NET_API_STATUS status =
        NetShareGetInfo(ServerArgument(wide_server), &wide_name[0], 1, &buffer.data);
    if (status == NERR_Success && buffer.data && type)
      *type = reinterpret_cast<SHARE_INFO_1*>(buffer.data)->shi1_type;
    return status;
  }

  unsigned long EnumShares(const std::string& server, int level, unsigned long* resume_handle,
                           std::vector<ShareEntry>* entries) override {
    std::wstring wide_server = WidenAnsi(server);
    NetBuffer buffer;
    DWORD read = 0;
    DWORD total = 0;
    DWORD resume = resume_handle ? *resume_handle : 0;
    const NET_API_STATUS status = NetShareEnum(ServerArgument(wide_server), level, &buffer.data,
                                               MAX_PREFERRED_LENGTH, &read, &total, &resume);
    if (resume_handle) *resume_handle = resume;
    entries->clear();
    if ((status == NERR_Success || status == ERROR_MORE_DATA) && buffer.data) {
      for (DWORD i = 0; i < read; ++i) {
        ShareEntry entry;
        if (level == 502) {
          const SHARE_INFO_502& info = reinterpret_cast<SHARE_INFO_502*>(buffer.data)[i];
          entry.name = NarrowAnsi(info.shi502_netname);
          entry.path = NarrowAnsi(info.shi502_path);
        } else {
          entry.name = NarrowAnsi(reinterpret_cast<SHARE_INFO_0*>(buffer.data)[i].shi0_netname);
        }
        entries->push_back(entry);
      }
    }
    return status;
  }

  unsigned long SetShareCacheFlags(const std::string& name, unsigned long flags) override {
    std::wstring wide = WidenAnsi(name);
    SHARE_INFO_1005 info = {};
    info.shi1005_flags = flags;
    DWORD parameter_error = 0;
    return NetShareSetInfo(nullptr, &wide[0], 1005, reinterpret_cast<LPBYTE>(&info),
                           &parameter_error);
  }

  bool RunElevated(const std::string& program, const std::string& parameters, unsigned long wait_ms,
                   unsigned long* error, bool* exit_read, unsigned long* exit_code) override {
    SHELLEXECUTEINFOA info = {};
    info.cbSize = sizeof(info);
    info.fMask = SEE_MASK_NOCLOSEPROCESS;
    info.lpVerb = "runas";
    info.lpFile = program.c_str();
    info.lpParameters = parameters.c_str();
    info.nShow = SW_HIDE;
    if (!ShellExecuteExA(&info)) {
      *error = GetLastError();
      return false;
    }
    ScopedHandle process(info.hProcess);
    *exit_read = false;
    if (!process.valid()) return true;
    WaitForSingleObject(process.get(), wait_ms);
    DWORD code = 0;
    *exit_read = GetExitCodeProcess(process.get(), &code) != FALSE;
    *exit_code = code;
    return true;
  }
};

WindowsShareService g_windows_service;
ServiceSlot<ShareService> g_service(g_windows_service);

}  // namespace

ShareService& GetShareService() { return g_service.Get(); }

void SetShareService(ShareService* service) { g_service.Install(service); }

std::wstring WidenAnsi(const std::string& text) {
  if (text.empty()) return std::wstring();
  const int size =
      MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(size > 0 ? size : 0, L'\0');
  if (size > 0)
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &wide[0], size);
  return wide;
}

std::string NarrowAnsi(const wchar_t* text) {
  if (!text || !*text) return std::string();
  const int size = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (size <= 1) return std::string();
  std::string narrow(size - 1, '\0');
  WideCharToMultiByte(CP_ACP, 0, text, -1, &narrow[0], size, nullptr, nullptr);
  return narrow;
}
