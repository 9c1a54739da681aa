#include "log_capture.h"

#include <fstream>
#include <sstream>

#include "log/setup_log.h"

namespace {
std::string ReadLog() {
  std::ifstream file(GetLogFilePath(), std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}
}  // namespace

LogCapture::LogCapture() { start_ = ReadLog().size(); }

std::vector<std::string> LogCapture::Messages() const {
  const std::string text = ReadLog();
  const std::string fresh = text.size() >= start_ ? text.substr(start_) : text;
  std::vector<std::string> messages;
  size_t begin = 0;
  while (begin < fresh.size()) {
    size_t end = fresh.find("\r\n", begin);
    if (end == std::string::npos) end = fresh.size();
    const std::string line = fresh.substr(begin, end - begin);
    const size_t blank = line.find("] ");
    messages.push_back(blank == std::string::npos ? line : line.substr(blank + 2));
    begin = end + 2;
  }
  return messages;
}

std::vector<std::string> LogCapture::MessagesWith(const std::string& part) const {
  std::vector<std::string> found;
  for (const std::string& message : Messages())
    if (message.find(part) != std::string::npos) found.push_back(message);
  return found;
}

bool LogCapture::Has(const std::string& message) const {
  for (const std::string& line : Messages())
    if (line == message) return true;
  return false;
}
