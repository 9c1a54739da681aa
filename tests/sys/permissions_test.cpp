// Folder ACLs and attributes, on real files (Wine keeps security descriptors and attributes).
#include "sys/permissions.h"

#include <aclapi.h>
#include <gtest/gtest.h>
#include <sddl.h>
#include <windows.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "log_capture.h"
#include "support/temp_folder.h"
#include "sys/fs_utils.h"

namespace {

struct Ace {
  std::string sid;
  DWORD mask;
  BYTE flags;
  bool operator==(const Ace& other) const {
    return sid == other.sid && mask == other.mask && flags == other.flags;
  }
};

std::vector<Ace> ListAces(PACL dacl) {
  std::vector<Ace> aces;
  for (DWORD i = 0; dacl && i < dacl->AceCount; ++i) {
    void* raw = nullptr;
    if (!GetAce(dacl, i, &raw)) continue;
    auto* ace = static_cast<ACCESS_ALLOWED_ACE*>(raw);
    if (ace->Header.AceType != ACCESS_ALLOWED_ACE_TYPE) continue;
    char* sid = nullptr;
    ConvertSidToStringSidA(&ace->SidStart, &sid);
    aces.push_back({sid ? sid : "?", ace->Mask, ace->Header.AceFlags});
    if (sid) LocalFree(sid);
  }
  return aces;
}

// The allowed entries of the path's DACL as the system reports them now.
std::vector<Ace> ReadDacl(const std::string& path) {
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetNamedSecurityInfoA(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                            nullptr, &dacl, nullptr, &descriptor) != ERROR_SUCCESS)
    return {{"unreadable", 0, 0}};
  std::vector<Ace> aces = ListAces(dacl);
  LocalFree(descriptor);
  return aces;
}

// Everyone may create files in the folder (GENERIC_ALL, or the file-level right itself).
bool EveryoneMayAddFiles(const std::vector<Ace>& aces) {
  for (const Ace& ace : aces)
    if (ace.sid == "S-1-1-0" && !(ace.flags & INHERIT_ONLY_ACE) &&
        (ace.mask & (GENERIC_ALL | FILE_ADD_FILE)))
      return true;
  return false;
}

std::string Listing(const std::vector<Ace>& aces) {
  std::string text;
  for (const Ace& ace : aces)
    text += ace.sid + " " + std::to_string(ace.mask) + " " + std::to_string(ace.flags) + "; ";
  return text;
}

}  // namespace

TEST(SetFolderPrivileges, AclHoldsFourInheritableFullControlEntries) {
  PACL acl = BuildFolderPrivilegesAcl();
  ASSERT_NE(acl, nullptr);
  const std::vector<Ace> expected = {{"S-1-1-0", GENERIC_ALL, 3},
                                     {"S-1-5-32-545", GENERIC_ALL, 3},
                                     {"S-1-5-11", GENERIC_ALL, 3},
                                     {"S-1-5-32-544", GENERIC_ALL, 3}};
  const std::vector<Ace> built = ListAces(acl);
  LocalFree(acl);
  EXPECT_EQ(built.size(), 4u) << Listing(built);
  for (const Ace& ace : expected)
    EXPECT_NE(std::find(built.begin(), built.end(), ace), built.end()) << ace.sid;
}

TEST(SetFolderPrivileges, AppliedToAFolderTwiceGivesTheSameAcl) {
  TempFolder temp;
  const std::string folder = temp.Sub("Piattaforma");
  ASSERT_TRUE(CreateDirectoryTree(folder));
  ASSERT_FALSE(EveryoneMayAddFiles(ReadDacl(folder))) << Listing(ReadDacl(folder));

  LogCapture log;
  SetFolderPrivileges(folder);
  const std::vector<Ace> first = ReadDacl(folder);
  // Wine keeps no ACL of its own: it reports the one derived from the Unix permissions,
  // which now let everyone write. Windows reports the four entries themselves.
  EXPECT_TRUE(EveryoneMayAddFiles(first)) << Listing(first);

  SetFolderPrivileges(folder);
  EXPECT_EQ(ReadDacl(folder), first);
  EXPECT_EQ(log.MessagesWith("Privileges set"),
            (std::vector<std::string>{"[  INFO] Privileges set successfully",
                                      "[  INFO] Privileges set successfully"}));
}

TEST(SetFolderPrivileges, SkipSwitchLeavesTheAclAlone) {
  TempFolder temp;
  const std::string folder = temp.Sub("Saltata");
  ASSERT_TRUE(CreateDirectoryTree(folder));
  const std::vector<Ace> before = ReadDacl(folder);
  ASSERT_FALSE(EveryoneMayAddFiles(before));

  ASSERT_TRUE(WriteTextFile(folder + "\\sola.txt", "x"));
  ASSERT_TRUE(SetFileAttributesA((folder + "\\sola.txt").c_str(), FILE_ATTRIBUTE_READONLY));

  SetSkipPermission(true);
  LogCapture log;
  SetFolderPrivileges(folder);
  ResetAttributes(folder);  // the switch leaves the attribute reset alone
  SetSkipPermission(false);

  EXPECT_EQ(ReadDacl(folder), before);
  EXPECT_EQ(log.MessagesWith("Permission"),
            (std::vector<std::string>{"[* WARN] Permission setting skipped due to switch for " +
                                      folder}));
  EXPECT_TRUE(log.MessagesWith("Privileges set").empty());
  EXPECT_TRUE(log.Has("[  INFO] Set attributes on 1 files/folder in " + folder + "\\"));
  EXPECT_EQ(GetFileAttributesA((folder + "\\sola.txt").c_str()) & FILE_ATTRIBUTE_READONLY, 0u);

  // A folder that does not exist: a warning with the error, and nothing else happens.
  LogCapture missing_log;
  SetFolderPrivileges(temp.Sub("manca"));
  const std::vector<std::string> lines = missing_log.MessagesWith("Privileges set failed error ");
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NE(lines[0], "[* WARN] Privileges set failed error 0");
}

TEST(ResetAttributes, DepthFirstOneLinePerLevel) {
  TempFolder temp;
  const std::string a = temp.Sub("A");
  ASSERT_TRUE(CreateDirectoryTree(a + "\\B"));
  ASSERT_TRUE(CreateDirectoryTree(a + "\\.nascosta"));
  ASSERT_TRUE(WriteTextFile(a + "\\uno.txt", "1"));
  ASSERT_TRUE(WriteTextFile(a + "\\B\\due.txt", "2"));
  ASSERT_TRUE(WriteTextFile(a + "\\.nascosta\\tre.txt", "3"));
  ASSERT_TRUE(WriteTextFile(a + "\\sistema.sys", "4"));
  ASSERT_TRUE(SetFileAttributesA((a + "\\uno.txt").c_str(), FILE_ATTRIBUTE_READONLY));
  ASSERT_TRUE(SetFileAttributesA((a + "\\B\\due.txt").c_str(),
                                 FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE));
  ASSERT_TRUE(SetFileAttributesA((a + "\\B").c_str(), FILE_ATTRIBUTE_HIDDEN));
  ASSERT_TRUE(SetFileAttributesA((a + "\\.nascosta\\tre.txt").c_str(), FILE_ATTRIBUTE_READONLY));
  ASSERT_TRUE(SetFileAttributesA((a + "\\sistema.sys").c_str(), FILE_ATTRIBUTE_SYSTEM));
  ASSERT_TRUE(SetFileAttributesA(a.c_str(), FILE_ATTRIBUTE_HIDDEN));
  const DWORD system_before = GetFileAttributesA((a + "\\sistema.sys").c_str());
  const DWORD dot_before = GetFileAttributesA((a + "\\.nascosta").c_str());

  LogCapture log;
  ResetAttributes(a);
  EXPECT_EQ(log.MessagesWith(a),
            (std::vector<std::string>{"[  INFO] Set attributes on 1 files/folder in " + a + "\\B\\",
                                      "[  INFO] Set attributes on 2 files/folder in " + a + "\\"}));
  const DWORD mask = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN;
  EXPECT_EQ(GetFileAttributesA((a + "\\uno.txt").c_str()) & mask, 0u);
  EXPECT_EQ(GetFileAttributesA((a + "\\B\\due.txt").c_str()) & mask, 0u);
  EXPECT_EQ(GetFileAttributesA((a + "\\B").c_str()) & mask, 0u);
  // Left alone: the folder itself, the dot folder and what it holds, a plain system file.
  EXPECT_NE(GetFileAttributesA(a.c_str()) & FILE_ATTRIBUTE_HIDDEN, 0u);
  EXPECT_EQ(GetFileAttributesA((a + "\\.nascosta").c_str()), dot_before);
  EXPECT_NE(GetFileAttributesA((a + "\\.nascosta\\tre.txt").c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
  EXPECT_EQ(GetFileAttributesA((a + "\\sistema.sys").c_str()), system_before);

  // Nothing left to clear: no lines; a missing folder: no lines either.
  LogCapture quiet;
  ResetAttributes(a + "\\");
  ResetAttributes(temp.Sub("manca"));
  EXPECT_TRUE(quiet.MessagesWith(temp.path()).empty());
  SetFileAttributesA((a + "\\.nascosta\\tre.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(CanWriteFolder, WritableWithLeftoverAndNotWhereCreationFails) {
  TempFolder temp;
  ASSERT_TRUE(WriteTextFile(temp.Sub("test_privileges.txt"), "vecchio"));
  EXPECT_TRUE(CanWriteFolder(temp.path()));
  EXPECT_FALSE(FileExists(temp.Sub("test_privileges.txt")));
  EXPECT_TRUE(CanWriteFolder(temp.path() + "\\"));
  EXPECT_FALSE(FileExists(temp.Sub("test_privileges.txt")));

  EXPECT_FALSE(CanWriteFolder(temp.Sub("manca")));
  EXPECT_FALSE(FileExists(temp.Sub("manca")));

  // A folder nobody can create files in (a read-only file system, even for root).
  EXPECT_FALSE(CanWriteFolder("Z:\\proc"));
  EXPECT_FALSE(FileExists("Z:\\proc\\test_privileges.txt"));
}
