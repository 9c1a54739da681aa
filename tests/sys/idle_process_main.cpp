// A do-nothing program that waits a while: copied as qel.exe, QEL.EXE and wrun32.exe so the
// running-instance checks meet real processes with those names.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  Sleep(60000);
  return 7;
}
