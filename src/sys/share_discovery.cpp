#include "sys/share_discovery.h"

#include <windows.h>

#include "log/setup_log.h"
#include "sys/network_browser.h"
#include "sys/scoped_handle.h"
#include "sys/string_utils.h"

void SheetMessageSink::InstallsChanged(const std::string& folder, int year) {
  const HWND sheet = sheet_ ? sheet_() : nullptr;
  if (!sheet) return;
  SendMessageA(sheet, WM_INSTALLS_CHANGED, reinterpret_cast<WPARAM>(folder.c_str()),
               static_cast<LPARAM>(year));
}

int YearOfFolderName(const std::string& year_folder_name) {
  if (year_folder_name.size() <= 3) return 0;
  return StringToInt(year_folder_name.substr(3, 4));
}

void OnShareFound(const std::string& domain, const std::string& share_path,
                  const std::string& year_folder_name, ShareFoundSink& sink) {
  const int year = YearOfFolderName(year_folder_name);
  WriteLog("[  INFO] Share found on " + domain + share_path);
  sink.InstallsChanged(share_path, year);

  ScopedFind find(share_path + "\\*");
  if (find.valid()) {
    do {
      const WIN32_FIND_DATAA& entry = find.entry;
      // Only plain folders: read-only, hidden or system ones are not installations.
      if (entry.dwFileAttributes != FILE_ATTRIBUTE_DIRECTORY || entry.cFileName[0] == '.') continue;
      sink.InstallsChanged(share_path + "\\" + entry.cFileName + "\\", year);
    } while (find.Next());
  }
  WriteLog("[  INFO] Share check end for " + domain + share_path);
}

void RunNetworkDiscovery(const DiscoveryOptions& options) {
  WriteLog("[  INFO] Network share discovery starts");
  Sleep(options.start_delay_ms);
  SheetMessageSink sheet_sink(options.sheet);
  ShareFoundSink& sink = options.sink ? *options.sink : sheet_sink;
  {
    NetworkBrowser browser([&](const std::string& domain, const std::string& path) {
      OnShareFound(domain, path, options.year_folder_name, sink);
    });
    browser.Browse();
  }
  if (options.running) *options.running = false;
  WriteLog("[  INFO] Network share discovery ends");
}
