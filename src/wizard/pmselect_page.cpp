// WIZ_PMSELECT: the installations found, "Nuovo Ufficio", the discovery indicators.
#include <windows.h>
#include <prsht.h>

#include <string>

#include "app/app.h"
#include "resource.h"
#include "wizard/guide.h"
#include "wizard/hyperlink.h"
#include "wizard/message_box_prompter.h"
#include "wizard/office_rules.h"
#include "wizard/page_table.h"
#include "wizard/pages.h"
#include "wizard/sheet.h"
#include "wizard/windows_page_services.h"

namespace {

void OnCreate(HWND page) {
  SetOfficeListPage(page);
  SendDlgItemMessageA(page, IDC_OFFICE_LIST, WM_SETFONT,
                      reinterpret_cast<WPARAM>(PageFont(16, false)), FALSE);
  SendDlgItemMessageA(page, IDC_DISCOVERY_ICON, STM_SETIMAGE, IMAGE_BITMAP,
                      reinterpret_cast<LPARAM>(PageBitmap(IDB_DISCOVERY, true)));
  char text[260] = {};
  GetDlgItemTextA(page, IDC_PMSELECT_PROMPT, text, sizeof(text));
  std::string prompt = text;
  const size_t year = prompt.find("<year>");
  if (year != std::string::npos) prompt.replace(year, 6, g_app->setting->current_year);
  SetDlgItemTextA(page, IDC_PMSELECT_PROMPT, prompt.c_str());
  FillOfficeList(GetDlgItem(page, IDC_OFFICE_LIST), *g_app->setting);
  MakeHyperlink(page, IDC_GUIDE_LINK);
}

void OnActivate(HWND page) {
  if (!g_app->discovery_running) {
    ShowWindow(GetDlgItem(page, IDC_DISCOVERY_ICON), SW_HIDE);
    ShowWindow(GetDlgItem(page, IDC_DISCOVERY_TEXT), SW_HIDE);
  }
  // Once the start page has removed WIZ_PMNEW (peripheral unit) there is no page to go to.
  EnableWindow(GetDlgItem(page, IDC_NEW_OFFICE), !g_app->pmnew_removed);
  const CSetting& setting = *g_app->setting;
  const bool invalid = setting.HasOrphans() || setting.HasInvalidInstall();
  PropSheet_SetWizButtons(GetParent(page), invalid ? PSWIZB_NEXT : PSWIZB_BACK | PSWIZB_NEXT);
}

void OnNewOffice(HWND page) {
  if (g_app->pmnew_removed) return;
  PrepareNewOffice(*g_app->setting);
  PropSheet_SetCurSel(GetParent(page), g_app->page_handles[kPagePmNew], 0);
}

int OnNext(HWND page) {
  const int index =
      static_cast<int>(SendDlgItemMessageA(page, IDC_OFFICE_LIST, LB_GETCURSEL, 0, 0));
  MessageBoxPrompter prompter(page);
  WindowsPageServices services(page, GetParent(page));
  return PmSelectNext(index, *g_app->setting, prompter, services);
}

}  // namespace

INT_PTR CALLBACK PmSelectPageProc(HWND page, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG:
      OnCreate(page);
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wparam) == IDC_OFFICE_LIST && HIWORD(wparam) == LBN_DBLCLK)
        PostMessageA(GetParent(page), PSM_PRESSBUTTON, PSBTN_NEXT, 0);
      else if (LOWORD(wparam) == IDC_GUIDE_LINK && HIWORD(wparam) == STN_CLICKED)
        OpenGuide();
      else if (LOWORD(wparam) == IDC_NEW_OFFICE && HIWORD(wparam) == BN_CLICKED)
        OnNewOffice(page);
      return TRUE;
    case WM_NOTIFY:
      switch (reinterpret_cast<NMHDR*>(lparam)->code) {
        case PSN_SETACTIVE:
          OnActivate(page);
          return SetPageResult(page, 0);
        case PSN_WIZNEXT:
          return SetPageResult(page, OnNext(page));
      }
      break;
    case WM_DESTROY:
      SetOfficeListPage(nullptr);
      break;
  }
  return FALSE;
}
