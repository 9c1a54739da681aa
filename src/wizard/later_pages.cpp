// WIZ_SELECTUNIT, WIZ_BEFOREINSTALL, WIZ_INSTALL and WIZ_END as far as the office pages
// need them: activation, the way back, help and the pictures. Their own checks and work
// (destination, pre-install checks, the install engine, the end work) come with them.
#include <windows.h>
#include <prsht.h>

#include "app/app.h"
#include "resource.h"
#include "wizard/guide.h"
#include "wizard/hyperlink.h"
#include "wizard/page_table.h"
#include "wizard/pages.h"
#include "wizard/sheet.h"

namespace {

// Back from the destination pages: to the page the office came from.
int BackToOfficePage() { return g_app->setting->new_office ? IDD_WIZ_PMNEW : IDD_WIZ_PMSELECT; }

INT_PTR DestinationPage(HWND page, UINT message, WPARAM wparam, LPARAM lparam, int number) {
  switch (message) {
    case WM_INITDIALOG:
      if (number == kPageSelectUnit) MakeHyperlink(page, IDC_GUIDE_LINK);
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wparam) == IDC_GUIDE_LINK && HIWORD(wparam) == STN_CLICKED) OpenGuide();
      return TRUE;
    case WM_NOTIFY:
      switch (reinterpret_cast<NMHDR*>(lparam)->code) {
        case PSN_SETACTIVE: {
          LogPageActive(page, number);
          PropSheet_SetWizButtons(GetParent(page), PSWIZB_BACK | PSWIZB_NEXT);
          const CSetting& setting = *g_app->setting;
          const std::string folder = number == kPageSelectUnit
                                         ? setting.default_drive + "\\ZAV\\PM" + setting.office_code
                                         : setting.office_root;
          SetDlgItemTextA(page, IDC_DESTINATION, folder.c_str());
          return SetPageResult(page, 0);
        }
        case PSN_WIZBACK:
          return SetPageResult(page, BackToOfficePage());
        case PSN_WIZNEXT:
          return SetPageResult(page, kStay);
        case PSN_HELP:
          OpenGuide();
          return TRUE;
      }
      break;
  }
  return FALSE;
}

}  // namespace

INT_PTR CALLBACK SelectUnitPageProc(HWND page, UINT message, WPARAM wparam, LPARAM lparam) {
  return DestinationPage(page, message, wparam, lparam, kPageSelectUnit);
}

INT_PTR CALLBACK BeforeInstallPageProc(HWND page, UINT message, WPARAM wparam, LPARAM lparam) {
  return DestinationPage(page, message, wparam, lparam, kPageBeforeInstall);
}

INT_PTR CALLBACK InstallPageProc(HWND page, UINT message, WPARAM, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG:
      SetDlgItemTextA(page, IDC_PHASE_TEXT, "");
      SetDlgItemTextA(page, IDC_PERCENT, "");
      return TRUE;
    case WM_NOTIFY:
      switch (reinterpret_cast<NMHDR*>(lparam)->code) {
        case PSN_SETACTIVE:
          LogPageActive(page, kPageInstall);
          SetDlgItemTextA(page, IDC_INSTALL_GROUP,
                          g_app->restore_mode ? "Ripristino in corso" : "Installazione in corso");
          PropSheet_SetWizButtons(GetParent(page), PSWIZB_DISABLEDFINISH);
          return SetPageResult(page, 0);
        case PSN_HELP:
          OpenGuide();
          return TRUE;
      }
      break;
  }
  return FALSE;
}

INT_PTR CALLBACK EndPageProc(HWND page, UINT message, WPARAM, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG: {
      HFONT title = PageFont(24, false);
      for (int id : {IDC_END_TITLE_INSTALL, IDC_END_TITLE_RESTORE})
        SendDlgItemMessageA(page, id, WM_SETFONT, reinterpret_cast<WPARAM>(title), FALSE);
      SendDlgItemMessageA(page, IDC_END_PICTURE, STM_SETIMAGE, IMAGE_BITMAP,
                          reinterpret_cast<LPARAM>(PageBitmap(IDB_END_PICTURE, false)));
      return TRUE;
    }
    case WM_NOTIFY:
      if (reinterpret_cast<NMHDR*>(lparam)->code == PSN_SETACTIVE) {
        LogPageActive(page, kPageEnd);
        PropSheet_SetWizButtons(GetParent(page), PSWIZB_FINISH);
        return SetPageResult(page, 0);
      }
      break;
  }
  return FALSE;
}
