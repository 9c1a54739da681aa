// WIZ_START: the three options, the caption, the invalid-configuration question.
#include <windows.h>
#include <prsht.h>

#include "app/app.h"
#include "app/system_info.h"
#include "log/setup_log.h"
#include "resource.h"
#include "sys/identity.h"
#include "sys/share_discovery.h"
#include "sys/window_utils.h"
#include "wizard/guide.h"
#include "wizard/message_box_prompter.h"
#include "wizard/page_table.h"
#include "wizard/pages.h"
#include "wizard/sheet.h"
#include "wizard/start_rules.h"
#include "wizard/windows_page_services.h"

namespace {

// Posted to the page by its activation: what needs the sheet shown runs once the
// activation is over (Wine drops presses made during the first one, and resets the caption
// after it).
constexpr UINT kAfterActivation = WM_APP + 1;
constexpr UINT kDiscoveryBlinkMs = 450;

bool g_invalid_config_asked = false;  // the question is asked once per run

void SetCaption(HWND sheet) {
  const std::string caption =
      SheetCaption(g_app->run_mode, LoadPageText(IDS_CAPTION), g_app->sysinfo->display_text());
  SetWindowTextA(sheet, caption.c_str());
}

void OnCreate(HWND page) {
  HWND sheet = GetParent(page);
  SubclassSheet(sheet);
  SendDlgItemMessageA(page, IDC_START_TITLE, WM_SETFONT,
                      reinterpret_cast<WPARAM>(PageFont(24, false)), FALSE);
  SetDlgItemTextA(page, IDC_START_TEXT, LoadPageText(IDS_START_TEXT));
  g_app->sheet_hwnd = sheet;
  g_app->page_hwnd = page;
  if (g_app->discovery_running)
    SetTimer(sheet, 0, kDiscoveryBlinkMs, nullptr);
  else
    SendMessageA(sheet, WM_INSTALLS_CHANGED, 0, 0);
  CenterWindow(sheet);
  g_app->StartUpdateCheck();
  SetWindowPos(sheet, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  SetForegroundWindow(sheet);
}

void AfterActivation(HWND page) {
  HWND sheet = GetParent(page);
  SetCaption(sheet);
  if (!IsProcessorFeaturePresent(PF_XMMI64_INSTRUCTIONS_AVAILABLE))
    WriteLog("[* WARN] SSE2 instruction not detected or check failed. Setup may crash.");
  if (CheckInvalidConfig(*g_app->setting) != InvalidConfig::kCurrentYear) return;
  if (g_invalid_config_asked) return;
  g_invalid_config_asked = true;
  ShowWindow(page, SW_SHOW);
  ShowWindow(sheet, SW_SHOW);
  MessageBoxPrompter prompter(page);
  if (!prompter.Ask(Question::kInvalidConfig, kInvalidConfigQuestion)) {
    WriteLog("[* WARN] Not proceeding with wrong config installation");
    ExitProcess(1);
  }
  WriteLog("[* WARN] Proceed with wrong config installation");
  AcceptInvalidConfig(*g_app->setting, GetCurrentAssignee());
  CheckRadioButton(page, IDC_OPTION_INSTALL, IDC_OPTION_RESTORE, IDC_OPTION_INSTALL);
  PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_NEXT, 0);
}

int CheckedOption(HWND page) {
  for (int id : {IDC_OPTION_INSTALL, IDC_OPTION_ADD_PDL, IDC_OPTION_RESTORE})
    if (IsDlgButtonChecked(page, id) == BST_CHECKED) return id;
  return 0;
}

int OnNext(HWND page) {
  StartFlags flags;
  flags.notsupported_removed = g_app->notsupported_removed;
  flags.pmselect_removed = g_app->pmselect_removed;
  flags.pmnew_removed = g_app->pmnew_removed;
  flags.restore_mode = g_app->restore_mode != 0;
  MessageBoxPrompter prompter(page);
  WindowsPageServices services(page, GetParent(page));
  const int result = StartNext(CheckedOption(page), *g_app->setting, flags, prompter, services);
  g_app->notsupported_removed = flags.notsupported_removed;
  g_app->pmselect_removed = flags.pmselect_removed;
  g_app->pmnew_removed = flags.pmnew_removed;
  g_app->restore_mode = flags.restore_mode ? 1 : 0;
  return result;
}

}  // namespace

INT_PTR CALLBACK StartPageProc(HWND page, UINT message, WPARAM, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG:
      OnCreate(page);
      return TRUE;
    case kAfterActivation:
      AfterActivation(page);
      return TRUE;
    case WM_NOTIFY:
      switch (reinterpret_cast<NMHDR*>(lparam)->code) {
        case PSN_SETACTIVE:
          SetCaption(GetParent(page));
          PostMessageA(page, kAfterActivation, 0, 0);
          return SetPageResult(page, 0);
        case PSN_WIZNEXT:
          return SetPageResult(page, OnNext(page));
      }
      break;
  }
  return FALSE;
}
