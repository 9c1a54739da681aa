// The network share discovery: walks the network once and reports every disk share, and
// each plain folder at its top, as a place where installations may live.
#pragma once
#include <windows.h>

#include <functional>
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

// Sends WM_INSTALLS_CHANGED synchronously to the wizard's sheet window (asked for at each
// call: the sheet appears after the discovery has started), so the text stays valid until
// the wizard has handled it. Nothing is sent while there is no sheet.
class SheetMessageSink : public ShareFoundSink {
 public:
  explicit SheetMessageSink(std::function<HWND()> sheet) : sheet_(std::move(sheet)) {}
  void InstallsChanged(const std::string& folder, int year) override;

 private:
  std::function<HWND()> sheet_;
};

struct DiscoveryOptions {
  std::string year_folder_name = "ZAV2021";  // CSetting's platform year folder name
  ShareFoundSink* sink = nullptr;            // null: a SheetMessageSink on `sheet`
  std::function<HWND()> sheet;               // the wizard's sheet window, or null
  volatile bool* running = nullptr;          // cleared when the discovery ends
  unsigned long start_delay_ms = 250;
};

// The year of a year folder name such as "ZAV2021": four characters from the fourth on.
int YearOfFolderName(const std::string& year_folder_name);

// Reports the share and each plain folder directly inside it (attributes exactly
// "directory", name not starting with a dot) to the sink, with the year.
void OnShareFound(const std::string& domain, const std::string& share_path,
                  const std::string& year_folder_name, ShareFoundSink& sink);

// The whole discovery, on the calling thread: browse, report, then clear
// *options.running (when given).
void RunNetworkDiscovery(const DiscoveryOptions& options);
