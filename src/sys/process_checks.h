// Is the platform in use on this machine: the client (qel.exe) or the legacy runtime
// (wrun32.exe) running the platform menu.
#pragma once
#include <windows.h>

// True when at least one process named exactly "qel.exe" runs; with `terminate` each one
// is ended. With `override_check` (the NOQELRUNNINGCHECK switch) logs and answers false.
bool IsQelRunning(HWND owner, bool override_check, bool terminate);

// Ends every running client and waits for each to be gone. With `override_check` logs and
// answers kNone.
enum class QelClose { kNone, kClosed, kStillRunning };
QelClose CloseRunningQel(bool override_check);

// True when a 32-bit "wrun32.exe" runs with the platform-menu arguments. A process whose
// command line cannot be read counts as not running. `override_check` as above.
bool IsMoltraRunning(HWND owner, bool override_check);
