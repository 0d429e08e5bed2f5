#include "maillib/TextUtil.h"

#include <gtest/gtest.h>

using namespace maillib;

TEST(TextUtil, TrimDropsBlanksAndControlBytesAroundStoredMarkers) {
  EXPECT_EQ(maillib::Trim(" \tMailUn\r\n"), "MailUn");
  EXPECT_EQ(maillib::Trim("   "), "");
  EXPECT_EQ(maillib::Trim("Mail Un"), "Mail Un");
}

TEST(TextUtil, TextBeforeAndAfter) {
  EXPECT_EQ(TextBefore("key = value", "=", true), "key");
  EXPECT_EQ(TextAfter("key = value", "=", true), "value");
  EXPECT_EQ(TextAfter("no separator", "=", false, false), "no separator");
  EXPECT_EQ(TextAfter("no separator", "=", false, true), "");
  EXPECT_EQ(TextBefore(" x ", ":", true, false), "x");
  EXPECT_EQ(TextAfter("a:b:c", ":"), "b:c");
}

TEST(TextUtil, QuotesAndParameters) {
  EXPECT_EQ(StripQuotes("\"abc'"), "abc");
  EXPECT_EQ(StripQuotes("\""), "");
  EXPECT_EQ(ParamValueUpper("charset=\"\"gb2312\""), "GB2312");
  EXPECT_EQ(ParamValueUpper("plain"), "PLAIN");
  EXPECT_EQ(RemoveAllChar("a>b>c", '>'), "abc");
}

TEST(TextUtil, Splitting) {
  EXPECT_EQ(SplitWords("a  b", ' '), (StringList{"a", "", "b"}));
  EXPECT_EQ(SplitWords("a", ' ', 3), (StringList{"a", "", "", ""}));
  EXPECT_EQ(SplitByChars(";a,,b;", ";,"), (StringList{"a", "b"}));
  EXPECT_EQ(SplitLines("a\r\nb\nc\rd\r\n"), (StringList{"a", "b", "c", "d"}));
  EXPECT_EQ(SplitLines("a\r\n\r\n"), (StringList{"a", ""}));
  EXPECT_EQ(JoinLines({"a", "b"}), "a\r\nb");
}

TEST(TextUtil, WordAsIntReadsPopReplies) {
  EXPECT_EQ(WordAsInt("+OK 12 34567", 1, -1), 12);
  EXPECT_EQ(WordAsInt("+OK 3 2048", 2, -1), 2048);
  EXPECT_EQ(WordAsInt("+OK", 1, -1), -1);
  EXPECT_EQ(WordAsInt("+OK abc", 1, -1), -1);
  EXPECT_EQ(WordAsInt("+OK 99999999999999999999999", 1, -1), -1);
}

TEST(TextUtil, DottedQuad) {
  EXPECT_TRUE(IsDottedQuad("127.0.0.1"));
  EXPECT_FALSE(IsDottedQuad("256.0.0.1"));
  EXPECT_FALSE(IsDottedQuad("1.2.3"));
  EXPECT_FALSE(IsDottedQuad("1.2.3.x"));
  EXPECT_FALSE(IsDottedQuad("1..3.4"));
}

TEST(TextUtil, CommaTextQuotesWhenNeeded) {
  EXPECT_EQ(JoinCommaText({"a", "b c", "say \"hi\"", "x,y"}),
            "a,\"b c\",\"say \"\"hi\"\"\",\"x,y\"");
}

TEST(TextUtil, CommaTextSplitsBackIntoTheJoinedItems) {
  const StringList items = {"a", "b c", "say \"hi\"", "x,y", "\"张三\" <z@example.cn>"};
  EXPECT_EQ(SplitCommaText(JoinCommaText(items)), items);
  EXPECT_EQ(SplitCommaText(" a , b "), (StringList{"a", "b"}));
  EXPECT_EQ(SplitCommaText("\"open,never closed"), (StringList{"open,never closed"}));
  EXPECT_TRUE(SplitCommaText("").empty());
}

TEST(TextUtil, EscapeHtmlLeavesNoMarkupAndKeepsMultiByteText) {
  EXPECT_EQ(EscapeHtml("a<b> & \"c\" 中文"), "a&lt;b&gt; &amp; &quot;c&quot; 中文");
  EXPECT_EQ(EscapeHtml("&amp;"), "&amp;amp;");  // escaped once more, never taken as an entity
  EXPECT_EQ(EscapeHtml(""), "");
}
