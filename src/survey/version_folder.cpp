#include "survey/version_folder.h"

#include <windows.h>

#include <algorithm>

#include "sys/scoped_handle.h"
#include "sys/string_utils.h"

std::vector<int> ParseVersionFolderName(const std::string& name) {
  if (std::count(name.begin(), name.end(), '.') != 3) return {};
  std::vector<std::string> pieces;
  SplitString(name, ".", pieces);
  std::vector<int> version;
  for (const std::string& piece : pieces) version.push_back(StringToInt(piece));
  return version;
}

bool VersionGreater(const std::vector<int>& a, const std::vector<int>& b) {
  const size_t count = std::max(a.size(), b.size());
  for (size_t i = 0; i < count; ++i) {
    const int x = i < a.size() ? a[i] : 0;
    const int y = i < b.size() ? b[i] : 0;
    if (x != y) return x > y;
  }
  return false;
}

std::string VersionText(const std::vector<int>& version) {
  std::string text;
  for (size_t i = 0; i < version.size(); ++i) {
    if (i) text += '.';
    text += IntToString(version[i]);
  }
  return text;
}

std::vector<int> FindVersionFolder(const std::string& folder, std::string& name) {
  std::vector<int> best{0};
  name.clear();
  ScopedFind find(folder + "\\*.*");
  if (!find.valid()) return best;
  do {
    const std::vector<int> version = ParseVersionFolderName(find.entry.cFileName);
    if (!version.empty() && VersionGreater(version, best)) {
      best = version;
      name = find.entry.cFileName;
    }
  } while (find.Next());
  return best;
}
