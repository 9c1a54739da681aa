#include "engine/window_install_ui.h"

#include <commctrl.h>
#include <prsht.h>

#include "log/setup_log.h"
#include "net/proxy_credentials.h"
#include "sys/string_utils.h"
#include "sys/window_utils.h"

WindowInstallUi::WindowInstallUi(std::function<HWND()> page, std::function<HWND()> sheet)
    : page_(std::move(page)), sheet_(std::move(sheet)) {}

void WindowInstallUi::SetPhaseText(const std::string& text) {
  SetDlgItemTextA(page_(), kPhaseTextItem, text.c_str());
}

void WindowInstallUi::SetPercentText(int percent) {
  SetDlgItemTextA(page_(), kPercentTextItem, (IntToString(percent) + "% completato").c_str());
}

void WindowInstallUi::SetDownloadPercent(int percent) {
  SendDlgItemMessageA(page_(), kProgressBarItem, PBM_SETPOS, static_cast<WPARAM>(percent), 0);
  SetPercentText(percent);
}

void WindowInstallUi::SetExtractProgress(uint32_t done, uint32_t total) {
  if (total == 0) return;
  const HWND page = page_();
  SendDlgItemMessageA(page, kProgressBarItem, PBM_SETRANGE32, 0, static_cast<LPARAM>(total));
  SendDlgItemMessageA(page, kProgressBarItem, PBM_SETPOS, done, 0);
  SetPercentText(static_cast<int>(static_cast<unsigned long long>(done) * 100 / total));
}

int WindowInstallUi::ShowBox(BoxOwner owner, const std::string& text, const std::string& caption,
                             unsigned type) {
  const HWND window = owner == BoxOwner::kPage    ? page_()
                      : owner == BoxOwner::kSheet ? sheet_()
                                                  : nullptr;
  return MessageBoxA(window, text.c_str(), caption.c_str(), type);
}

unsigned long WindowInstallUi::PromptCredentials(std::string& user, std::string& password) {
  char entered_user[256] = {};
  char entered_password[256] = {};
  const DWORD result = PromptProxyCredentials(entered_user, entered_password);
  if (result == 0) {
    user = entered_user;
    password = entered_password;
  }
  SecureZeroMemory(entered_password, sizeof(entered_password));
  return result;
}

void WindowInstallUi::InstallFinished() {
  if (on_finished)
    on_finished();
  else
    PostMessageA(sheet_(), PSM_PRESSBUTTON, PSBTN_NEXT, 0);
}

INT_PTR CALLBACK WindowInstallUi::UpdateDialogProc(HWND dialog, UINT message, WPARAM,
                                                   LPARAM lparam) {
  WindowInstallUi* self = reinterpret_cast<WindowInstallUi*>(GetWindowLongPtrA(dialog, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG:
      self = reinterpret_cast<WindowInstallUi*>(lparam);
      SetWindowLongPtrA(dialog, DWLP_USER, lparam);
      SendDlgItemMessageA(dialog, kUpdateProgressItem, PBM_SETMARQUEE, TRUE, 0);
      self->dialog_ = dialog;
      CenterWindow(dialog);
      if (self->end_requested_) EndDialog(dialog, 1);
      return TRUE;
    case WM_CLOSE:
      // Closing the window means "go on without the update": the engine drops the check.
      if (self && self->on_update_dialog_close)
        self->on_update_dialog_close();
      else if (self)
        self->EndUpdateDialog();
      return TRUE;
    default:
      return FALSE;
  }
}

void WindowInstallUi::RunUpdateDialog() {
  running_ = true;
  end_requested_ = false;
  const LPARAM self = reinterpret_cast<LPARAM>(this);
  const INT_PTR result =
      update_template
          ? DialogBoxIndirectParamA(GetModuleHandleA(nullptr), update_template, page_(),
                                    &WindowInstallUi::UpdateDialogProc, self)
          : DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(kUpdateDialogTemplate),
                            page_(), &WindowInstallUi::UpdateDialogProc, self);
  if (result == -1) {
    // Without its template the check still has to finish: wait for it without a window.
    WriteLog("[**  ERR] Update dialog not shown -> " +
             IntToString(static_cast<long long>(GetLastError())));
    MSG msg;
    while (!end_requested_) {
      const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
      if (got <= 0) {
        if (got == 0) PostQuitMessage(static_cast<int>(msg.wParam));  // for the outer loop
        break;
      }
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }
  dialog_ = nullptr;
  running_ = false;
}

void WindowInstallUi::ShowUpdateDialog(bool show) {
  if (dialog_) ShowWindow(dialog_, show ? SW_SHOWNORMAL : SW_HIDE);
}

void WindowInstallUi::SetUpdateProgress(int position) {
  if (dialog_) SendDlgItemMessageA(dialog_, kUpdateProgressItem, PBM_SETPOS, position, 0);
}

void WindowInstallUi::EndUpdateDialog() {
  end_requested_ = true;
  if (dialog_) {
    EndDialog(dialog_, 1);
    dialog_ = nullptr;
  } else if (running_) {
    PostMessageA(nullptr, WM_NULL, 0, 0);  // wakes the window-less wait
  }
}
