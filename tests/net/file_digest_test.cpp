#include "net/file_digest.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "support/temp_folder.h"

namespace {

std::string Hex(const unsigned char (&digest)[32]) {
  static const char kDigits[] = "0123456789abcdef";
  std::string text;
  for (unsigned char c : digest) text += std::string(1, kDigits[c >> 4]) + kDigits[c & 15];
  return text;
}

}  // namespace

// A million "a" written in three pieces through the writer's own handle while the digest
// reads behind it: the standard's test vector, and nothing for a file that is not there.
TEST(FileDigest, HashesWhatIsWrittenWhileItIsWritten) {
  TempFolder folder;
  const std::string path = folder.Sub("package.7z.part");
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                            nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  unsigned char digest[32];
  {
    FileDigest hashing(path);
    const std::string piece(333333, 'a');
    int64_t written = 0;
    for (int i = 0; i < 3; ++i) {
      DWORD done = 0;
      ASSERT_TRUE(WriteFile(file, piece.data(), static_cast<DWORD>(piece.size()), &done, nullptr));
      hashing.Advance(written += done);
    }
    DWORD done = 0;
    ASSERT_TRUE(WriteFile(file, "a", 1, &done, nullptr));
    ASSERT_TRUE(hashing.Finish(written + 1, digest));
  }
  CloseHandle(file);
  EXPECT_EQ(Hex(digest), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");

  FileDigest missing(folder.Sub("absent.part"));
  missing.Advance(10);
  EXPECT_FALSE(missing.Finish(10, digest));
  // Given up before its end (a cancelled download): the thread still ends.
  FileDigest abandoned(path);
  abandoned.Advance(5);
}
