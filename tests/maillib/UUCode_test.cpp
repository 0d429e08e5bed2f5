#include "maillib/UUCode.h"

#include <gtest/gtest.h>

using namespace maillib;

TEST(UUCode, DecodesBlockBetweenBeginAndEnd) {
  // "Cat" and a 45-byte line, as written by uuencode.
  StringList lines{"some text", "begin 644 cat.txt", "#0V%T", "`", "end"};
  std::string out = "old";
  ASSERT_TRUE(UUDecodeLines(lines, out));
  EXPECT_EQ(out, "Cat");

  std::string full = "M5&AE('%U:6-K(&)R;W=N(&9O>\"!J=6UP<R!O=F5R('1H92!L87IY(&1O9RX*";
  ASSERT_TRUE(UUDecodeLines({"BEGIN 600 f", full, "end"}, out));
  EXPECT_EQ(out, "The quick brown fox jumps over the lazy dog.\n");
}

TEST(UUCode, WithoutBeginStartsAtFirstLineAndStopsAtLastLine) {
  std::string out;
  ASSERT_TRUE(UUDecodeLines({"#0V%T"}, out));
  EXPECT_EQ(out, "Cat");
}

TEST(UUCode, SymbolOutsideAlphabetFails) {
  std::string out;
  EXPECT_FALSE(UUDecodeLines({"begin 644 x", "#0V~T", "end"}, out));
  EXPECT_FALSE(
      UUDecodeLine("\x7F"
                   "abc",
                   out));
}

TEST(UUCode, DamagedSymbolSpoilsOnlyItsOwnBytes) {
  std::string out;
  // '~' is outside the alphabet: the line keeps its length, the next line is still read.
  EXPECT_FALSE(UUDecodeLines({"begin 644 x", "#0V~T", "#0V%T", "end"}, out));
  ASSERT_EQ(out.size(), 6u);
  EXPECT_EQ(out[0], 'C');
  EXPECT_EQ(out.substr(3), "Cat");
}

TEST(UUCode, ShortOrUnpaddedLinesDoNotOverrun) {
  std::string out;
  EXPECT_TRUE(UUDecodeLine("M", out));    // claims 45 bytes, has none
  EXPECT_TRUE(UUDecodeLine("#0V", out));  // 3 bytes claimed, 2 symbols
  EXPECT_LE(out.size(), 3u);
  std::string huge = "M" + std::string(100000, '!');
  EXPECT_TRUE(UUDecodeLine(huge, out));
}
