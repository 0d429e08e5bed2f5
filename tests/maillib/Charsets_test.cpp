#include "maillib/Charsets.h"

#include <gtest/gtest.h>

using namespace maillib;

namespace {

const std::string kReplacement = "\xEF\xBF\xBD";

bool HasReplacement(const std::string& s) {
  return s.find(kReplacement) != std::string::npos;
}

}  // namespace

TEST(Charsets, AliasTableMapsMailLabels) {
  EXPECT_EQ(CanonicalCharset("gb2312"), "GB18030");
  EXPECT_EQ(CanonicalCharset(" \"GBK\" "), "GB18030");
  EXPECT_EQ(CanonicalCharset("x-gbk"), "GB18030");
  EXPECT_EQ(CanonicalCharset("EUC-CN"), "GB18030");
  EXPECT_EQ(CanonicalCharset("Big5"), "BIG5-HKSCS");
  EXPECT_EQ(CanonicalCharset("ks_c_5601-1987"), "CP949");
  EXPECT_EQ(CanonicalCharset("Shift_JIS"), "CP932");
  EXPECT_EQ(CanonicalCharset("iso-8859-1"), "WINDOWS-1252");
  EXPECT_EQ(CanonicalCharset("ISO-8859-15"), "ISO-8859-15");
  EXPECT_EQ(CanonicalCharset("windows-1251"), "CP1251");
  EXPECT_EQ(CanonicalCharset("utf8"), "UTF-8");
  EXPECT_EQ(CanonicalCharset("utf-8*en"), "UTF-8");
  EXPECT_EQ(CanonicalCharset("unicode-1-1-utf-7"), "UTF-7");
  EXPECT_EQ(CanonicalCharset("us-ascii"), "");
  EXPECT_EQ(CanonicalCharset("no-such-charset"), "");
  EXPECT_EQ(CanonicalCharset("UTF-8//TRANSLIT"), "");
  EXPECT_EQ(CanonicalCharset(""), "");
}

TEST(Charsets, DeclaredChineseCharsets) {
  EXPECT_EQ(ConvertCharsetText("\xD6\xD0\xCE\xC4", "gb2312"), "中文");
  EXPECT_EQ(ConvertCharsetText("\xE9\x46", "gb2312"), "镕");  // GBK-only under a GB2312 label
  EXPECT_EQ(ConvertCharsetText("\x95\x32\x82\x36", "GB18030"), "𠀀");  // 4-byte character
  EXPECT_EQ(ConvertCharsetText("\xA4\xA4\xA4\xE5", "big5"), "中文");
  EXPECT_EQ(ConvertCharsetText("\x9D\xEF", "big5"), "嘅");  // HKSCS-only character
  EXPECT_EQ(ConvertCharsetText("~{VPND~}abc", "HZ-GB-2312"), "中文abc");
  EXPECT_EQ(Big5ToGb("\xA4\xA4\xA4\xE5"), "中文");
}

TEST(Charsets, DeclaredOtherCharsets) {
  EXPECT_EQ(ConvertCharsetText("\x1B$BF|K\\8l\x1B(Babc", "iso-2022-jp"), "日本語abc");
  EXPECT_EQ(ConvertCharsetText("\x93\xFA\x96\x7B\x8C\xEA\\", "shift_jis"), "日本語\\");
  EXPECT_EQ(ConvertCharsetText("\xC7\xD1\xB1\xB9\xBE\xEE", "euc-kr"), "한국어");
  EXPECT_EQ(ConvertCharsetText("\xE4\xB8\xAD\xE6\x96\x87", "UTF-8"), "中文");
  EXPECT_EQ(ConvertCharsetText(std::string("\x2D\x4E\x41\x00", 4), "utf-16le"), "中A");
  EXPECT_EQ(ConvertCharsetText(std::string("\x4E\x2D\x00\x41", 4), "utf-16be"), "中A");
  EXPECT_EQ(ConvertCharsetText(std::string("\xFF\xFE\x2D\x4E\x41\x00", 6), "utf-16"), "中A");
  EXPECT_EQ(ConvertCharsetText("\xBF\xE0\xD8\xD2\xD5\xE2", "iso-8859-5"), "Привет");
  EXPECT_EQ(ConvertCharsetText("\xCF\xF0\xE8\xE2\xE5\xF2", "windows-1251"), "Привет");
  EXPECT_EQ(ConvertCharsetText("\xF0\xD2\xC9\xD7\xC5\xD4", "koi8-r"), "Привет");
  EXPECT_EQ(ConvertCharsetText("\xA3\xF3\x64\xBC", "iso-8859-2"), "Łódź");
  EXPECT_EQ(ConvertCharsetText("\xA3\xF3\x64\x9F", "windows-1250"), "Łódź");
  EXPECT_EQ(ConvertCharsetText("\xD9\xEC\xDD\xE3\xE1", "iso-8859-7"), "Ωμέγα");
  EXPECT_EQ(ConvertCharsetText("+ZeVnLGWH-", "utf-7"), "日本文");
  // A declared ISO-8859-1 is read as Windows-1252 (0x80 is the euro sign there).
  EXPECT_EQ(ConvertCharsetText("\x80\xE9", "iso-8859-1"), "€é");
}

TEST(Charsets, UndeclaredTextIsUtf8WhenValidElseGb18030) {
  EXPECT_EQ(ConvertCharsetText("\xE4\xB8\xAD\xE6\x96\x87", ""), "中文");
  EXPECT_EQ(ConvertCharsetText("\xB2\xE2\xCA\xD4\xB8\xBD\xBC\xFE.doc", ""), "测试附件.doc");
  EXPECT_EQ(ConvertCharsetText("\xD3\xCA\xBC\xFE\xD6\xF7\xCC\xE2", "us-ascii"), "邮件主题");
  EXPECT_EQ(ConvertCharsetText("\xD6\xD0\xCE\xC4", "x-unknown-label"), "中文");
  EXPECT_EQ(ConvertCharsetText("plain ascii", "no-such"), "plain ascii");
}

TEST(Charsets, MislabelledTextFallsBackBeforeReplacement) {
  // UTF-8 bytes under a Big5 label, GBK bytes under a UTF-8 label.
  EXPECT_EQ(ConvertCharsetText("\xE4\xB8\xAD\xE6\x96\x87 ok", "big5"), "中文 ok");
  EXPECT_EQ(ConvertCharsetText("ok \xD6\xD0\xCE\xC4", "utf-8"), "ok 中文");
  // UTF-8 text with one GBK character inside keeps both.
  EXPECT_EQ(ConvertCharsetText("\xE4\xB8\xAD\xD6\xD0", "utf-8"), "中中");
}

TEST(Charsets, UnreadableBytesBecomeReplacementWithoutLosingTheRest) {
  std::string out = ConvertCharsetText(std::string("a\x80z\xFF\0b", 6), "");
  EXPECT_EQ(out, "a" + kReplacement + "z" + kReplacement + std::string("\0b", 2));
  out = ConvertCharsetText("\xA4\xA4\xFF\xA4\xE5", "big5");
  EXPECT_EQ(out, "中" + kReplacement + "文");
  EXPECT_FALSE(HasReplacement(ConvertCharsetText("\xD6\xD0\xCE\xC4", "gbk")));
  out = ConvertCharsetText("\xD6", "gb2312");  // cut-off character at the end
  EXPECT_EQ(out, kReplacement);
  // Bytes shaped like UTF-8 beyond U+10FFFF under a UTF-8 label are read as GB18030 text.
  out = ConvertCharsetText("\xF4\xBD\xB6\xBC ", "utf-8");
  EXPECT_TRUE(IsValidUtf8(out));
  EXPECT_EQ(out, "艚都 ");
}

TEST(Charsets, LargeTextConvertsWhole) {
  std::string gbk;
  for (int i = 0; i < 300000; ++i)
    gbk += "\xD6\xD0";
  std::string out = ConvertCharsetText(gbk, "gb2312");
  EXPECT_EQ(out.size(), 900000u);
  EXPECT_TRUE(IsValidUtf8(out));
}

TEST(Charsets, ConvertFromUtf8WritesLabelBytes) {
  std::string out;
  ASSERT_TRUE(ConvertFromUtf8("中文镕", "gb2312", out));
  EXPECT_EQ(out, "\xD6\xD0\xCE\xC4\xE9\x46");
  ASSERT_TRUE(ConvertFromUtf8("𠀀", "GB2312", out));
  EXPECT_EQ(out, "\x95\x32\x82\x36");
  ASSERT_TRUE(ConvertFromUtf8("é", "iso-8859-1", out));
  EXPECT_EQ(out, "\xE9");
  EXPECT_FALSE(ConvertFromUtf8("€", "iso-8859-1", out));
  EXPECT_FALSE(ConvertFromUtf8("中", "koi8-r", out));
  EXPECT_TRUE(out.empty());
  ASSERT_TRUE(ConvertFromUtf8("中", "", out));
  EXPECT_EQ(out, "中");
}

TEST(Charsets, Utf8Checks) {
  EXPECT_TRUE(IsValidUtf8("ascii"));
  EXPECT_TRUE(IsValidUtf8("中文😀"));
  EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));          // overlong
  EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));      // surrogate
  EXPECT_FALSE(IsValidUtf8("\xE4\xB8"));          // cut off
  EXPECT_FALSE(IsValidUtf8("\xD6\xD0\xCE\xC4"));  // GBK
  EXPECT_FALSE(LooksLikeUtf8("only ascii"));
  EXPECT_TRUE(LooksLikeUtf8("mixed 中文 text"));
  EXPECT_TRUE(LooksLikeUtf8("emoji 😀"));
  EXPECT_FALSE(LooksLikeUtf8("\xD6\xD0\xCE\xC4"));
  EXPECT_EQ(Utf8ToGb("ok \xE4\xB8\xAD"), "ok 中");
  EXPECT_EQ(Utf8SequenceAt("中", 0), 3u);
  EXPECT_EQ(Utf8SequenceAt("中", 1), 0u);
}

TEST(Charsets, ShortUtf8UnderAnEastAsianLabelIsUtf8) {
  // "你好" and "中文" in UTF-8 are also well-formed GBK byte pairs.
  EXPECT_EQ(ConvertCharsetText("\xE4\xBD\xA0\xE5\xA5\xBD", "gb2312"), "你好");
  EXPECT_EQ(ConvertCharsetText("\xE4\xB8\xAD\xE6\x96\x87", "GBK"), "中文");
  EXPECT_EQ(ConvertCharsetText("\xE4\xB8\xAD", "gb2312"), "中");
  EXPECT_EQ(ConvertCharsetText("Re: \xE4\xBD\xA0\xE5\xA5\xBD", "big5"), "Re: 你好");
  // GBK that reads as UTF-8 only through two-byte sequences keeps the label: "小" is D0 A1,
  // which is also the UTF-8 of a Cyrillic letter.
  EXPECT_EQ(ConvertCharsetText("\xD0\xA1", "gb2312"), "小");
  EXPECT_EQ(ConvertCharsetText("\xD6\xD0\xCE\xC4", "gb2312"), "中文");
  // A single-byte label keeps its reading.
  EXPECT_EQ(ConvertCharsetText("\xC3\xA9", "iso-8859-1"), "Ã©");
}
