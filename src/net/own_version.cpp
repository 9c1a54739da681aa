#include "net/own_version.h"

#include <windows.h>

#include <cstdio>

#include "sys/string_utils.h"

bool ReadFileVersionFields(const std::string& exe_path, std::vector<std::string>& fields,
                           VersionField which) {
  fields.clear();
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeA(exe_path.c_str(), &ignored);
  if (size == 0) return false;
  std::vector<char> block(size);
  if (!GetFileVersionInfoA(exe_path.c_str(), 0, size, block.data())) return false;
  VS_FIXEDFILEINFO* info = nullptr;
  UINT info_size = 0;
  if (!VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&info), &info_size) ||
      info == nullptr || info_size != sizeof(VS_FIXEDFILEINFO))
    return false;
  const bool product = which == VersionField::kProduct;
  const DWORD most = product ? info->dwProductVersionMS : info->dwFileVersionMS;
  const DWORD least = product ? info->dwProductVersionLS : info->dwFileVersionLS;
  char text[64];
  std::snprintf(text, sizeof(text), "%u.%u.%u.%u", static_cast<unsigned>(HIWORD(most)),
                static_cast<unsigned>(LOWORD(most)), static_cast<unsigned>(HIWORD(least)),
                static_cast<unsigned>(LOWORD(least)));
  SplitString(text, ".", fields);
  return fields.size() == 4;
}

bool ReadOwnVersionFields(std::vector<std::string>& fields, VersionField which) {
  char path[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) {
    fields.clear();
    return false;
  }
  return ReadFileVersionFields(path, fields, which);
}
