#include "sys/fs_utils.h"

#include <windows.h>
#include <shellapi.h>

#include <cstring>

namespace {

std::string WindowsDriveRoot() {
  char windir[MAX_PATH] = {};
  const UINT n = GetWindowsDirectoryA(windir, MAX_PATH);
  if (n < 3 || n >= MAX_PATH) return "C:\\";
  return std::string(windir, 3);
}

// One silent shell operation on `path` + "*". The source list lives in a zero-filled
// 260-byte buffer, so it is double-NUL terminated; a longer path is refused rather than cut.
void ShellOperation(UINT operation, const std::string& path, const char* destination) {
  char source[MAX_PATH] = {};
  const std::string pattern = path + "*";
  if (pattern.size() + 2 > sizeof(source)) return;
  std::memcpy(source, pattern.data(), pattern.size());
  SHFILEOPSTRUCTA op = {};
  op.wFunc = operation;
  op.pFrom = source;
  op.pTo = destination;
  op.fFlags = 0x614;  // FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOCONFIRMMKDIR | FOF_NOERRORUI
  SHFileOperationA(&op);
}

}  // namespace

std::string GetDefaultClientFolder() { return WindowsDriveRoot() + "ZAV\\QEL\\"; }

std::string GetDefaultClientBinFolder() { return WindowsDriveRoot() + "ZAV\\QEL\\" + "BIN\\"; }

bool CreateDirectoryTree(const std::string& path) {
  // The narrow file functions fail on longer paths anyway; refusing them here also keeps a
  // hostile name (an archive entry made of thousands of separators) from exhausting the
  // stack through the recursion below.
  if (path.size() >= MAX_PATH) return false;
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES)
    return (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0;
  const size_t slash = path.find_last_of("\\/");
  if (slash != std::string::npos) CreateDirectoryTree(path.substr(0, slash));
  if (CreateDirectoryA(path.c_str(), nullptr)) return true;
  // Created meanwhile by another process, or by the step above when the path ends with a
  // separator: what counts is that the folder exists afterwards.
  return GetLastError() == ERROR_ALREADY_EXISTS && DirectoryExists(path);
}

void CopyFolderContents(const std::string& source, const std::string& destination) {
  char target[MAX_PATH + 2] = {};
  if (destination.size() >= MAX_PATH) return;
  std::memcpy(target, destination.data(), destination.size());
  ShellOperation(FO_COPY, source, target);
}

void DeleteFolderContents(const std::string& path) { ShellOperation(FO_DELETE, path, nullptr); }

bool FileExists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool DirectoryExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}
