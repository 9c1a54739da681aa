// The setup log: %LOCALAPPDATA%\QEL\QEL_setup_log.txt, one line per event.
// Each call opens, appends and closes, so lines of other threads and of a second
// process (the elevated share instance) interleave whole and none is lost on a crash.
#pragma once
#include <string>

void WriteLog(const std::string& message);
std::string GetLogFolder();  // without a trailing backslash
std::string GetLogFilePath();
void DeleteLog();

// "[YYYYMMDD@hh:mm:ss:mmm]" from the given local time parts.
std::string FormatLogTimestamp(int year, int month, int day, int hour, int minute, int second,
                               int millisecond);
// The bytes of one line as text mode writes them: every "\n" becomes "\r\n".
std::string FormatLogLine(const std::string& timestamp, const std::string& message);
