#include "maillib/DbcsSearch.h"

#include <gtest/gtest.h>

using namespace maillib;

TEST(DbcsSearch, MatchNeverStartsInsideACharacter) {
  // "中" is E4 B8 AD, "誠" is E8 AA A0; the bytes B8 AD never match as a start.
  std::string text =
      "\xE4\xB8\xAD"
      "abc";
  EXPECT_EQ(DbcsPos(text, "\xB8\xAD"), std::string::npos);
  EXPECT_EQ(DbcsPos(text, "abc"), 3u);
  EXPECT_EQ(DbcsPos("中文中文", "中", 1), 6u);
  EXPECT_EQ(DbcsPos("", "a"), std::string::npos);
  EXPECT_EQ(DbcsPos("a", ""), std::string::npos);
  EXPECT_EQ(DbcsPos("ab", "abc"), std::string::npos);
}

TEST(DbcsSearch, TextSearchFoldsAsciiLettersOnly) {
  EXPECT_EQ(DbcsPosText("Content-TYPE: x", "content-type"), 0u);
  EXPECT_EQ(DbcsPosText("中SRC=", "src="), 3u);
  EXPECT_EQ(DbcsPosText("é", "É"), std::string::npos);
}

TEST(DbcsSearch, ReplaceAllIsNonOverlapping) {
  EXPECT_EQ(DbcsReplaceAll("aaaa", "aa", "b"), "bb");
  EXPECT_EQ(DbcsReplaceAll("cid:X and CID:x", "cid:x", "pic.png", false), "pic.png and pic.png");
  EXPECT_EQ(DbcsReplaceAll("cid:X and CID:x", "cid:X", "p"), "p and CID:x");
  EXPECT_EQ(DbcsReplaceAll("中文", "", "x"), "中文");
  EXPECT_EQ(DbcsReplaceAll("", "a", "x"), "");
  EXPECT_EQ(DbcsReplaceAll("\xE4\xB8\xAD\xB8\xAD", "\xB8\xAD", "!"), "\xE4\xB8\xAD!");
}
