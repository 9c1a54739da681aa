#include "support/ui_driver.h"

namespace {

std::string ClassOf(HWND window) {
  char name[256] = {};
  GetClassNameA(window, name, sizeof(name));
  return name;
}

struct EnumState {
  DWORD pid;
  std::vector<FoundWindow>* out;
};

BOOL CALLBACK CollectTopLevel(HWND window, LPARAM param) {
  auto* state = reinterpret_cast<EnumState*>(param);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == state->pid && IsWindowVisible(window))
    state->out->push_back({window, ClassOf(window), WindowText(window)});
  return TRUE;
}

std::vector<HWND> Children(HWND parent) {
  std::vector<HWND> children;
  for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    children.push_back(child);
  return children;
}

bool IsPushButton(HWND window) {
  if (_stricmp(ClassOf(window).c_str(), "Button") != 0) return false;
  const LONG style = GetWindowLongA(window, GWL_STYLE) & 0x0F;
  return style == BS_PUSHBUTTON || style == BS_DEFPUSHBUTTON;
}

}  // namespace

std::string WindowText(HWND window) {
  char text[4096] = {};
  // WM_GETTEXT works across processes for standard controls; GetWindowText would not.
  SendMessageTimeoutA(window, WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text),
                      SMTO_ABORTIFHUNG, 5000, nullptr);
  return text;
}

std::vector<FoundWindow> TopLevelWindows(DWORD pid) {
  std::vector<FoundWindow> found;
  EnumState state{pid, &found};
  EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&state));
  return found;
}

HWND WaitForWindow(DWORD pid, const std::string& class_name, const std::string& caption,
                   DWORD timeout_ms) {
  const DWORD start = GetTickCount();
  do {
    for (const FoundWindow& w : TopLevelWindows(pid)) {
      if (!class_name.empty() && w.class_name != class_name) continue;
      if (!caption.empty() && w.caption != caption) continue;
      return w.hwnd;
    }
    PumpMessages(50);
  } while (GetTickCount() - start < timeout_ms);
  return nullptr;
}

HWND WaitForMessageBox(DWORD pid, DWORD timeout_ms) {
  return WaitForWindow(pid, "#32770", "", timeout_ms);
}

std::string MessageBoxText(HWND box) {
  HWND text = GetDlgItem(box, 0xFFFF);
  if (text) return WindowText(text);
  for (HWND child : Children(box))
    if (_stricmp(ClassOf(child).c_str(), "Static") == 0 && !WindowText(child).empty())
      return WindowText(child);
  return {};
}

std::vector<std::string> ButtonTexts(HWND window) {
  std::vector<std::string> texts;
  for (HWND child : Children(window))
    if (IsPushButton(child)) texts.push_back(WindowText(child));
  return texts;
}

bool PressButtonById(HWND window, int id) {
  HWND button = GetDlgItem(window, id);
  if (!button) return false;
  return PostMessageA(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                      reinterpret_cast<LPARAM>(button)) != FALSE;
}

bool PressButtonByText(HWND window, const std::string& text) {
  for (HWND child : Children(window)) {
    if (!IsPushButton(child)) continue;
    std::string label = WindowText(child);
    std::string plain;
    for (char c : label)
      if (c != '&') plain += c;
    if (label == text || plain == text) return PressButtonById(window, GetDlgCtrlID(child));
  }
  return false;
}

void PumpMessages(DWORD milliseconds) {
  const DWORD start = GetTickCount();
  do {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    Sleep(10);
  } while (GetTickCount() - start < milliseconds);
}
