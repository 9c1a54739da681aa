// WIZ_NOTSUPPORTED: part of the sheet, removed by the start page before it can be shown.
#include <windows.h>
#include <prsht.h>

#include "resource.h"
#include "wizard/guide.h"
#include "wizard/page_table.h"
#include "wizard/pages.h"
#include "wizard/sheet.h"

INT_PTR CALLBACK NotSupportedPageProc(HWND page, UINT message, WPARAM, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG:
      SendDlgItemMessageA(page, IDC_NOTSUPPORTED_TITLE, WM_SETFONT,
                          reinterpret_cast<WPARAM>(PageFont(20, true)), FALSE);
      SendDlgItemMessageA(page, IDC_NOTSUPPORTED_NOTE, WM_SETFONT,
                          reinterpret_cast<WPARAM>(PageFont(13, true)), FALSE);
      SetDlgItemTextA(page, IDC_NOTSUPPORTED_TEXT, LoadPageText(IDS_NOTSUPPORTED_TEXT));
      SetDlgItemTextA(page, IDC_NOTSUPPORTED_NOTE, LoadPageText(IDS_NOTSUPPORTED_NOTE));
      return TRUE;
    case WM_NOTIFY:
      if (reinterpret_cast<NMHDR*>(lparam)->code == PSN_SETACTIVE) return SetPageResult(page, 0);
      break;
  }
  return FALSE;
}
