#pragma once
#include <windows.h>

// The whole entry point: share mode, single instance, fresh log, CApp. Returns the exit code.
int SetupMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show);
