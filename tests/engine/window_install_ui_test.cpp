// The engine's user interface on real windows: the page's controls (also from a worker
// thread), the end message to the sheet, and the update dialog with its marquee bar, ended
// by the check or closed from its title bar.
#include "engine/window_install_ui.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <string>
#include <vector>

#include "engine/install_engine.h"
#include "scripted_ui.h"
#include "sys/log_capture.h"

namespace {

std::string Text(HWND parent, int id) {
  char text[256] = {};
  GetDlgItemTextA(parent, id, text, sizeof(text));
  return text;
}

// Pumps this thread's messages until the handle is signalled.
void PumpUntil(HANDLE handle) {
  while (MsgWaitForMultipleObjects(1, &handle, FALSE, 10000, QS_ALLINPUT) == WAIT_OBJECT_0 + 1) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  }
}

WPARAM g_pressed = 0;
LRESULT CALLBACK SheetProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == PSM_PRESSBUTTON) g_pressed = wparam;
  return DefWindowProcA(window, message, wparam, lparam);
}

struct Call {
  WindowInstallUi* ui;
  uint32_t done, total;
};

DWORD WINAPI ReportFromWorker(LPVOID p) {
  Call* c = static_cast<Call*>(p);
  c->ui->SetExtractProgress(c->done, c->total);
  c->ui->InstallFinished();
  return 0;
}

// The user closes the update window as soon as it shows (posted, as a click arrives).
DWORD WINAPI CloseUpdateDialog(LPVOID) {
  for (int i = 0; i < 400; ++i) {
    if (HWND dialog = FindWindowA(nullptr, "Verfica aggiornamenti")) {
      if (IsWindowVisible(dialog)) {
        PostMessageA(dialog, WM_CLOSE, 0, 0);
        return 0;
      }
    }
    Sleep(25);
  }
  return 1;
}

struct Page {
  HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 300, 100, nullptr, nullptr,
                                nullptr, nullptr);
  Page() {
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    for (int id : {kPhaseTextItem, kPercentTextItem})
      CreateWindowExA(0, "STATIC", "", WS_CHILD, 0, 0, 100, 20, window,
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
    CreateWindowExA(0, PROGRESS_CLASSA, "", WS_CHILD, 0, 0, 100, 20, window,
                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(kProgressBarItem)), nullptr,
                    nullptr);
  }
  ~Page() { DestroyWindow(window); }
};

TEST(WindowInstallUi, WritesThePageControlsAndPostsNextToTheSheet) {
  Page page;
  WNDCLASSA sheet_class = {};
  sheet_class.lpfnWndProc = SheetProc;
  sheet_class.lpszClassName = "ZavTestEngineSheet";
  RegisterClassA(&sheet_class);
  HWND sheet = CreateWindowA("ZavTestEngineSheet", "", 0, 0, 0, 10, 10, HWND_MESSAGE, nullptr,
                             nullptr, nullptr);
  WindowInstallUi ui([&] { return page.window; }, [&] { return sheet; });
  ui.SetPhaseText("Fase 3 di 4 - Installazione componenti");
  ui.SetDownloadPercent(50);
  EXPECT_EQ("Fase 3 di 4 - Installazione componenti", Text(page.window, kPhaseTextItem));
  EXPECT_EQ("50% completato", Text(page.window, kPercentTextItem));
  EXPECT_EQ(50, SendDlgItemMessageA(page.window, kProgressBarItem, PBM_GETPOS, 0, 0));

  // The extraction thread's report: sent, so executed here while this thread pumps.
  Call call{&ui, 199, 200};
  HANDLE worker = CreateThread(nullptr, 0, ReportFromWorker, &call, 0, nullptr);
  ASSERT_NE(nullptr, worker);
  PumpUntil(worker);
  CloseHandle(worker);
  EXPECT_EQ("99% completato", Text(page.window, kPercentTextItem));
  EXPECT_EQ(199, SendDlgItemMessageA(page.window, kProgressBarItem, PBM_GETPOS, 0, 0));
  EXPECT_EQ(200, SendDlgItemMessageA(page.window, kProgressBarItem, PBM_GETRANGE, FALSE, 0));
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  EXPECT_EQ(static_cast<WPARAM>(PSBTN_NEXT), g_pressed);
  DestroyWindow(sheet);
}

// An in-memory copy of the update dialog: a caption and the progress bar 1039.
std::vector<WORD> UpdateTemplate() {
  std::vector<WORD> t(sizeof(DLGTEMPLATE) / 2);
  DLGTEMPLATE* dialog = reinterpret_cast<DLGTEMPLATE*>(t.data());
  dialog->style = DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE;
  dialog->cdit = 1;
  dialog->cx = 180;
  dialog->cy = 60;
  t.push_back(0);  // menu
  t.push_back(0);  // class
  for (const wchar_t* c = L"Verfica aggiornamenti"; *c; ++c) t.push_back(*c);
  t.push_back(0);
  if (t.size() % 2) t.push_back(0);  // items start on a DWORD
  const size_t at = t.size();
  t.resize(at + sizeof(DLGITEMTEMPLATE) / 2);
  DLGITEMTEMPLATE* item = reinterpret_cast<DLGITEMTEMPLATE*>(t.data() + at);
  item->style = WS_CHILD | WS_VISIBLE | PBS_MARQUEE;
  item->x = 10;
  item->y = 20;
  item->cx = 160;
  item->cy = 10;
  item->id = kUpdateProgressItem;
  for (const wchar_t* c = L"msctls_progress32"; *c; ++c) t.push_back(*c);
  t.push_back(0);
  t.push_back(0);  // title
  t.push_back(0);  // creation data
  return t;
}

struct UpdateRun {
  TempFolder temp;
  InstallParams params = TestInstallParams(temp.path());
  Page page;
  WindowInstallUi ui{[this] { return page.window; }, [] { return HWND(nullptr); }};
  std::vector<WORD> dialog = UpdateTemplate();
  InstallEngine* engine = nullptr;
  UpdateRun() {
    char own[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, own, MAX_PATH);
    params.own_exe_path = own;  // version 1.2.3.4
    ui.update_template = reinterpret_cast<const DLGTEMPLATE*>(dialog.data());
    engine = new InstallEngine(params, ui);
    ui.on_update_dialog_close = [this] { engine->AbandonUpdate(); };
  }
};

TEST(WindowInstallUi, UpdateDialogEndsWithTheCheck) {
  UpdateRun run;
  run.params.update_info_url = ServeText("setup.txt", "1.2.3.4");
  run.engine = new InstallEngine(run.params, run.ui);
  LogCapture log;
  run.engine->StartUpdateCheck();  // modal: returns once the check has ended the dialog
  EXPECT_TRUE(log.Has("[  INFO] No update available"));
  EXPECT_EQ(nullptr, run.ui.update_dialog());
  EXPECT_FALSE(run.ui.UpdateDialogExists());
}

TEST(WindowInstallUi, ClosingTheUpdateDialogAbandonsTheCheck) {
  UpdateRun run;
  // A body that would take a minute to arrive.
  run.params.update_info_url = TestServerUrl("/slow/3000/4096");
  run.engine = new InstallEngine(run.params, run.ui);
  LogCapture log;
  HANDLE closer = CreateThread(nullptr, 0, CloseUpdateDialog, nullptr, 0, nullptr);
  run.engine->StartUpdateCheck();
  WaitForSingleObject(closer, 10000);
  DWORD closer_result = 1;
  GetExitCodeThread(closer, &closer_result);
  CloseHandle(closer);
  EXPECT_EQ(0u, closer_result);
  EXPECT_TRUE(log.Has("[* WARN] Update check closed by the user"));
  EXPECT_EQ(-1, run.engine->install_state);
  // The transfer stops reading and ends: its report is ignored (no box, no second dialog).
  WininetWrapper* request = run.engine->current_request;
  for (int i = 0; i < 1200 && request->statusCode == -1; ++i) Sleep(25);
  EXPECT_EQ(0, request->statusCode);
  EXPECT_LT(request->bodyBytes, 3000 * 4096);
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  EXPECT_FALSE(log.Has("[* WARN] Connection error check update -> 0"));
}

}  // namespace
