#include "app/app.h"
#include "sys/share_discovery.h"

// The network discovery thread: browses the network once and tells the wizard's sheet of
// every place found; it clears discovery_running when done.
DWORD WINAPI NetworkDiscoveryThread(LPVOID) {
  DiscoveryOptions options;
  if (g_app && g_app->setting && !g_app->setting->year_folder.empty())
    options.year_folder_name = g_app->setting->year_folder;
  options.sheet = [] { return g_app ? g_app->sheet_hwnd : nullptr; };
  if (g_app) options.running = &g_app->discovery_running;
  RunNetworkDiscovery(options);
  if (g_app) g_app->discovery_running = false;
  return 0;
}
