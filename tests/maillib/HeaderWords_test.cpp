#include "maillib/HeaderWords.h"

#include <gtest/gtest.h>

#include "maillib/Base64.h"
#include "maillib/Charsets.h"

using namespace maillib;

TEST(HeaderWords, DecodesBAndQWords) {
  EXPECT_EQ(DecodeHeaderWords("=?gb2312?B?08q8/tb3zOI=?="), "邮件主题");
  EXPECT_EQ(DecodeHeaderWords("=?UTF-8?Q?=E4=BD=A0=E5=A5=BD_world?="), "你好 world");
  EXPECT_EQ(DecodeHeaderWords("=?utf-8?b?5L2g5aW9?="), "你好");
  EXPECT_EQ(DecodeHeaderWords("=?big5?B?pKSk5Q==?="), "中文");
  EXPECT_EQ(DecodeHeaderWords("=?ISO-2022-JP?B?GyRCRnxLXDhsGyhC?="), "日本語");
  EXPECT_EQ(DecodeHeaderWords("=?utf-8*zh?B?5L2g5aW9?="), "你好");
}

TEST(HeaderWords, CharacterSplitAcrossTwoWordsComesOutWhole) {
  // "中文" in GBK is D6 D0 CE C4; the first word holds D6 D0 CE, the second C4.
  EXPECT_EQ(DecodeHeaderWords("=?gbk?B?1tDO?= =?gbk?B?xA==?="), "中文");
  EXPECT_EQ(DecodeHeaderWords("=?gbk?B?1tDO?=\r\n\t=?GB2312?B?xA==?="), "中文");
}

TEST(HeaderWords, WhitespaceRulesBetweenWordsAndText) {
  EXPECT_EQ(DecodeHeaderWords("=?utf-8?Q?a?= =?utf-8?Q?b?="), "ab");
  EXPECT_EQ(DecodeHeaderWords("Re: =?utf-8?B?5L2g5aW9?= world"), "Re: 你好 world");
  EXPECT_EQ(DecodeHeaderWords("=?utf-8?Q?a?= =?iso-8859-1?Q?=E9?="), "aé");
}

TEST(HeaderWords, MalformedWordsStayAsText) {
  EXPECT_EQ(DecodeHeaderWords("Hi =?utf-8?B?5L2g5aW9"), "Hi =?utf-8?B?5L2g5aW9");
  EXPECT_EQ(DecodeHeaderWords("=?utf-8?B?5L2g?= =?broken"), "你 =?broken");
  EXPECT_EQ(DecodeHeaderWords("a =? b ?= c"), "a =? b ?= c");
  EXPECT_EQ(DecodeHeaderWords("=?"
                              "?="),
            "=?"
            "?=");
  EXPECT_EQ(DecodeHeaderWords("=?utf-8?X?abc?= tail"), " tail");  // unknown encoding letter
}

TEST(HeaderWords, PlainTextUsesDefaultCharsetOrFallback) {
  EXPECT_EQ(DecodeHeaderWords("\xD6\xD0\xCE\xC4", "gb2312"), "中文");
  EXPECT_EQ(DecodeHeaderWords("\xD6\xD0\xCE\xC4"), "中文");
  EXPECT_EQ(DecodeHeaderWords("\xE4\xB8\xAD =?gbk?B?1tDOxA==?="), "中 中文");
  EXPECT_EQ(DecodeHeaderWords("=?unknown-x?B?1tDOxA==?="), "中文");
}

TEST(HeaderWords, EncodeAsciiStaysTrimmed) {
  EXPECT_EQ(EncodeHeaderWord("  Hello world  ", false, "gb2312"), "Hello world");
  EXPECT_EQ(EncodeHeaderWord("", false, "gb2312"), "");
}

TEST(HeaderWords, EncodeUsesLabelWithGbkBytes) {
  EXPECT_EQ(EncodeHeaderWord("邮件主题", false, "gb2312"), "=?gb2312?B?08q8/tb3zOI=?=");
  // GBK has no form for this character: a GBK reader would show 4-byte GB18030 as garbage,
  // so the word goes as UTF-8.
  std::string word = EncodeHeaderWord("𠀀", false, "GB2312");
  EXPECT_EQ(word, "=?utf-8?B?" + Base64EncodeStr("𠀀") + "?=");
  EXPECT_EQ(DecodeHeaderWords(word), "𠀀");
  // A GB18030 label carries GB18030 bytes.
  EXPECT_EQ(EncodeHeaderWord("𠀀", false, "GB18030"),
            "=?GB18030?B?" + Base64EncodeStr("\x95\x32\x82\x36") + "?=");
  // A charset that cannot hold the text falls back to UTF-8.
  EXPECT_EQ(EncodeHeaderWord("中", false, "koi8-r"), "=?utf-8?B?5Lit?=");
}

TEST(HeaderWords, EncodeNameAndAddressAndSplitAtSpace) {
  EXPECT_EQ(EncodeHeaderWord("张三 <zs@example.com>", false, "gb2312"),
            EncodeHeaderWord("张三", false, "gb2312") + "<zs@example.com>");
  EXPECT_EQ(EncodeHeaderWord("\"张三\"", false, "gb2312"),
            EncodeHeaderWord("张三", false, "gb2312"));
  EXPECT_EQ(EncodeHeaderWord("Re: 你好", true, "gb2312"),
            "Re: " + EncodeHeaderWord("你好", false, "gb2312"));
}

TEST(HeaderWords, LongTextBecomesSeveralWordsThatDecodeBack) {
  std::string subject;
  for (int i = 0; i < 40; ++i)
    subject += "中文标题𠀀";
  std::string encoded = EncodeHeaderWord(subject, false, "gb2312");
  std::size_t start = 0;
  while (start < encoded.size()) {
    std::size_t end = encoded.find(' ', start);
    if (end == std::string::npos) end = encoded.size();
    EXPECT_LE(end - start, 75u);
    start = end + 1;
  }
  EXPECT_EQ(DecodeHeaderWords(encoded), subject);
}

TEST(HeaderWords, ManyBrokenWordsAreScannedOnce) {
  // Several megabytes of words that never close. A scan that looks for the end of every word
  // from its start again does not finish within the test timeout; one forward scan takes
  // milliseconds. The text comes back unchanged.
  for (const std::string unit : {"=?utf-8?B?5L2g ", "=?utf-8?Q?a", "=?x "}) {
    std::string text;
    while (text.size() < 4 * 1024 * 1024)
      text += unit;
    EXPECT_EQ(DecodeHeaderWords(text), text) << unit;
  }
  // Many good words with one broken word in front: the broken one runs to the first "?=".
  std::string text = "=?utf-8?B?";
  for (int i = 0; i < 200000; ++i)
    text += " =?utf-8?B?5L2g?=";
  EXPECT_TRUE(IsValidUtf8(DecodeHeaderWords(text)));
}

TEST(HeaderWords, LineBreakInsideAWordKeepsTheRest) {
  // Decoded line breaks become a blank; the text after them stays part of the value.
  EXPECT_EQ(DecodeHeaderWords("=?utf-8?Q?report=0D=0A2026.pdf?="), "report 2026.pdf");
  EXPECT_EQ(DecodeHeaderWords("=?utf-8?Q?Zhang=0A_San?= <z@x>"), "Zhang San <z@x>");
  // A fold inside the payload: the break goes, the data on both sides stays.
  EXPECT_EQ(DecodeHeaderWords("=?utf-8?B?5byg\r\n 5LiJ?=.doc"), "张三.doc");
  EXPECT_EQ(DecodeHeaderWords("=?utf-8?Q?Zhang\r\n_San?="), "Zhang San");
  // A value that still holds the break of a fold reads as one line.
  EXPECT_EQ(DecodeHeaderWords("Re: =?utf-8?B?5L2g5aW9?=\r\n world"), "Re: 你好 world");
  EXPECT_EQ(DecodeHeaderWords("plain\r\n\ttext"), "plain\ttext");
}

TEST(HeaderWords, RawUtf8IsReadAsUtf8WhateverTheDefaultCharset) {
  EXPECT_EQ(DecodeHeaderWords("\xE4\xBD\xA0\xE5\xA5\xBD", "gb2312"), "你好");
  EXPECT_EQ(DecodeHeaderWords("Re: \xE4\xBD\xA0\xE5\xA5\xBD =?gbk?B?1tDOxA==?=", "koi8-r"),
            "Re: 你好 中文");
  // Bytes that are not UTF-8 are read in the default charset.
  EXPECT_EQ(DecodeHeaderWords("\xA4\xA4\xA4\xE5", "big5"), "中文");
}
