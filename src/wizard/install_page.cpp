// WIZ_INSTALL: the install lock, then the install engine (or the restore) with its progress.
// The page moves on when the engine reports the components in place; the user can only cancel.
#include <windows.h>
#include <prsht.h>

#include "app/app.h"
#include "log/setup_log.h"
#include "resource.h"
#include "sys/install_lock.h"
#include "wizard/page_context.h"
#include "wizard/page_table.h"
#include "wizard/pages.h"
#include "wizard/sheet.h"

namespace {

// Starts the engine once the page is shown, so its first boxes and presses find it.
constexpr UINT kStartEngine = WM_APP + 2;

void OnActivate(HWND page) {
  const CSetting& setting = *g_app->setting;
  const int lock = CheckInstallLock(page, setting.office_root);
  if (lock < 0) {
    // Back to the office page, once this activation is over: a page chosen by the result of
    // the activation itself leaves Wine's sheet without a current page.
    PostMessageA(GetParent(page), PSM_SETCURSELID, 0,
                 setting.new_office ? IDD_WIZ_PMNEW : IDD_WIZ_PMSELECT);
    return;
  }
  if (lock == 1) {
    WriteLog("[* WARN] Lock file not created because already exists");
  } else {
    WriteLog("[  INFO] Created lock file");
    CreateInstallLock(setting.office_root, setting.pdl_number);
  }
  SetDlgItemTextA(page, IDC_INSTALL_GROUP,
                  g_app->restore_mode ? "Ripristino in corso" : "Installazione in corso");
  PostMessageA(page, kStartEngine, 0, 0);
}

// Cancel: the question, then (Yes) the engine stopped and cleaned before the sheet closes.
// True to keep the sheet open.
bool OnCancel(HWND page) {
  PageContext& context = PageContextOf(page);
  switch (context.install_cancel.OnCancel(*context.prompter, *context.install)) {
    case CancelAnswer::kClose:
      return false;
    case CancelAnswer::kMoveOn:
      PostMessageA(GetParent(page), PSM_PRESSBUTTON, PSBTN_NEXT, 0);
      return true;
    case CancelAnswer::kStay:
      break;
  }
  return true;
}

}  // namespace

INT_PTR CALLBACK InstallPageProc(HWND page, UINT message, WPARAM, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG:
      SetDlgItemTextA(page, IDC_PHASE_TEXT, "");
      SetDlgItemTextA(page, IDC_PERCENT, "");
      return TRUE;
    case WM_SETCURSOR:
      if (g_app->current_page != kPageInstall) break;
      SetCursor(LoadCursor(nullptr, IDC_WAIT));
      return SetPageResult(page, TRUE);
    case kStartEngine:
      if (g_app->restore_mode)
        g_app->StartRestore();
      else
        g_app->StartPhase1();
      return TRUE;
    case kInstallFinished:
      // Posted by the engine; while the cancel question is open it waits for the answer.
      if (PageContextOf(page).install_cancel.OnFinished())
        PostMessageA(GetParent(page), PSM_PRESSBUTTON, PSBTN_NEXT, 0);
      return TRUE;
    case WM_NOTIFY:
      switch (reinterpret_cast<NMHDR*>(lparam)->code) {
        case PSN_SETACTIVE:
          OnActivate(page);
          return SetPageResult(page, 0);
        case PSN_WIZNEXT:
          return SetPageResult(page, kNeighbour);
        case PSN_QUERYCANCEL:
          return SetPageResult(page, OnCancel(page));
      }
      break;
  }
  return FALSE;
}
