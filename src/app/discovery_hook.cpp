#include "app/app.h"
#include "sys/share_discovery.h"

// The network discovery thread: browses the network once and tells the wizard's sheet of
// every place found; it clears discovery_running when done.
DWORD WINAPI NetworkDiscoveryThread(LPVOID) {
  DiscoveryOptions options;
  if (g_app && g_app->setting && !g_app->setting->year_folder.empty())
    options.year_folder_name = g_app->setting->year_folder;
  RunNetworkDiscovery(options);
  if (g_app) g_app->discovery_running = false;
  return 0;
}
