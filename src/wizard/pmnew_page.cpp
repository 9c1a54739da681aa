// WIZ_PMNEW: a new office code and its password.
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

namespace {

std::string ItemText(HWND page, int id, int max_chars) {
  char text[64] = {};
  GetDlgItemTextA(page, id, text, max_chars + 1);
  return text;
}

void OnCreate(HWND page) {
  HFONT font = PageFont(16, true);
  for (int id : {IDC_OFFICE_CODE, IDC_OFFICE_PASSWORD})
    SendDlgItemMessageA(page, id, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  MakeHyperlink(page, IDC_PMNEW_GUIDE);
  ResetNewOffice(*g_app->setting);
}

void OnActivate(HWND page) {
  SetDlgItemTextA(page, IDC_OFFICE_CODE, g_app->setting->office_code.c_str());
  SetDlgItemTextA(page, IDC_OFFICE_PASSWORD, g_app->setting->office_password.c_str());
}

void OnCodeTyped(HWND page) {
  bool cut = false;
  const std::string code =
      OfficeCodeTyped(ItemText(page, IDC_OFFICE_CODE, 6), *g_app->setting, cut);
  if (!cut) return;
  SetDlgItemTextA(page, IDC_OFFICE_CODE, code.c_str());
  SendDlgItemMessageA(page, IDC_OFFICE_CODE, EM_SETSEL, code.size(), code.size());
}

int OnNext(HWND page) {
  MessageBoxPrompter prompter(page);
  return PmNewNext(ItemText(page, IDC_OFFICE_CODE, 19), ItemText(page, IDC_OFFICE_PASSWORD, 19),
                   *g_app->setting, prompter);
}

}  // namespace

INT_PTR CALLBACK PmNewPageProc(HWND page, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG:
      OnCreate(page);
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wparam) == IDC_OFFICE_CODE && HIWORD(wparam) == EN_CHANGE)
        OnCodeTyped(page);
      else if (LOWORD(wparam) == IDC_PMNEW_GUIDE && HIWORD(wparam) == STN_CLICKED)
        OpenGuide();
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
  }
  return FALSE;
}
