// Window placement helpers.
#pragma once
#include <windows.h>

// Centres the window on the screen (clamped to the top-left corner); size and Z order kept.
void CenterWindow(HWND window);
