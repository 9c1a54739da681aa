// What a folder held before an extraction, so that a failed extraction removes only what
// it added and keeps the installation or user files that were there.
#pragma once
#include <set>
#include <string>

class FolderSnapshot {
 public:
  // Records every file and folder below `folder` (with or without a trailing backslash).
  explicit FolderSnapshot(const std::string& folder);
  // Deletes every file and folder below the folder that was not recorded; recorded ones
  // stay, whatever their content now. Returns how many entries were removed.
  int RemoveAddedEntries() const;

 private:
  void Record(const std::string& folder);
  int RemoveAdded(const std::string& folder) const;

  std::string root_;
  std::set<std::string> entries_;  // upper case: the file system ignores letter case
};
