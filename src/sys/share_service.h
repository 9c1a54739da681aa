// The NetAPI32 share functions the setup needs, one call each, behind an interface: Wine does
// not implement share management, so tests install a fake. The Windows implementation is
// the default; names and paths are narrow (ANSI code page) on this side.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

constexpr unsigned long kShareStatusMoreData = 234;    // ERROR_MORE_DATA
constexpr unsigned long kShareStatusDuplicate = 2118;  // NERR_DuplicateShare
constexpr unsigned long kShareStatusNotFound = 2310;   // NERR_NetNameNotFound
constexpr unsigned long kShareTypeDiskTree = 0;        // STYPE_DISKTREE

// The level-502 record of a new share.
struct ShareAddRecord {
  std::string name;
  unsigned long type = kShareTypeDiskTree;
  std::string remark;
  unsigned long permissions = 0;
  unsigned long max_uses = 0;
  unsigned long current_uses = 0;
  std::string path;
  PSECURITY_DESCRIPTOR security_descriptor = nullptr;
};

struct ShareEntry {
  std::string name;
  std::string path;  // filled at level 502 only
};

class ShareService {
 public:
  virtual ~ShareService() = default;
  // NetShareAdd, local computer, level 502.
  virtual unsigned long AddShare(const ShareAddRecord& record) = 0;
  // NetShareGetInfo, local computer, level 0.
  virtual unsigned long GetShareInfo(const std::string& name) = 0;
  // NetShareGetInfo at level 1 on `server` ("\\NAME"; empty for the local computer).
  virtual unsigned long GetShareType(const std::string& server, const std::string& name,
                                     unsigned long* type) = 0;
  // One NetShareEnum call (maximum preferred length) at level 0 or 502 on `server` (empty:
  // local). `entries` gets this call's share records when the result is 0 or
  // kShareStatusMoreData; the caller repeats with the same resume handle on the latter.
  virtual unsigned long EnumShares(const std::string& server, int level,
                                   unsigned long* resume_handle,
                                   std::vector<ShareEntry>* entries) = 0;
  // NetShareSetInfo, local computer, level 1005 (the share's offline-cache flags).
  virtual unsigned long SetShareCacheFlags(const std::string& name, unsigned long flags) = 0;
  // The setup re-launched to share with administrator rights: ShellExecuteEx "runas" of
  // `program` with `parameters`, hidden, waiting at most `wait_ms`. False with `error` when
  // it did not start; otherwise `exit_read` tells whether `exit_code` could be read (a
  // process still running reports STILL_ACTIVE).
  virtual bool RunElevated(const std::string& program, const std::string& parameters,
                           unsigned long wait_ms, unsigned long* error, bool* exit_read,
                           unsigned long* exit_code) = 0;
};

// The service in use: the Windows one unless a test installed another.
ShareService& GetShareService();
// Installs `service` for the whole process (not owned); null restores the Windows one.
void SetShareService(ShareService* service);

// ANSI code page <-> UTF-16, used for every text that crosses the network functions.
std::wstring WidenAnsi(const std::string& text);
std::string NarrowAnsi(const wchar_t* text);
