// Rules for the names stored in a package, as Windows will read them once they are paths.
// Pure: no Windows calls, so they are checked before anything touches the disk.
#pragma once
#include <map>
#include <string>

// True when Windows takes a path component for a device rather than a file: its text before
// the first dot, without trailing spaces and dots, is CON, PRN, AUX, NUL, COM1-COM9 or
// LPT1-LPT9 (also with the superscript digits 1-3), CONIN$ or CONOUT$, in any letter case.
// Writing "aux.h" would reach the device; "nul.txt" would swallow the bytes.
bool IsWindowsDeviceName(const std::string& component);

// The entries of one archive, as the files and folders Windows would make of them. Windows
// folds letter case and drops trailing dots and spaces, so "Leggimi.txt" and "LEGGIMI.TXT."
// are one file: the second entry would silently replace the first.
class EntryCollisions {
 public:
  // Claims the entry's path (and its parent folders as folders). False when the path is
  // already claimed by a file, or is a file over an earlier entry's folder. A folder seen
  // twice is fine.
  bool Add(const std::string& name, bool is_folder);

 private:
  std::map<std::string, bool> claimed_;  // folded path -> true for a file
};
