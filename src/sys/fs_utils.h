// File-system helpers: default client folders, folder creation, silent copy and delete.
#pragma once
#include <string>
#include <vector>

std::string GetDefaultClientFolder();     // e.g. "C:\ZAV\QEL\"
std::string GetDefaultClientBinFolder();  // e.g. "C:\ZAV\QEL\BIN\"

// Creates the folder and its missing parents; true when it exists afterwards as a folder.
bool CreateDirectoryTree(const std::string& path);

// Copies path + "*" into `destination` with the shell, silently: 0, or the shell's error
// (ERROR_CANCELLED when it gave up on part of the copy without one).
unsigned long CopyFolderContents(const std::string& source, const std::string& destination);
// Deletes path + "*" with the shell, silently. No result is reported.
void DeleteFolderContents(const std::string& path);
// Deletes exactly this folder with everything in it (siblings that share its name's start
// stay): 0 when it is gone or was never there; otherwise the entries still there afterwards
// (files in use) go into `left`, each with the Windows error of deleting it, and the first
// error is returned.
struct LeftEntry {
  std::string path;
  unsigned long error;
};
unsigned long RemoveFolder(const std::string& folder, std::vector<LeftEntry>* left);

bool FileExists(const std::string& path);       // file or folder
bool DirectoryExists(const std::string& path);  // folder only
