// File-system helpers: default client folders, folder creation, silent copy and delete.
#pragma once
#include <string>

std::string GetDefaultClientFolder();     // e.g. "C:\ZAV\QEL\"
std::string GetDefaultClientBinFolder();  // e.g. "C:\ZAV\QEL\BIN\"

// Creates the folder and its missing parents; true when it exists afterwards as a folder.
bool CreateDirectoryTree(const std::string& path);

// Copies path + "*" into `destination` with the shell, silently. No result is reported.
void CopyFolderContents(const std::string& source, const std::string& destination);
// Deletes path + "*" with the shell, silently. No result is reported.
void DeleteFolderContents(const std::string& path);

bool FileExists(const std::string& path);       // file or folder
bool DirectoryExists(const std::string& path);  // folder only
