#include "app/share_mode.h"

#include <gtest/gtest.h>

TEST(FindShareRequest, TakesTheFirstTrimmedPieceThatStartsWithTheToken) {
  ShareRequest r = FindShareRequest(" /SHARE=01234;D:\\ZAV");
  ASSERT_TRUE(r.found);
  EXPECT_EQ(r.piece, "SHARE=01234;D:\\ZAV");
  EXPECT_TRUE(r.has_separator);
  EXPECT_EQ(r.office_code, "01234");
  EXPECT_EQ(r.folder, "D:\\ZAV");

  r = FindShareRequest("/UP /   SHARE=00001;C:\\Uffici\\PM00001   ");
  ASSERT_TRUE(r.found);
  EXPECT_EQ(r.folder, "C:\\Uffici\\PM00001");
}

TEST(FindShareRequest, FolderKeepsEverythingAfterTheFirstSemicolon) {
  const ShareRequest r = FindShareRequest("/SHARE=01234;D:\\a;b;c");
  EXPECT_EQ(r.office_code, "01234");
  EXPECT_EQ(r.folder, "D:\\a;b;c");
}

TEST(FindShareRequest, TokenMustOpenThePieceAndIsCaseSensitive) {
  EXPECT_FALSE(FindShareRequest("/share=01234;D:\\ZAV").found);
  EXPECT_FALSE(FindShareRequest("/XSHARE=01234;D:\\ZAV").found);
  EXPECT_FALSE(FindShareRequest("SHARE=01234;D:\\ZAV").found);  // piece 0 is never looked at
  const ShareRequest r = FindShareRequest("/SHARE=01234");
  EXPECT_TRUE(r.found);
  EXPECT_FALSE(r.has_separator);
}

TEST(FindShareRequest, EmptyPartsAreKeptEmpty) {
  ShareRequest r = FindShareRequest("/SHARE=;D:\\ZAV");
  EXPECT_TRUE(r.has_separator);
  EXPECT_EQ(r.office_code, "");
  r = FindShareRequest("/SHARE=01234;");
  EXPECT_TRUE(r.has_separator);
  EXPECT_EQ(r.folder, "");
  r = FindShareRequest("/SHARE=");
  EXPECT_TRUE(r.found);
  EXPECT_FALSE(r.has_separator);
}
