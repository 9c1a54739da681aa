// A small UI driver: finds the top-level windows and message boxes of a process by class
// and caption, reads their texts and presses their buttons.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

struct FoundWindow {
  HWND hwnd = nullptr;
  std::string class_name;
  std::string caption;
};

std::vector<FoundWindow> TopLevelWindows(DWORD pid);
// Waits for a visible top-level window of the process; an empty class or caption matches any.
HWND WaitForWindow(DWORD pid, const std::string& class_name, const std::string& caption,
                   DWORD timeout_ms);
HWND WaitForMessageBox(DWORD pid, DWORD timeout_ms);  // a dialog of class "#32770"

std::string WindowText(HWND window);
// The message text of a message box (its static text control).
std::string MessageBoxText(HWND box);
// Texts of the push buttons in the window, in child order.
std::vector<std::string> ButtonTexts(HWND window);
bool PressButtonById(HWND window, int id);
bool PressButtonByText(HWND window, const std::string& text);
// Pumps this thread's messages for a while (for windows the test itself owns).
void PumpMessages(DWORD milliseconds);
