// The network share discovery: walks the network once and reports every disk share, and
// each plain folder at its top, as a place where installations may live.
#pragma once
#include <string>

#ifndef WM_INSTALLS_CHANGED
#define WM_INSTALLS_CHANGED 6024  // to the sheet: wParam = folder text, lParam = year
#endif

// Where the discovery reports places. Called on the discovery thread; the text is valid
// only during the call.
class ShareFoundSink {
 public:
  virtual ~ShareFoundSink() = default;
  virtual void InstallsChanged(const std::string& folder, int year) = 0;
};

// Sends WM_INSTALLS_CHANGED synchronously to the wizard's sheet window (g_app->sheet_hwnd,
// read at each call), so the text stays valid until the wizard has handled it.
class SheetMessageSink : public ShareFoundSink {
 public:
  void InstallsChanged(const std::string& folder, int year) override;
};

struct DiscoveryOptions {
  std::string year_folder_name = "ZAV2021";  // CSetting's platform year folder name
  ShareFoundSink* sink = nullptr;            // null: a SheetMessageSink
  unsigned long start_delay_ms = 250;
};

// The year of a year folder name such as "ZAV2021": four characters from the fourth on.
int YearOfFolderName(const std::string& year_folder_name);

// Reports the share and each plain folder directly inside it (attributes exactly
// "directory", name not starting with a dot) to the sink, with the year.
void OnShareFound(const std::string& domain, const std::string& share_path,
                  const std::string& year_folder_name, ShareFoundSink& sink);

// The whole discovery, on the calling thread: browse, report, then clear
// g_app->discovery_running (when there is an application object).
void RunNetworkDiscovery(const DiscoveryOptions& options);
