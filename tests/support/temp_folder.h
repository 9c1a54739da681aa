// A fresh temporary folder per test, removed with everything in it at the end.
#pragma once
#include <string>

class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& path() const { return path_; }  // without a trailing backslash
  std::string Sub(const std::string& relative) const { return path_ + "\\" + relative; }

 private:
  std::string path_;
};

// Small file helpers for tests.
bool WriteTextFile(const std::string& path, const std::string& bytes);
std::string ReadTextFile(const std::string& path);  // empty when missing
void RemoveTree(const std::string& path);
// Everything inside the folder; the folder itself (a drive root, say) stays.
void RemoveFolderContents(const std::string& path);
