#include "sys/window_utils.h"

void CenterWindow(HWND window) {
  RECT rect;
  if (!GetWindowRect(window, &rect)) return;
  HDC dc = GetDC(window);
  if (!dc) return;
  const int screen_width = GetDeviceCaps(dc, HORZRES);
  const int screen_height = GetDeviceCaps(dc, VERTRES);
  ReleaseDC(window, dc);
  int x = (screen_width - (rect.right - rect.left)) / 2;
  int y = (screen_height - (rect.bottom - rect.top)) / 2;
  if (x < 0) x = 0;
  if (y < 0) y = 0;
  SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
