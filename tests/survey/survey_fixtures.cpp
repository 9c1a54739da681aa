#include "survey_fixtures.h"

#include <gtest/gtest.h>

#include "sharedinfo/sharedinfo.h"
#include "support/temp_folder.h"
#include "sys/fs_utils.h"

std::string EncodeProt(const std::string& decoded) {
  std::string stored(decoded);
  for (size_t i = 0; i < stored.size(); ++i)
    stored[i] = static_cast<char>(static_cast<unsigned char>(stored[i]) - (i + 1));
  return stored;
}

void MakeFile(const std::string& path, const std::string& bytes) {
  const size_t slash = path.find_last_of('\\');
  ASSERT_TRUE(CreateDirectoryTree(path.substr(0, slash))) << path;
  ASSERT_TRUE(WriteTextFile(path, bytes)) << path;
}

void MakeOlinf(const std::string& zav_path, const std::string& raw_prot) {
  MakeFile(zav_path + "\\HOME\\BIN\\ZAVOLINF.TXT", "[DATA]\r\nPROT=" + raw_prot + "\r\n");
}

void MakeOlinfFor(const std::string& zav_path, const std::string& pm, const std::string& password) {
  MakeOlinf(zav_path, EncodeProt(pm + password));
}

void MakeUffaut(const std::string& zav_path, unsigned office_number) {
  std::string bytes(600, '\x1a');
  bytes[521] = static_cast<char>(office_number >> 8);
  bytes[522] = static_cast<char>(office_number & 0xFF);
  MakeFile(zav_path + "\\FILES\\uffaut", bytes);
}

void MakeInstallaMod(const std::string& zav_path, const std::string& bytes) {
  MakeFile(zav_path + "\\HOME\\ETC\\INSTALLA.MOD", bytes);
}

std::string SharedInfoPath(const std::string& folder) {
  return folder + "\\ZAV_Shared\\SharedInfo";
}

void RegisterWorkpoint(const std::string& folder, const std::string& pm,
                       const std::string& password, const std::string& install_root,
                       const std::string& year, const std::string& assignee) {
  const std::string path = SharedInfoPath(folder);
  ASSERT_TRUE(CreateDirectoryTree(folder + "\\ZAV_Shared"));
  ASSERT_EQ(CreateSharedInfo(path), 0) << path;
  int id = 0;
  ASSERT_EQ(CheckInstallation(path, year, &id), 0);
  ASSERT_EQ(AddPdlEntry(path, pm, password, id, install_root, assignee), 0);
}

int FindMessage(const std::vector<std::string>& messages, const std::string& text, int from) {
  for (size_t i = from < 0 ? 0 : from; i < messages.size(); ++i)
    if (messages[i] == text) return static_cast<int>(i);
  return -1;
}
