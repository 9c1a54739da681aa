#include "sharedinfo/sharedinfo_connection.h"

#include <windows.h>

#include <fstream>

namespace {
// SQLite takes file names in UTF-8, our paths are ANSI: without the conversion a folder
// such as "Unità" would open (or create) a different file.
std::string AnsiToUtf8(const std::string& text) {
  if (text.empty()) return text;
  const int wide_size = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()),
                                            nullptr, 0);
  if (wide_size <= 0) return text;
  std::wstring wide(static_cast<size_t>(wide_size), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &wide[0], wide_size);
  const int utf8_size =
      WideCharToMultiByte(CP_UTF8, 0, wide.data(), wide_size, nullptr, 0, nullptr, nullptr);
  if (utf8_size <= 0) return text;
  std::string utf8(static_cast<size_t>(utf8_size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), wide_size, &utf8[0], utf8_size, nullptr, nullptr);
  return utf8;
}
}  // namespace

bool CanReadSharedInfo(const std::string& path) {
  std::ifstream probe(path.c_str(), std::ios::in | std::ios::binary);
  return probe.is_open();
}

SQLite::Database OpenSharedInfo(const std::string& path, int flags) {
  return SQLite::Database(AnsiToUtf8(path), flags, kSharedInfoBusyTimeoutMs);
}
