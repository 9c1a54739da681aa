#include "wizard/hyperlink.h"

namespace {

const char kOriginalProc[] = "_Hyperlink_Original_Proc_";
const char kOriginalFont[] = "_Hyperlink_Original_Font_";
const char kUnderlineFont[] = "_Hyperlink_Underline_Font_";
const char kFromStatic[] = "_Hyperlink_From_Static_";

WNDPROC OriginalProc(HWND window) {
  return reinterpret_cast<WNDPROC>(GetPropA(window, kOriginalProc));
}

LRESULT CALLBACK ParentProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  const WNDPROC original = OriginalProc(dialog);
  if (message == WM_CTLCOLORSTATIC && GetPropA(reinterpret_cast<HWND>(lparam), kFromStatic)) {
    const LRESULT brush = CallWindowProcA(original, dialog, message, wparam, lparam);
    SetTextColor(reinterpret_cast<HDC>(wparam), RGB(0, 0, 192));
    return brush;
  }
  if (message == WM_DESTROY) {
    SetWindowLongPtrA(dialog, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
    RemovePropA(dialog, kOriginalProc);
  }
  return CallWindowProcA(original, dialog, message, wparam, lparam);
}

void SetFont(HWND control, HANDLE font) {
  SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  InvalidateRect(control, nullptr, FALSE);
}

LRESULT CALLBACK LinkProc(HWND link, UINT message, WPARAM wparam, LPARAM lparam) {
  const WNDPROC original = OriginalProc(link);
  switch (message) {
    case WM_SETCURSOR: {
      HCURSOR hand = LoadCursorA(nullptr, MAKEINTRESOURCEA(32649));            // IDC_HAND
      SetCursor(hand ? hand : LoadCursorA(nullptr, MAKEINTRESOURCEA(32512)));  // IDC_ARROW
      return 1;
    }
    case WM_MOUSEMOVE:
      if (GetCapture() != link) {
        SetFont(link, GetPropA(link, kUnderlineFont));
        SetCapture(link);
      } else {
        RECT rect;
        GetWindowRect(link, &rect);
        POINT point = {static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam))};
        ClientToScreen(link, &point);
        if (!PtInRect(&rect, point)) {
          SetFont(link, GetPropA(link, kOriginalFont));
          ReleaseCapture();
        }
      }
      break;
    case WM_DESTROY: {
      SetWindowLongPtrA(link, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
      SendMessageA(link, WM_SETFONT, reinterpret_cast<WPARAM>(GetPropA(link, kOriginalFont)), 0);
      DeleteObject(GetPropA(link, kUnderlineFont));
      RemovePropA(link, kOriginalFont);
      RemovePropA(link, kUnderlineFont);
      RemovePropA(link, kFromStatic);
      RemovePropA(link, kOriginalProc);
      break;
    }
  }
  return CallWindowProcA(original, link, message, wparam, lparam);
}

}  // namespace

void MakeHyperlink(HWND dialog, int control_id) {
  HWND link = GetDlgItem(dialog, control_id);
  if (!link) return;
  if (GetWindowLongPtrA(dialog, GWLP_WNDPROC) != reinterpret_cast<LONG_PTR>(ParentProc)) {
    SetPropA(dialog, kOriginalProc,
             reinterpret_cast<HANDLE>(GetWindowLongPtrA(dialog, GWLP_WNDPROC)));
    SetWindowLongPtrA(dialog, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ParentProc));
  }
  SetWindowLongPtrA(link, GWL_STYLE, GetWindowLongPtrA(link, GWL_STYLE) | SS_NOTIFY);
  HFONT font = reinterpret_cast<HFONT>(SendMessageA(link, WM_GETFONT, 0, 0));
  LOGFONTA description = {};
  GetObjectA(font ? static_cast<HGDIOBJ>(font) : GetStockObject(DEFAULT_GUI_FONT),
             sizeof(description), &description);
  description.lfUnderline = TRUE;
  SetPropA(link, kOriginalFont, font);
  SetPropA(link, kUnderlineFont, CreateFontIndirectA(&description));
  SetPropA(link, kFromStatic, reinterpret_cast<HANDLE>(1));
  SetPropA(link, kOriginalProc, reinterpret_cast<HANDLE>(GetWindowLongPtrA(link, GWLP_WNDPROC)));
  SetWindowLongPtrA(link, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(LinkProc));
}
