#include "maillib/HtmlText.h"

#include <gtest/gtest.h>

using maillib::HtmlToText;

TEST(HtmlText, BlocksAndBreaksBecomeLines) {
  EXPECT_EQ(HtmlToText("<p>one</p><p>two<br>three</p><div>four</div>"),
            "one\r\ntwo\r\nthree\r\nfour");
  EXPECT_EQ(HtmlToText("<ul><li>a</li><li>b</li></ul>"), "a\r\nb");
  EXPECT_EQ(HtmlToText("<table><tr><td>a</td><td>b</td></tr><tr><td>c</td></tr></table>"),
            "a b\r\nc");
  // Blank lines of the editor (<p><br></p>) give one empty line, none at the ends.
  EXPECT_EQ(HtmlToText("<p><br></p><p>x</p><p><br></p><p><br></p><p>y</p><br>"), "x\r\n\r\ny");
}

TEST(HtmlText, SourceBlanksCollapseExceptInPre) {
  EXPECT_EQ(HtmlToText("  hello\r\n   <b>big</b>\tworld  "), "hello big world");
  EXPECT_EQ(HtmlToText("<pre>a  b\n  c</pre>"), "a  b\r\n  c");
  EXPECT_EQ(HtmlToText("a&nbsp;&nbsp;b"), "a  b");
}

TEST(HtmlText, EntitiesAreDecodedAndUnknownOnesStay) {
  EXPECT_EQ(HtmlToText("&lt;tag&gt; &amp; &quot;q&quot; &#20013;&#x6587; &euro;"),
            "<tag> & \"q\" 中文 €");
  EXPECT_EQ(HtmlToText("AT&T &bogus; &#xZZ; &#99999999999;"), "AT&T &bogus; &#xZZ; \xEF\xBF\xBD");
}

TEST(HtmlText, ScriptStyleHeadAndCommentsAreDropped) {
  EXPECT_EQ(HtmlToText("<html><head><title>T</title><style>p{color:red}</style></head>"
                       "<body><!-- note --><script>if (a<b) x();</script>text</body></html>"),
            "text");
  // A '>' inside a quoted attribute does not end the tag; a lone '<' is text.
  EXPECT_EQ(HtmlToText("<a title=\"x>y\" href='z'>link</a> a < b"), "link a < b");
  EXPECT_EQ(HtmlToText("<img src=\"cid:x\">"), "");
  EXPECT_EQ(HtmlToText("unclosed <b"), "unclosed");
}
