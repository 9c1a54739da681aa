// A do-nothing program that waits until the test ends it: copied as qel.exe, QEL.EXE and
// wrun32.exe so the running-instance checks meet real processes with those names. Once
// running (its command line in place) it creates the event "zav_idle_ready_<pid>" so tests
// need not guess.
#include <windows.h>

#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  const std::string name = "zav_idle_ready_" + std::to_string(GetCurrentProcessId());
  HANDLE ready = CreateEventA(nullptr, TRUE, TRUE, name.c_str());
  Sleep(300000);  // long enough for a slow machine; tests end it when done
  if (ready) CloseHandle(ready);
  return 7;
}
