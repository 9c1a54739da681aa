// A small UI driver for end-to-end tests: finds the windows of a process by kind, caption
// and readiness, reads their texts and presses their buttons.
//
// Under Wine a press that reaches a property sheet while its first page is still being
// created or activated is dropped, and a press sent (not posted) from another process can
// leave the sheet's modal loop waiting. So windows are found only when visible and enabled,
// a sheet only once its current page is active, every press is posted, and every press is
// confirmed by its effect or reported as a failure.
#pragma once
#include <windows.h>
#include <prsht.h>

#include <string>
#include <vector>

enum class WindowKind { kAny, kSheet, kMessageBox, kDialog };

struct FoundWindow {
  HWND hwnd = nullptr;
  std::string class_name;
  std::string caption;
  WindowKind kind = WindowKind::kAny;
};

struct WindowQuery {
  DWORD pid = 0;  // the owning process; 0 matches any
  WindowKind kind = WindowKind::kAny;
  std::string caption_prefix;  // empty matches any caption
};

// Visible top-level windows of the process (enabled or not), with their kinds.
std::vector<FoundWindow> TopLevelWindows(DWORD pid);
WindowKind KindOf(HWND window);

// Waits for a visible, enabled top-level window that matches; nullptr after the timeout.
HWND WaitForWindow(const WindowQuery& query, DWORD timeout_ms);
HWND WaitForMessageBox(DWORD pid, DWORD timeout_ms, const std::string& caption_prefix = "");
// Waits until the process's property sheet is ready for input: visible, enabled (no modal
// box or dialog over it) and its current page created, visible and activated.
HWND WaitForSheet(DWORD pid, DWORD timeout_ms, const std::string& caption_prefix = "");
// The sheet's current page; nullptr while a page is still being activated.
HWND CurrentPage(HWND sheet);

enum class PressOutcome { kPageChanged, kBoxShown, kClosed, kNoEffect };
const char* PressOutcomeName(PressOutcome outcome);
// Posts a press of a sheet button (PSBTN_NEXT, PSBTN_BACK, PSBTN_FINISH, PSBTN_CANCEL) once
// the sheet is ready, then waits for its effect: another page active, a message box or
// dialog of the process shown, or the sheet gone. A Cancel is posted again while it has no
// effect (it cannot act twice); Next, Back and Finish are not, so a lost press is reported.
PressOutcome PressSheetButton(HWND sheet, int button, DWORD timeout_ms);

// Posts a click on a button of a dialog or message box and waits until the window is gone,
// posting again while it is still there (a press on a closed window goes nowhere). False
// when there is no such button or the window outlived the timeout.
bool PressAndWaitGone(HWND window, int id, DWORD timeout_ms);

std::string WindowText(HWND window);
// The message text of a message box (its static text control).
std::string MessageBoxText(HWND box);
// Texts of the push buttons in the window, in child order.
std::vector<std::string> ButtonTexts(HWND window);
// Posts a click on a button; for windows whose closing the caller confirms itself.
bool PressButtonById(HWND window, int id);
bool PressButtonByText(HWND window, const std::string& text);
// Pumps this thread's messages for a while (for windows the test itself owns).
void PumpMessages(DWORD milliseconds);
