#include "sys/fs_utils.h"

#include <windows.h>
#include <shellapi.h>

#include "sys/scoped_handle.h"

namespace {

std::string WindowsDriveRoot() {
  char windir[MAX_PATH] = {};
  const UINT n = GetWindowsDirectoryA(windir, MAX_PATH);
  if (n < 3 || n >= MAX_PATH) return "C:\\";
  return std::string(windir, 3);
}

// One silent shell operation on `pattern`; 0 or the shell's error. The lists are
// double-NUL terminated, whatever their length: a long path reaches the shell, which
// answers for it, instead of being left out unseen.
unsigned long ShellOperation(UINT operation, const std::string& pattern,
                             const std::string* destination) {
  const std::string source = pattern + std::string(2, '\0');
  const std::string target = destination ? *destination + std::string(2, '\0') : std::string();
  SHFILEOPSTRUCTA op = {};
  op.wFunc = operation;
  op.pFrom = source.c_str();
  op.pTo = destination ? target.c_str() : nullptr;
  op.fFlags = 0x614;  // FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOCONFIRMMKDIR | FOF_NOERRORUI
  const int result = SHFileOperationA(&op);
  if (result != 0) return static_cast<unsigned long>(result);
  return op.fAnyOperationsAborted ? ERROR_CANCELLED : 0;
}

// What is still below `folder` (and the folder itself), each with the error of deleting it.
// A junction is removed as an entry, never walked into.
void CollectLeft(const std::string& folder, std::vector<LeftEntry>* left) {
  {
    ScopedFind find(folder + "\\*");
    if (find.valid()) {
      do {
        const std::string name = find.entry.cFileName;
        if (name == "." || name == "..") continue;
        const std::string path = folder + "\\" + name;
        const DWORD attributes = find.entry.dwFileAttributes;
        if ((attributes & FILE_ATTRIBUTE_DIRECTORY) && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
          CollectLeft(path, left);
        else if (!((attributes & FILE_ATTRIBUTE_DIRECTORY) ? RemoveDirectoryA(path.c_str())
                                                           : DeleteFileA(path.c_str())))
          left->push_back({path, GetLastError()});
      } while (find.Next());
    }
  }
  // A folder that is not empty is already told by what stays inside it.
  if (!RemoveDirectoryA(folder.c_str()) && GetLastError() != ERROR_DIR_NOT_EMPTY)
    left->push_back({folder, GetLastError()});
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

unsigned long CopyFolderContents(const std::string& source, const std::string& destination) {
  return ShellOperation(FO_COPY, source + "*", &destination);
}

void DeleteFolderContents(const std::string& path) {
  if (path.size() + 3 <= MAX_PATH) ShellOperation(FO_DELETE, path + "*", nullptr);
}

unsigned long RemoveFolder(const std::string& folder, std::vector<LeftEntry>* left) {
  std::string exact = folder;
  while (!exact.empty() && (exact.back() == '\\' || exact.back() == '/')) exact.pop_back();
  if (exact.empty() || !FileExists(exact)) return 0;
  ShellOperation(FO_DELETE, exact, nullptr);
  if (!FileExists(exact)) return 0;
  // The shell's answer does not say what stayed: what is still there is tried once more,
  // which also gives each entry's own error.
  std::vector<LeftEntry> still;
  CollectLeft(exact, &still);
  if (!FileExists(exact)) return 0;
  if (left) *left = still;
  return still.empty() ? ERROR_DIR_NOT_EMPTY : still.front().error;
}

bool FileExists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool DirectoryExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}
