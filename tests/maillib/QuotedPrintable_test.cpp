#include "maillib/QuotedPrintable.h"

#include <gtest/gtest.h>

using namespace maillib;

TEST(QuotedPrintable, SoftBreaksEscapesAndCutEnd) {
  EXPECT_EQ(QPDecode("a=\r\nb"), "ab");
  EXPECT_EQ(QPDecode("a=\nb"), "ab");
  EXPECT_EQ(QPDecode("a=\rb"), "ab");
  EXPECT_EQ(QPDecode("=41"), "A");
  EXPECT_EQ(QPDecode("=e4=b8=ad"), "中");
  EXPECT_EQ(QPDecode("abc=4"), "abc");  // '=' second-to-last: the rest is dropped
  EXPECT_EQ(QPDecode("abc="), "abc");
  EXPECT_EQ(QPDecode("a_b"), "a_b");
}

TEST(QuotedPrintable, InvalidEscapesStayAsWritten) {
  EXPECT_EQ(QPDecode("1+1=2, x=ZZ"), "1+1=2, x=ZZ");
  EXPECT_EQ(QPDecode("==41"), "=A");
  EXPECT_EQ(QPDecode(std::string("a\0=00b", 6)), std::string("a\0\0b", 4));
}

TEST(QuotedPrintable, StreamingOneByteAtATimeMatchesWhole) {
  const std::string text = "Caf=C3=A9 =\r\nsoft=\nbreak ==41 x=ZZ y=\r\n=e4=B8=AD end=4";
  std::string whole = QPDecode(text);
  std::string out;
  QPDecoder decoder;
  for (char c : text)
    decoder.Feed(std::string_view(&c, 1), out);
  decoder.Finish(out);
  EXPECT_EQ(out, whole);
  EXPECT_EQ(whole, "Café softbreak =A x=ZZ y中 end");
}

TEST(QuotedPrintable, LongLineDecodesInOnePass) {
  std::string line(1 << 20, 'x');
  line += "=41";
  std::string out = QPDecode(line);
  EXPECT_EQ(out.size(), (1u << 20) + 1);
  EXPECT_EQ(out.back(), 'A');
}
