// WIZ_END: completes the installation (registration, configuration files, shortcut, share
// offer, lock removal) once the engine has placed the components; only Finish is offered.
#include <windows.h>
#include <prsht.h>

#include "app/app.h"
#include "engine/program_end.h"
#include "resource.h"
#include "wizard/end_rules.h"
#include "wizard/page_context.h"
#include "wizard/page_table.h"
#include "wizard/pages.h"
#include "wizard/sheet.h"

namespace {

// Runs the end work once the page is shown, so its questions appear over it.
constexpr UINT kEndWork = WM_APP + 3;

void ShowItems(HWND page, std::initializer_list<int> ids) {
  for (int id : ids) ShowWindow(GetDlgItem(page, id), SW_SHOW);
}

void OnEndWork(HWND page) {
  PageContext& context = PageContextOf(page);
  const EndResult result = RunEndWork(
      g_app->restore_mode != 0, *context.setting, *context.prompter, *context.end_services,
      context.end_state, [page](EndResult shown) {
        if (shown == EndResult::kRestored)
          ShowItems(page, {IDC_END_TEXT_RESTORE, IDC_END_TITLE_RESTORE});
        else
          ShowItems(page,
                    {IDC_END_TEXT_INSTALL, IDC_END_NEWS, IDC_END_NEWS_HOW, IDC_END_TITLE_INSTALL});
      });
  if (result == EndResult::kNotRegistered) EndProgram(kExitNotRegistered);
}

void OnCreate(HWND page) {
  HFONT title = PageFont(24, false);
  for (int id : {IDC_END_TITLE_INSTALL, IDC_END_TITLE_RESTORE})
    SendDlgItemMessageA(page, id, WM_SETFONT, reinterpret_cast<WPARAM>(title), FALSE);
  SendDlgItemMessageA(page, IDC_END_PICTURE, STM_SETIMAGE, IMAGE_BITMAP,
                      reinterpret_cast<LPARAM>(PageBitmap(IDB_END_PICTURE, false)));
}

}  // namespace

INT_PTR CALLBACK EndPageProc(HWND page, UINT message, WPARAM, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG:
      OnCreate(page);
      return TRUE;
    case WM_SETCURSOR:
      SetCursor(LoadCursor(nullptr, IDC_ARROW));
      return SetPageResult(page, TRUE);
    case kEndWork:
      OnEndWork(page);
      return TRUE;
    case WM_NOTIFY:
      switch (reinterpret_cast<NMHDR*>(lparam)->code) {
        case PSN_SETACTIVE:
          EnableWindow(GetDlgItem(GetParent(page), IDCANCEL), FALSE);  // only Finish is offered
          PostMessageA(page, kEndWork, 0, 0);
          return SetPageResult(page, 0);
        case PSN_WIZFINISH: {
          PageContext& context = PageContextOf(page);
          if (context.end_state.workpoints_copied)
            context.prompter->ShowCaptioned(MessageKind::kInformation,
                                            WorkpointsCopiedText(context.setting->current_year),
                                            "Importante");
          return SetPageResult(page, FALSE);
        }
      }
      break;
  }
  return FALSE;
}
