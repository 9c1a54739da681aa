// Windows version facts and the display text shown in the log and the wizard caption.
#pragma once
#include <string>

// Windows 7 (6.1) and later; Vista, XP and earlier are refused. Systems that answer with
// the Windows 8 numbers (6.2) for compatibility are accepted.
bool IsSupportedWindows(unsigned major, unsigned minor);

class CSystemInfo {
 public:
  // Throws the text "Sistema operativo non supportato." when the version cannot be read.
  CSystemInfo();
  unsigned major_version() const { return major_; }
  unsigned minor_version() const { return minor_; }
  const std::string& display_text() const { return display_text_; }

 private:
  unsigned major_ = 0;
  unsigned minor_ = 0;
  std::string display_text_;
};
