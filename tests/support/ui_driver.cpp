#include "support/ui_driver.h"

#include <commctrl.h>
#include <prsht.h>

namespace {

// Control ids that only a property sheet's frame has (its tab control, wizard Next).
constexpr int kSheetTabId = 0x3020;
constexpr int kWizardNextId = 0x3024;
// The message text of a message box; its icon.
constexpr int kBoxTextId = 0xFFFF;
constexpr int kBoxIconId = 0x0440;
constexpr DWORD kPollMs = 20;
// How long a Cancel may show no effect before it is posted again.
constexpr DWORD kCancelRepostMs = 2000;
// How long a window's text may take to be read from its process.
constexpr DWORD kTextReadMs = 30000;

std::string ClassOf(HWND window) {
  char name[256] = {};
  GetClassNameA(window, name, sizeof(name));
  return name;
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

// A message box holds its text, perhaps an icon, and buttons with the standard ids only.
bool LooksLikeMessageBox(HWND window) {
  if (!GetDlgItem(window, kBoxTextId)) return false;
  for (HWND child : Children(window)) {
    const int id = GetDlgCtrlID(child);
    if (id == kBoxTextId || id == kBoxIconId) continue;
    if (!IsPushButton(child) || id < IDOK || id > IDCONTINUE) return false;
  }
  return true;
}

bool IsReady(HWND window) { return IsWindowVisible(window) && IsWindowEnabled(window); }

bool ProcessEnded(DWORD pid) {
  HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
  if (!process) return true;
  const bool ended = WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
  CloseHandle(process);
  return ended;
}

DWORD OwnerOf(HWND window) {
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  return pid;
}

// Another ready window of the process in front of the sheet: a box or dialog it opened.
bool HasOtherReadyWindow(DWORD pid, HWND sheet) {
  for (const FoundWindow& w : TopLevelWindows(pid))
    if (w.hwnd != sheet && w.kind != WindowKind::kAny && IsReady(w.hwnd)) return true;
  return false;
}

struct EnumState {
  DWORD pid;
  std::vector<FoundWindow>* out;
};

BOOL CALLBACK CollectTopLevel(HWND window, LPARAM param) {
  auto* state = reinterpret_cast<EnumState*>(param);
  if ((state->pid == 0 || OwnerOf(window) == state->pid) && IsWindowVisible(window))
    state->out->push_back({window, ClassOf(window), WindowText(window), KindOf(window)});
  return TRUE;
}

bool Matches(const FoundWindow& w, const WindowQuery& query) {
  if (query.kind != WindowKind::kAny && w.kind != query.kind) return false;
  return w.caption.compare(0, query.caption_prefix.size(), query.caption_prefix) == 0;
}

}  // namespace

WindowKind KindOf(HWND window) {
  if (ClassOf(window) != "#32770") return WindowKind::kAny;
  if (GetDlgItem(window, kSheetTabId) || GetDlgItem(window, kWizardNextId))
    return WindowKind::kSheet;
  return LooksLikeMessageBox(window) ? WindowKind::kMessageBox : WindowKind::kDialog;
}

std::string WindowText(HWND window) {
  char text[4096] = {};
  // WM_GETTEXT works across processes for standard controls; GetWindowText would not. On a
  // loaded machine the owner may not answer in time (or look hung): a failed send is tried
  // again while the window lives, since an unanswered read is not an empty text.
  const DWORD start = GetTickCount();
  while (!SendMessageTimeoutA(window, WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text),
                              SMTO_NORMAL, 5000, nullptr) &&
         IsWindow(window) && GetTickCount() - start < kTextReadMs) {
    text[0] = '\0';
  }
  return text;
}

std::vector<FoundWindow> TopLevelWindows(DWORD pid) {
  std::vector<FoundWindow> found;
  EnumState state{pid, &found};
  EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&state));
  return found;
}

HWND WaitForWindow(const WindowQuery& query, DWORD timeout_ms) {
  const DWORD start = GetTickCount();
  do {
    for (const FoundWindow& w : TopLevelWindows(query.pid))
      if (Matches(w, query) && IsReady(w.hwnd)) return w.hwnd;
    PumpMessages(kPollMs);
  } while (GetTickCount() - start < timeout_ms);
  return nullptr;
}

HWND WaitForMessageBox(DWORD pid, DWORD timeout_ms, const std::string& caption_prefix) {
  return WaitForWindow({pid, WindowKind::kMessageBox, caption_prefix}, timeout_ms);
}

HWND CurrentPage(HWND sheet) {
  DWORD_PTR page = 0;
  // A query, not a press: it changes nothing in the sheet.
  if (!SendMessageTimeoutA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0, SMTO_ABORTIFHUNG, 5000, &page))
    return nullptr;
  return reinterpret_cast<HWND>(page);
}

HWND WaitForSheet(DWORD pid, DWORD timeout_ms, const std::string& caption_prefix) {
  const DWORD start = GetTickCount();
  do {
    for (const FoundWindow& w : TopLevelWindows(pid)) {
      if (w.kind != WindowKind::kSheet || !Matches(w, {pid, w.kind, caption_prefix})) continue;
      HWND page = IsReady(w.hwnd) ? CurrentPage(w.hwnd) : nullptr;
      if (page && IsWindowVisible(page) && !HasOtherReadyWindow(pid, w.hwnd)) return w.hwnd;
    }
    PumpMessages(kPollMs);
  } while (GetTickCount() - start < timeout_ms);
  return nullptr;
}

const char* PressOutcomeName(PressOutcome outcome) {
  switch (outcome) {
    case PressOutcome::kPageChanged:
      return "page changed";
    case PressOutcome::kBoxShown:
      return "box shown";
    case PressOutcome::kClosed:
      return "closed";
    case PressOutcome::kNoEffect:
      return "no effect";
  }
  return "?";
}

PressOutcome PressSheetButton(HWND sheet, int button, DWORD timeout_ms) {
  const DWORD pid = OwnerOf(sheet);
  const DWORD start = GetTickCount();
  if (!WaitForSheet(pid, timeout_ms))
    return IsWindow(sheet) ? PressOutcome::kNoEffect : PressOutcome::kClosed;
  const HWND before = CurrentPage(sheet);
  PostMessageA(sheet, PSM_PRESSBUTTON, button, 0);
  DWORD posted = GetTickCount();
  while (GetTickCount() - start < timeout_ms) {
    if (!IsWindow(sheet) || ProcessEnded(pid)) return PressOutcome::kClosed;
    if (HasOtherReadyWindow(pid, sheet)) return PressOutcome::kBoxShown;
    HWND now = IsReady(sheet) ? CurrentPage(sheet) : nullptr;
    if (now && now != before && IsWindowVisible(now)) return PressOutcome::kPageChanged;
    if (button == PSBTN_CANCEL && GetTickCount() - posted >= kCancelRepostMs) {
      PostMessageA(sheet, PSM_PRESSBUTTON, button, 0);
      posted = GetTickCount();
    }
    PumpMessages(kPollMs);
  }
  return PressOutcome::kNoEffect;
}

bool PressAndWaitGone(HWND window, int id, DWORD timeout_ms) {
  if (!GetDlgItem(window, id)) return false;
  const DWORD start = GetTickCount();
  DWORD posted = 0;
  bool first = true;
  while (GetTickCount() - start < timeout_ms) {
    if (!IsWindow(window) || !IsWindowVisible(window)) return true;
    if (first || GetTickCount() - posted >= kCancelRepostMs) {
      PressButtonById(window, id);
      posted = GetTickCount();
      first = false;
    }
    PumpMessages(kPollMs);
  }
  return !IsWindow(window);
}

std::string MessageBoxText(HWND box) {
  HWND text = GetDlgItem(box, kBoxTextId);
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
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  } while (GetTickCount() - start < milliseconds);
}
