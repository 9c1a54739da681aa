#include "engine/entry_name.h"

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// Upper case as Windows compares names in the Windows-1252 code page: ASCII and accented
// Latin letters, and the few letters that code page places elsewhere (š, œ, ž, ÿ).
char FoldCase(char c) {
  const unsigned char u = static_cast<unsigned char>(c);
  if (u >= 'a' && u <= 'z') return static_cast<char>(u - 0x20);
  if (u >= 0xE0 && u <= 0xFE && u != 0xF7) return static_cast<char>(u - 0x20);
  switch (u) {
    case 0x9A:
      return static_cast<char>(0x8A);
    case 0x9C:
      return static_cast<char>(0x8C);
    case 0x9E:
      return static_cast<char>(0x8E);
    case 0xFF:
      return static_cast<char>(0x9F);
    default:
      return c;
  }
}

std::string WithoutTrailingDotsAndSpaces(const std::string& text) {
  const size_t end = text.find_last_not_of(". ");
  return end == std::string::npos ? std::string() : text.substr(0, end + 1);
}

}  // namespace

bool IsWindowsDeviceName(const std::string& component) {
  std::string base = component.substr(0, component.find('.'));
  base = WithoutTrailingDotsAndSpaces(base);
  for (char& c : base) c = FoldCase(c);
  if (base == "CON" || base == "PRN" || base == "AUX" || base == "NUL" || base == "CONIN$" ||
      base == "CONOUT$")
    return true;
  if (base.size() != 4 || (base.compare(0, 3, "COM") != 0 && base.compare(0, 3, "LPT") != 0))
    return false;
  const unsigned char digit = static_cast<unsigned char>(base[3]);
  // ¹ ² ³ in Windows-1252 (and Latin-1, which the stored names are narrowed from).
  return (digit >= '1' && digit <= '9') || digit == 0xB9 || digit == 0xB2 || digit == 0xB3;
}

bool EntryCollisions::Add(const std::string& name, bool is_folder) {
  std::string folded;
  size_t start = 0;
  while (start < name.size()) {
    size_t end = start;
    while (end < name.size() && !IsSeparator(name[end])) ++end;
    std::string part = WithoutTrailingDotsAndSpaces(name.substr(start, end - start));
    start = end + 1;
    if (part.empty()) continue;  // "a//b" and "a/./b" name the same place as "a/b"
    for (char& c : part) c = FoldCase(c);
    if (!folded.empty()) folded += '\\';
    folded += part;
    const bool last =
        start >= name.size() || name.find_first_not_of("\\/. ", start) == std::string::npos;
    const bool file = last && !is_folder;
    const auto found = claimed_.find(folded);
    if (found == claimed_.end()) {
      claimed_.emplace(folded, file);
    } else if (found->second || file) {
      return false;  // a file written twice, or a file and a folder in one place
    }
  }
  return true;
}
