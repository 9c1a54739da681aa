#include "sys/string_utils.h"

#include <locale>
#include <sstream>

void SplitString(const std::string& text, const std::string& delimiters,
                 std::vector<std::string>& pieces) {
  pieces.clear();
  std::string current;
  for (char c : text) {
    if (delimiters.find(c) != std::string::npos) {
      pieces.push_back(current);
      current.clear();
    } else {
      current.push_back(c);
    }
  }
  pieces.push_back(current);
}

std::string TrimSpaces(const std::string& text) {
  const size_t last = text.find_last_not_of(' ');
  if (last == std::string::npos) return text;  // only spaces (or empty): left as it is
  const size_t first = text.find_first_not_of(' ');
  return text.substr(first, last - first + 1);
}

std::string IntToString(long long value) {
  std::ostringstream out;
  out << value;
  return out.str();
}

int StringToInt(const std::string& text) {
  // A failed read leaves 0, an out-of-range one the nearest limit, as the stream defines.
  std::istringstream in(text);
  int value = 0;
  in >> value;
  return value;
}

std::string ToLowerCopy(const std::string& text) {
  std::string out(text);
  const std::locale loc;
  for (char& c : out) c = std::tolower(c, loc);
  return out;
}

std::string ToUpperCopy(const std::string& text) {
  std::string out(text);
  const std::locale loc;
  for (char& c : out) c = std::toupper(c, loc);
  return out;
}

std::string OneLine(const std::string& text) {
  std::string line;
  for (char c : text) {
    if (c == '\n' || c == '\r') {
      if (!line.empty() && line.back() != ' ') line += ' ';
    } else {
      line += c;
    }
  }
  return line;
}
