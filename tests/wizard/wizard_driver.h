// Driving the real setup's wizard from another process: readiness by the setup log and
// the sheet's current page, presses posted and confirmed, message boxes answered, and
// screenshots of the sheet into the build folder.
#pragma once
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "support/process.h"
#include "sys/log_capture.h"

struct Box {
  HWND hwnd = nullptr;
  std::string caption;
  std::string text;
};

class WizardDriver {
 public:
  // Starts `exe` (the shipped setup when empty) with the arguments and waits for the sheet.
  bool Start(const std::string& arguments, const std::string& exe = "");
  DWORD pid() const { return process_.pid(); }
  HWND sheet() const { return sheet_; }

  // Waits until the page has been activated once more than before (by its "Sheet active"
  // line), is the sheet's current page, is visible and the sheet accepts input. Null on
  // time-out.
  HWND WaitForPage(const std::string& log_name);
  // A message box of the setup (not the sheet), once it is shown.
  Box WaitForBox();
  // Posts a press of one of the box's buttons and waits until the box is gone.
  bool Answer(const Box& box, int button_id);
  // Posts a press of the sheet's button (PSBTN_*).
  void Press(int button);
  // Posts a check of a radio button and waits until it is checked.
  bool Check(HWND page, int control_id);
  // Posts the characters to an edit, as typing, and waits until the edit has handled them.
  bool Type(HWND page, int control_id, const std::string& text, const std::string& expected);
  // Template id of the page at this index of the sheet now (0 past the end).
  int PageIdAt(int index);
  std::string Caption();
  std::vector<std::string> ListLines(HWND page, int control_id);
  // Saves the sheet as <build>\screenshots\<name>.bmp once its picture is stable.
  void Screenshot(const std::string& name);
  // Waits for the end of the setup; its exit code (or STILL_ACTIVE).
  DWORD WaitForExit();
  // True, with the exit code, once the setup has ended.
  bool Exited(DWORD& code) { return process_.Wait(0, &code); }
  // A wizard still shown is cancelled (the install page's question answered Yes) and waited
  // for: what a test leaves after a failure.
  void CancelIfShown();
  const LogCapture& log() const { return *log_; }

 private:
  ChildProcess process_;
  HWND sheet_ = nullptr;
  std::unique_ptr<LogCapture> log_;
  std::vector<std::string> seen_pages_;
};

// The user's desktop folder (where the setup puts its shortcut) redirected to `folder` for
// the object's life, instead of the Linux user's desktop that a prefix links to.
class ScopedDesktop {
 public:
  explicit ScopedDesktop(const std::string& folder);
  ~ScopedDesktop();
  ScopedDesktop(const ScopedDesktop&) = delete;
  ScopedDesktop& operator=(const ScopedDesktop&) = delete;

 private:
  std::string previous_;
};

std::string ControlText(HWND page, int control_id);
// Polls until `ready` holds, pumping this thread's messages; false after the time-out.
bool WaitUntil(const std::function<bool()>& ready, DWORD timeout_ms = 60000);
