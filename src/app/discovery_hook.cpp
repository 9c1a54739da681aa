#include "app/app.h"

// Until the share discovery is linked in, the thread has nothing to search and ends at once,
// so the start page never waits for it.
DWORD WINAPI NetworkDiscoveryThread(LPVOID) {
  if (g_app) g_app->discovery_running = false;
  return 0;
}
