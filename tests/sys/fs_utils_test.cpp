#include "sys/fs_utils.h"

#include <gtest/gtest.h>
#include <windows.h>

#include "support/temp_folder.h"

TEST(CreateDirectoryTree, CreatesNestedFoldersAndRefusesFiles) {
  TempFolder temp;
  const std::string deep = temp.Sub("a\\b\\c");
  EXPECT_TRUE(CreateDirectoryTree(deep));
  EXPECT_TRUE(DirectoryExists(temp.Sub("a")));
  EXPECT_TRUE(DirectoryExists(deep));
  EXPECT_TRUE(CreateDirectoryTree(deep));  // already there

  ASSERT_TRUE(WriteTextFile(temp.Sub("file"), "x"));
  EXPECT_FALSE(CreateDirectoryTree(temp.Sub("file")));
  EXPECT_FALSE(CreateDirectoryTree(temp.Sub("file\\below")));
  EXPECT_FALSE(DirectoryExists(temp.Sub("file\\below")));
  EXPECT_TRUE(FileExists(temp.Sub("file")));
  EXPECT_FALSE(DirectoryExists(temp.Sub("file")));

  EXPECT_TRUE(CreateDirectoryTree(temp.Sub("x/y/z")));  // forward slashes too
  EXPECT_TRUE(DirectoryExists(temp.Sub("x\\y\\z")));
}

TEST(CreateDirectoryTree, DeepPathBelowDriveRoot) {
  TempFolder temp;
  std::string path = temp.path();
  for (int i = 0; i < 20; ++i) path += "\\livello" + std::to_string(i);
  EXPECT_TRUE(CreateDirectoryTree(path));
  EXPECT_TRUE(DirectoryExists(path));
}

TEST(CreateDirectoryTree, ThreeLevelsBelowADriveRoot) {
  const std::string root = "F:\\";  // a fixture drive of the test prefix
  if (!DirectoryExists(root)) GTEST_SKIP() << "no fixture drive F:";
  const std::string top = root + "albero" + std::to_string(GetCurrentProcessId());
  EXPECT_TRUE(CreateDirectoryTree(top + "\\due\\tre"));
  EXPECT_TRUE(DirectoryExists(top));
  EXPECT_TRUE(DirectoryExists(top + "\\due"));
  EXPECT_TRUE(DirectoryExists(top + "\\due\\tre"));
  RemoveTree(top);
}

TEST(CreateDirectoryTree, TrailingSeparatorCountsTheFolderMadeAndLongPathsAreRefused) {
  TempFolder temp;
  // The folder exists afterwards, so the answer is true although the last creation call
  // finds it already made by the step for its parent.
  EXPECT_TRUE(CreateDirectoryTree(temp.Sub("cartella\\barra\\")));
  EXPECT_TRUE(DirectoryExists(temp.Sub("cartella\\barra")));

  // Thousands of separators (a hostile archive entry) end cleanly, creating nothing.
  std::string hostile = temp.path();
  for (int i = 0; i < 60000; ++i) hostile += "\\x";
  EXPECT_FALSE(CreateDirectoryTree(hostile));
  EXPECT_FALSE(FileExists(temp.Sub("x")));
  std::string too_long = temp.path() + "\\";
  too_long += std::string(300 - too_long.size(), 'a');
  EXPECT_FALSE(CreateDirectoryTree(too_long));
}

TEST(FolderContents, CopyAndDeleteSelectContentsOrPrefix) {
  TempFolder temp;
  ASSERT_TRUE(CreateDirectoryTree(temp.Sub("src\\sub")));
  ASSERT_TRUE(WriteTextFile(temp.Sub("src\\one.txt"), "1"));
  ASSERT_TRUE(WriteTextFile(temp.Sub("src\\sub\\two.txt"), "22"));
  ASSERT_TRUE(CreateDirectoryTree(temp.Sub("dst")));

  EXPECT_EQ(CopyFolderContents(temp.Sub("src\\"), temp.Sub("dst")), 0u);
  EXPECT_EQ(ReadTextFile(temp.Sub("dst\\one.txt")), "1");
  EXPECT_EQ(ReadTextFile(temp.Sub("dst\\sub\\two.txt")), "22");
  EXPECT_FALSE(FileExists(temp.Sub("dst\\src")));

  // With a trailing backslash only the contents go; the folder stays.
  DeleteFolderContents(temp.Sub("dst\\"));
  EXPECT_TRUE(DirectoryExists(temp.Sub("dst")));
  EXPECT_FALSE(FileExists(temp.Sub("dst\\one.txt")));

  // Without one, every sibling whose name begins with the last component goes.
  ASSERT_TRUE(CreateDirectoryTree(temp.Sub("srcbis")));
  DeleteFolderContents(temp.Sub("src"));
  EXPECT_FALSE(FileExists(temp.Sub("src")));
  EXPECT_FALSE(FileExists(temp.Sub("srcbis")));
  EXPECT_TRUE(DirectoryExists(temp.Sub("dst")));
}

// Exactly the folder goes, whatever its siblings are called; what is in use stays and is told.
TEST(FolderContents, RemoveFolderTakesExactlyTheFolder) {
  TempFolder temp;
  for (const char* folder : {"User Data\\Default", "User Data - Copia", "User Data.bak"}) {
    ASSERT_TRUE(CreateDirectoryTree(temp.Sub(folder)));
    ASSERT_TRUE(WriteTextFile(temp.Sub(folder) + "\\x.txt", "x"));
  }
  const std::string held_path = temp.Sub("User Data\\Default\\x.txt");
  HANDLE held = CreateFileA(held_path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  std::vector<LeftEntry> left;
  EXPECT_EQ(RemoveFolder(temp.Sub("User Data"), &left), 32u);
  ASSERT_EQ(left.size(), 1u);
  EXPECT_EQ(left[0].path, held_path);
  EXPECT_EQ(left[0].error, 32u);
  CloseHandle(held);
  EXPECT_EQ(RemoveFolder(temp.Sub("User Data\\"), &left), 0u);
  EXPECT_FALSE(FileExists(temp.Sub("User Data")));
  EXPECT_EQ(RemoveFolder(temp.Sub("User Data"), &left), 0u);  // already gone
  EXPECT_TRUE(FileExists(temp.Sub("User Data - Copia\\x.txt")));
  EXPECT_TRUE(FileExists(temp.Sub("User Data.bak\\x.txt")));
}

TEST(DefaultClientFolders, RootOfWindowsDrive) {
  char windir[MAX_PATH];
  GetWindowsDirectoryA(windir, MAX_PATH);
  const std::string root(windir, 3);
  EXPECT_EQ(GetDefaultClientFolder(), root + "ZAV\\QEL\\");
  EXPECT_EQ(GetDefaultClientBinFolder(), root + "ZAV\\QEL\\BIN\\");
}
