#include "wizard_driver.h"

#include <prsht.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "support/ui_driver.h"
#include "sys/fs_utils.h"

namespace {

LRESULT Ask(HWND window, UINT message, WPARAM wparam = 0, LPARAM lparam = 0) {
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutA(window, message, wparam, lparam, SMTO_ABORTIFHUNG, 5000, &result))
    return 0;
  return static_cast<LRESULT>(result);
}

std::vector<unsigned char> Capture(HWND window, int& width, int& height) {
  RECT rect;
  GetWindowRect(window, &rect);
  width = rect.right - rect.left;
  height = rect.bottom - rect.top;
  std::vector<unsigned char> pixels(static_cast<size_t>(((width * 3 + 3) & ~3) * height));
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
  SelectObject(memory, old);
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  GetDIBits(memory, bitmap, 0, height, pixels.data(), &info, DIB_RGB_COLORS);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return pixels;
}

}  // namespace

bool WaitUntil(const std::function<bool()>& ready, DWORD timeout_ms) {
  const DWORD start = GetTickCount();
  while (!ready()) {
    if (GetTickCount() - start > timeout_ms) return false;
    PumpMessages(20);
  }
  return true;
}

std::string ControlText(HWND page, int control_id) {
  return WindowText(GetDlgItem(page, control_id));
}

bool WizardDriver::Start(const std::string& arguments, const std::string& exe) {
  log_ = std::make_unique<LogCapture>();
  if (!process_.Start(exe.empty() ? SetupExePath() : exe, arguments)) return false;
  // The sheet may already be disabled by a question of its start page.
  return WaitUntil([&] {
    for (const FoundWindow& w : TopLevelWindows(pid()))
      if (w.kind == WindowKind::kSheet) sheet_ = w.hwnd;
    return sheet_ != nullptr;
  });
}

HWND WizardDriver::WaitForPage(const std::string& log_name) {
  const std::string line = "[  INFO] Sheet active -> " + log_name;
  const auto seen = std::count(seen_pages_.begin(), seen_pages_.end(), log_name);
  HWND page = nullptr;
  const bool ready = WaitUntil([&] {
    const auto messages = log_->Messages();
    if (std::count(messages.begin(), messages.end(), line) <= seen) return false;
    page = reinterpret_cast<HWND>(Ask(sheet_, PSM_GETCURRENTPAGEHWND));
    // The start page finishes its activation after showing (its caption is set then).
    return page && IsWindowVisible(page) && IsWindowEnabled(sheet_) &&
           (log_name != "WIZ_START" || !Caption().empty());
  });
  if (!ready) {
    ADD_FAILURE() << log_name << " not ready: page " << page << " visible "
                  << (page && IsWindowVisible(page)) << " sheet enabled " << IsWindowEnabled(sheet_)
                  << " caption '" << Caption() << "'";
    return nullptr;
  }
  seen_pages_.push_back(log_name);
  return page;
}

Box WizardDriver::WaitForBox() {
  Box box;
  box.hwnd = WaitForMessageBox(pid(), 60000);
  if (box.hwnd) {
    box.caption = WindowText(box.hwnd);
    box.text = MessageBoxText(box.hwnd);
  }
  return box;
}

bool WizardDriver::Answer(const Box& box, int button_id) {
  return box.hwnd && PressAndWaitGone(box.hwnd, button_id, 60000);
}

void WizardDriver::Press(int button) {
  const PressOutcome outcome = PressSheetButton(sheet_, button, 60000);
  EXPECT_NE(outcome, PressOutcome::kNoEffect) << "sheet button " << button << " had no effect";
}

bool WizardDriver::Check(HWND page, int control_id) {
  HWND button = GetDlgItem(page, control_id);
  PostMessageA(button, BM_SETCHECK, BST_CHECKED, 0);
  return WaitUntil([&] { return Ask(button, BM_GETCHECK) == BST_CHECKED; });
}

bool WizardDriver::Type(HWND page, int control_id, const std::string& text,
                        const std::string& expected) {
  HWND edit = GetDlgItem(page, control_id);
  for (char c : text) PostMessageA(edit, WM_CHAR, static_cast<unsigned char>(c), 1);
  // Another process cannot read a password edit's text: its length tells.
  const bool hidden = (GetWindowLongA(edit, GWL_STYLE) & ES_PASSWORD) != 0;
  return WaitUntil([&] {
    return hidden ? Ask(edit, WM_GETTEXTLENGTH) == static_cast<LRESULT>(expected.size())
                  : WindowText(edit) == expected;
  });
}

int WizardDriver::PageIdAt(int index) {
  return static_cast<int>(Ask(sheet_, PSM_INDEXTOID, index));
}

std::string WizardDriver::Caption() { return WindowText(sheet_); }

std::vector<std::string> WizardDriver::ListLines(HWND page, int control_id) {
  HWND list = GetDlgItem(page, control_id);
  std::vector<std::string> lines;
  const LRESULT count = Ask(list, LB_GETCOUNT);
  for (LRESULT i = 0; i < count; ++i) {
    // Wine hands list texts to other processes in UTF-16 only.
    wchar_t wide[512] = {};
    DWORD_PTR length = 0;
    SendMessageTimeoutW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(wide), SMTO_ABORTIFHUNG, 5000,
                        &length);
    char line[512] = {};
    WideCharToMultiByte(1252, 0, wide, -1, line, sizeof(line), nullptr, nullptr);
    lines.push_back(line);
  }
  return lines;
}

void WizardDriver::Screenshot(const std::string& name) {
  const char* build = std::getenv("ZAV_BUILD_DIR");
  if (!build || !sheet_) return;
  const std::string folder = UnixToWindowsPath(std::string(build) + "/screenshots");
  CreateDirectoryTree(folder);
  // Paints what is pending now (the sheet's thread paints before the call returns).
  RedrawWindow(sheet_, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  int width = 0, height = 0;
  std::vector<unsigned char> pixels = Capture(sheet_, width, height);
  // Painting ends some time after the page shows: wait for two equal pictures in a row.
  WaitUntil(
      [&] {
        int w = 0, h = 0;
        std::vector<unsigned char> again = Capture(sheet_, w, h);
        const bool stable = again == pixels;
        pixels.swap(again);
        return stable;
      },
      5000);
  BITMAPFILEHEADER file = {};
  BITMAPINFOHEADER info = {};
  info.biSize = sizeof(info);
  info.biWidth = width;
  info.biHeight = height;
  info.biPlanes = 1;
  info.biBitCount = 24;
  info.biSizeImage = static_cast<DWORD>(pixels.size());
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof(file) + sizeof(info);
  file.bfSize = file.bfOffBits + info.biSizeImage;
  HANDLE out = CreateFileA((folder + "\\" + name + ".bmp").c_str(), GENERIC_WRITE, 0, nullptr,
                           CREATE_ALWAYS, 0, nullptr);
  if (out == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(out, &file, sizeof(file), &written, nullptr);
  WriteFile(out, &info, sizeof(info), &written, nullptr);
  WriteFile(out, pixels.data(), info.biSizeImage, &written, nullptr);
  CloseHandle(out);
}

DWORD WizardDriver::WaitForExit() {
  DWORD code = STILL_ACTIVE;
  process_.Wait(60000, &code);
  return code;
}

void WizardDriver::CancelIfShown() {
  if (!sheet_ || !IsWindow(sheet_)) return;
  if (PressSheetButton(sheet_, PSBTN_CANCEL, 60000) == PressOutcome::kBoxShown)
    Answer(WaitForBox(), IDYES);
  WaitForExit();
}

namespace {
const char kShellFolders[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";

void SetDesktopFolder(const std::string& folder) {
  HKEY key;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kShellFolders, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS)
    return;
  RegSetValueExA(key, "Desktop", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(folder.c_str()),
                 static_cast<DWORD>(folder.size() + 1));
  RegCloseKey(key);
}
}  // namespace

ScopedDesktop::ScopedDesktop(const std::string& folder) {
  char previous[MAX_PATH] = {};
  DWORD size = sizeof(previous);
  RegGetValueA(HKEY_CURRENT_USER, kShellFolders, "Desktop", RRF_RT_ANY | RRF_NOEXPAND, nullptr,
               previous, &size);
  previous_ = previous;
  SetDesktopFolder(folder);
}

ScopedDesktop::~ScopedDesktop() {
  if (!previous_.empty()) SetDesktopFolder(previous_);
}
