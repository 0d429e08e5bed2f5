#include "maillib/Iso2022Jp.h"

#include <gtest/gtest.h>

using namespace maillib;

TEST(Iso2022Jp, TwoByteModeBecomesShiftJis) {
  EXPECT_EQ(Iso2022JpToShiftJis("\x1B$BF|K\\8l\x1B(Babc"),
            "\x93\xFA\x96\x7B\x8C\xEA"
            "abc");
  EXPECT_EQ(Iso2022JpToShiftJis("\x1B$@F|\x1B(J!"), "\x93\xFA!");
}

TEST(Iso2022Jp, OtherEscapesDroppedAndLoneByteDropped) {
  EXPECT_EQ(Iso2022JpToShiftJis("a\x1B$)Cb"), "ab");
  EXPECT_EQ(Iso2022JpToShiftJis("\x1B$BF|K"), "\x93\xFA");
  EXPECT_EQ(Iso2022JpToShiftJis("x\x1B$"), "x");
}

TEST(Iso2022Jp, HalfWidthKatakana) {
  EXPECT_EQ(Iso2022JpToShiftJis("\x1B(I1\x1B(B"), "\xB1");
}
