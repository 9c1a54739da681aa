// Entry point of the setup (see app/entry_point.cpp for the steps).
#include <windows.h>

#include "app/entry_point.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show) {
  return SetupMain(instance, previous, command_line, show);
}
