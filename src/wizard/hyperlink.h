// A static control shown as a link: blue text, underlined under the mouse, hand cursor.
// Clicks reach the dialog as the static's STN_CLICKED notification.
#pragma once
#include <windows.h>

void MakeHyperlink(HWND dialog, int control_id);
