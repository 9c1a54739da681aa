#include "support/setup_runner.h"

#include "log/setup_log.h"
#include "support/process.h"
#include "support/temp_folder.h"
#include "support/ui_driver.h"

SetupRun RunSetup(const std::string& arguments, bool expect_box, DWORD timeout_ms,
                  const std::string& working_dir) {
  SetupRun run;
  ChildProcess setup;
  if (!setup.StartRaw(SetupExePath(), "\"" + SetupExePath() + "\" " + arguments, working_dir))
    return run;
  if (expect_box) {
    HWND box = WaitForMessageBox(setup.pid(), timeout_ms);
    if (box) {
      run.had_box = true;
      run.caption = WindowText(box);
      run.text = MessageBoxText(box);
      PressAndWaitGone(box, IDOK, timeout_ms);
    }
  }
  run.ended = setup.Wait(timeout_ms, &run.exit_code);
  return run;
}

std::vector<std::string> LogMessages() {
  std::vector<std::string> messages;
  const std::string bytes = ReadTextFile(GetLogFilePath());
  const size_t timestamp = sizeof("[20261208@14:05:09:042] ") - 1;
  size_t start = 0;
  while (start < bytes.size()) {
    size_t end = bytes.find("\r\n", start);
    if (end == std::string::npos) end = bytes.size();
    const std::string line = bytes.substr(start, end - start);
    messages.push_back(line.size() > timestamp ? line.substr(timestamp) : line);
    start = end + 2;
  }
  return messages;
}

bool HasMessage(const std::vector<std::string>& messages, const std::string& text) {
  for (const std::string& m : messages)
    if (m == text) return true;
  return false;
}

DWORD CancelWizard(ChildProcess& setup, DWORD timeout_ms) {
  DWORD code = 0xFFFF;
  HWND sheet = WaitForSheet(setup.pid(), timeout_ms);
  if (!sheet || PressSheetButton(sheet, PSBTN_CANCEL, timeout_ms) != PressOutcome::kClosed ||
      !setup.Wait(timeout_ms, &code))
    return 0xFFFF;
  return code;
}

bool WaitForLogMessage(const std::string& text, DWORD timeout_ms) {
  const DWORD start = GetTickCount();
  do {
    if (HasMessage(LogMessages(), text)) return true;
    PumpMessages(50);
  } while (GetTickCount() - start < timeout_ms);
  return false;
}

std::vector<std::string> FolderEntries(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    const std::string name = found.cFileName;
    if (name != "." && name != "..") names.push_back(name);
  } while (FindNextFileA(search, &found));
  FindClose(search);
  return names;
}
