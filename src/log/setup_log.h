// The setup log: %LOCALAPPDATA%\QEL\QEL_setup_log.txt, one line per event.
// Each call opens, appends and closes, so lines of other threads and of a second
// process (the elevated share instance) interleave whole and none is lost on a crash.
#pragma once
#include <mutex>
#include <string>
#include <vector>

void WriteLog(const std::string& message);
// Without a trailing backslash; empty when the user has none. The environment variable
// ZAV_SETUP_LOG_FOLDER, when set, names another folder (read once per process).
std::string GetLogFolder();
std::string GetLogFilePath();  // empty when the folder is
// The log folder below the user's local application-data folder; empty when that is.
std::string LogFolderUnder(const std::string& local_app_data);
void DeleteLog();

// The lines of work done ahead of its turn (the runtime unpacked while the client still
// downloads) are held and written when its turn comes, so the log reads as the sequence.
class HeldLogLines {
 public:
  // The calling thread's lines go to `held` from now on; null: to the log again.
  static void HoldOnThisThread(HeldLogLines* held);
  // Writes the held lines now; what the thread writes later goes straight to the log.
  void Release();
  // The work was dropped: its lines never reach the log.
  void Discard();
  // Keeps `message` unless released; false then.
  bool Take(const std::string& message);

 private:
  std::mutex mutex_;
  bool released_ = false;
  std::vector<std::string> lines_;
};

// "[YYYYMMDD@hh:mm:ss:mmm]" from the given local time parts.
std::string FormatLogTimestamp(int year, int month, int day, int hour, int minute, int second,
                               int millisecond);
// The bytes of one line as text mode writes them: every "\n" becomes "\r\n".
std::string FormatLogLine(const std::string& timestamp, const std::string& message);
