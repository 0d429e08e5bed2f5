#include "maillib/HzCodec.h"

#include <gtest/gtest.h>

using namespace maillib;

TEST(HzCodec, StretchesBecomeGb2312Bytes) {
  EXPECT_EQ(HZDecode("~{VPND~}abc"),
            "\xD6\xD0\xCE\xC4"
            "abc");
  EXPECT_EQ(HZDecode("a~{VP~}b~{ND~}c"),
            "a\xD6\xD0"
            "b\xCE\xC4"
            "c");
}

TEST(HzCodec, TildeEscapesAndLineBreaks) {
  EXPECT_EQ(HZDecode("a~~b"), "a~b");
  EXPECT_EQ(HZDecode("one~\ntwo"), "onetwo");
  EXPECT_EQ(HZDecode("l1\nl2\rl3\r\n"), "l1\r\nl2\r\nl3\r\n");
}

TEST(HzCodec, UnclosedStretchIsCopiedAsWritten) {
  EXPECT_EQ(HZDecode("ab~{VPND"), "ab~{VPND");
  EXPECT_EQ(HZDecode("~"), "~");
  EXPECT_EQ(HZDecode("~{"), "~{");
}

TEST(HzCodec, TildeAsTrailByteDoesNotCloseStretch) {
  // GB2312 0xA1FE is written "!~" in HZ; the stretch closes at the real "~}".
  EXPECT_EQ(HZDecode("~{!~~}x"),
            "\xA1\xFE"
            "x");
}
