// Running the real setup executable from end-to-end tests and reading back its log.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

struct SetupRun {
  bool ended = false;
  DWORD exit_code = 0xFFFF;
  bool had_box = false;
  std::string caption;
  std::string text;
};

// Runs the setup with `arguments` (placed after the program name and one blank); when a
// box is expected, its caption and text are read and it is confirmed with OK. An empty
// `working_dir` keeps the test's own current folder.
SetupRun RunSetup(const std::string& arguments, bool expect_box, DWORD timeout_ms = 60000,
                  const std::string& working_dir = "");

class ChildProcess;
// Waits for the running setup's wizard to be ready, cancels it and waits for the end.
// The exit code, or 0xFFFF when the sheet never got ready or the setup did not end.
DWORD CancelWizard(ChildProcess& setup, DWORD timeout_ms);

// The names in a folder, without "." and "..".
std::vector<std::string> FolderEntries(const std::string& folder);

// The setup log's lines without their timestamps.
std::vector<std::string> LogMessages();
bool HasMessage(const std::vector<std::string>& messages, const std::string& text);
// Waits until the setup log holds the message; false after the timeout.
bool WaitForLogMessage(const std::string& text, DWORD timeout_ms);
