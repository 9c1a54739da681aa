#include "engine/written_entries.h"

#include <windows.h>

#include "sys/scoped_handle.h"
#include "sys/string_utils.h"

namespace {

std::string WithBackslash(const std::string& folder) {
  return !folder.empty() && folder.back() != '\\' ? folder + "\\" : folder;
}

bool IsDots(const char* name) {
  return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

bool IsWalkableFolder(DWORD attributes) {
  // A junction may point anywhere: it is an entry, never a folder to walk into.
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

}  // namespace

FolderSnapshot::FolderSnapshot(const std::string& folder) : root_(WithBackslash(folder)) {
  Record(root_);
}

void FolderSnapshot::Record(const std::string& folder) {
  ScopedFind find(folder + "*");
  if (!find.valid()) return;
  do {
    if (IsDots(find.entry.cFileName)) continue;
    const std::string path = folder + find.entry.cFileName;
    entries_.insert(ToUpperCopy(path));
    if (IsWalkableFolder(find.entry.dwFileAttributes)) Record(path + "\\");
  } while (find.Next());
}

int FolderSnapshot::RemoveAddedEntries() const { return RemoveAdded(root_); }

int FolderSnapshot::RemoveAdded(const std::string& folder) const {
  int removed = 0;
  ScopedFind find(folder + "*");
  if (!find.valid()) return 0;
  do {
    if (IsDots(find.entry.cFileName)) continue;
    const std::string path = folder + find.entry.cFileName;
    const bool recorded = entries_.count(ToUpperCopy(path)) != 0;
    const DWORD attributes = find.entry.dwFileAttributes;
    if (IsWalkableFolder(attributes)) {
      removed += RemoveAdded(path + "\\");
      if (!recorded && RemoveDirectoryA(path.c_str())) ++removed;
    } else if (!recorded) {
      SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
      if ((attributes & FILE_ATTRIBUTE_DIRECTORY) ? RemoveDirectoryA(path.c_str())
                                                  : DeleteFileA(path.c_str()))
        ++removed;
    }
  } while (find.Next());
  return removed;
}
