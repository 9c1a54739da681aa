#include "net/folder_checksum.h"

#include <windows.h>

#include <algorithm>

#include "net/md5_digest.h"
#include "sys/scoped_handle.h"
#include "sys/string_utils.h"

namespace {

bool IsSkippedName(const std::string& name) {
  // Files the client writes while it runs; they differ on every PC.
  static const char* const kSkipped[] = {"old_qel.exe",      "new_qel.exe", "debug.log",
                                         "chrome_debug.log", "Xmpp",        "Xmpp-journal"};
  if (name.empty() || name[0] == '.') return true;
  for (const char* skipped : kSkipped)
    if (name == skipped) return true;
  return false;
}

bool EndsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() &&
         text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

void ListFolder(std::string folder, const std::string& version, std::vector<std::string>& entries) {
  if (folder.empty() || (folder.back() != '\\' && folder.back() != '/')) folder += '\\';
  ScopedFind find(folder + "*.*");
  if (!find.valid()) return;
  do {
    const WIN32_FIND_DATAA& data = find.entry;
    const std::string name = data.cFileName;
    if (IsSkippedName(name)) continue;
    const std::string path = folder + name;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      if (EndsWith(path, version) || ToLowerCopy(path).find("locales") != std::string::npos) {
        entries.push_back(path);
        ListFolder(path, version, entries);
      }
    } else {
      // A file whose attributes cannot be reset ends the listing of this folder.
      if (!SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL)) return;
      entries.push_back(path);
    }
  } while (find.Next());
}

}  // namespace

std::vector<std::string> ListChecksumEntries(const std::string& folder,
                                             const std::string& version) {
  std::vector<std::string> entries;
  ListFolder(folder, version, entries);
  std::sort(entries.begin(), entries.end());
  return entries;
}

std::string FolderChecksum(const std::string& folder, const std::string& version) {
  std::string digests;
  for (const std::string& path : ListChecksumEntries(folder, version)) digests += FileDigest(path);
  return Md5Hex(digests);
}

bool IsValidInstallation(const std::string& folder, const std::string& version,
                         const std::string& expected) {
  return FolderChecksum(folder, version) == expected;
}
