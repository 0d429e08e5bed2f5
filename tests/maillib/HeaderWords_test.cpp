#include "maillib/HeaderWords.h"

#include <gtest/gtest.h>

#include "maillib/Base64.h"
#include "maillib/Charsets.h"
#include "maillib/TextUtil.h"

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

namespace {

// Every line at most 78 characters and every encoded word at most 75.
void ExpectFolded(const StringList& lines) {
  for (const std::string& line : lines) {
    EXPECT_LE(line.size(), 78u) << line;
    for (std::size_t at = line.find("=?"); at != std::string::npos; at = line.find("=?", at + 2)) {
      const std::size_t end = line.find("?=", line.find('?', line.find('?', at + 2) + 1) + 1);
      ASSERT_NE(end, std::string::npos) << line;
      EXPECT_LE(end + 2 - at, 75u) << line;
      at = end;
    }
  }
  for (std::size_t i = 1; i < lines.size(); ++i)
    EXPECT_TRUE(lines[i][0] == ' ' || lines[i][0] == '\t') << lines[i];
}

// The header value as a reader gets it: line breaks removed, encoded words decoded.
std::string Unfolded(const StringList& lines, std::size_t nameLength) {
  return DecodeHeaderWords(JoinLines(lines, "").substr(nameLength + 2));
}

}  // namespace

TEST(HeaderWords, SubjectKeepsBlanksAndSpecialsBetweenWords) {
  // "<" in a subject is text: no address rule, no glued words.
  StringList lines = EncodeTextHeader("Subject", "价格 <100元> 请确认", "GB2312");
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].find("?=<"), std::string::npos);
  EXPECT_EQ(lines[0].find(">=?"), std::string::npos);
  EXPECT_EQ(Unfolded(lines, 7), "价格 <100元> 请确认");
  // Plain words stay plain and an encoded word is set off by blanks on both sides.
  lines = EncodeTextHeader("Subject", "Re: 关于  the 项目 report", "GB2312");
  EXPECT_EQ(lines[0].rfind("Subject: Re: =?GB2312?B?", 0), 0u) << lines[0];
  EXPECT_NE(lines[0].find("?=  the =?GB2312?B?"), std::string::npos) << lines[0];
  EXPECT_EQ(lines[0].substr(lines[0].size() - 9), "?= report");
  EXPECT_EQ(Unfolded(lines, 7), "Re: 关于  the 项目 report");
  // Two Chinese words: the blank between them is inside the encoded text.
  lines = EncodeTextHeader("Subject", "你好 世界", "GB2312");
  EXPECT_EQ(lines[0], "Subject: " + EncodeHeaderWord("你好 世界", false, "GB2312"));
  EXPECT_EQ(Unfolded(lines, 7), "你好 世界");
  // Text that only looks like an encoded word is encoded, so it reads back as written.
  lines = EncodeTextHeader("Subject", "see =?x?B?YQ==?= here", "GB2312");
  EXPECT_EQ(Unfolded(lines, 7), "see =?x?B?YQ==?= here");
}

TEST(HeaderWords, LongSubjectsAreFoldedBetweenWholeWords) {
  std::string chinese;
  const char* units[] = {"中", "文", "标", "题"};
  for (int i = 0; i < 200; ++i)
    chinese += units[i % 4];
  std::string mixed;
  for (int i = 0; i < 30; ++i)
    mixed += "word" + std::to_string(i) + " 中文 ";
  const std::string longWord(120, 'x');
  for (const std::string& subject : {chinese, mixed, longWord, "短 " + longWord + " 题"}) {
    for (const char* charset : {"GB2312", "UTF-8"}) {
      const StringList lines = EncodeTextHeader("Subject", subject, charset);
      ExpectFolded(lines);
      EXPECT_EQ(Unfolded(lines, 7), Trim(subject)) << charset;
    }
  }
  // A character GBK cannot hold turns only that text to UTF-8; the rest keeps its label.
  const StringList lines = EncodeTextHeader("Subject", "通知 ok 😀", "GB2312");
  EXPECT_NE(lines[0].find("=?GB2312?B?"), std::string::npos);
  EXPECT_NE(lines[0].find("=?utf-8?B?"), std::string::npos);
  EXPECT_EQ(Unfolded(lines, 7), "通知 ok 😀");
}

TEST(HeaderWords, EncodedWordsNeverCutACharacter) {
  std::string text;
  for (int i = 0; i < 50; ++i)
    text += "é中😀";
  for (const char* charset : {"utf-8", "GB2312"}) {
    for (std::size_t first : {5u, 30u, 75u}) {
      for (const std::string& word : EncodeWords(text, charset, first)) {
        EXPECT_LE(word.size(), 75u);
        const std::string label = word.substr(2, word.find('?', 2) - 2);
        const std::string bytes = Base64DecodeStr(word.substr(label.size() + 5));
        EXPECT_EQ(DecodeHeaderWords(word).find("\xEF\xBF\xBD"), std::string::npos) << word;
        EXPECT_FALSE(bytes.empty());
      }
    }
  }
}
