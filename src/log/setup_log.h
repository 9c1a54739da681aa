// The setup log: %LOCALAPPDATA%\QEL\QEL_setup_log.txt, one line per event.
// Each call opens, appends and closes, so lines of other threads and of a second
// process (the elevated share instance) interleave whole and none is lost on a crash.
#pragma once
#include <string>

void WriteLog(const std::string& message);
// Without a trailing backslash; empty when the user has none. The environment variable
// ZAV_SETUP_LOG_FOLDER, when set, names another folder (read once per process).
std::string GetLogFolder();
std::string GetLogFilePath();  // empty when the folder is
// The log folder below the user's local application-data folder; empty when that is.
std::string LogFolderUnder(const std::string& local_app_data);
void DeleteLog();

// "[YYYYMMDD@hh:mm:ss:mmm]" from the given local time parts.
std::string FormatLogTimestamp(int year, int month, int day, int hour, int minute, int second,
                               int millisecond);
// The bytes of one line as text mode writes them: every "\n" becomes "\r\n".
std::string FormatLogLine(const std::string& timestamp, const std::string& message);
