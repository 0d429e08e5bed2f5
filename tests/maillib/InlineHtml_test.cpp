#include "maillib/InlineHtml.h"

#include <gtest/gtest.h>

using namespace maillib;

TEST(InlineHtml, ReferencesByCidOrSourceLocation) {
  const std::string html = "<IMG src=\"cid:a@x\"><img SRC=pics/b.png>";
  EXPECT_TRUE(HtmlRefersToPart(html, "a@x", ""));
  EXPECT_TRUE(HtmlRefersToPart(html, "", "pics/b.png"));
  EXPECT_FALSE(HtmlRefersToPart(html, "b@x", "c.png"));
  EXPECT_FALSE(HtmlRefersToPart(html, "", ""));
  EXPECT_TRUE(HtmlHasSrc("<img src=\"c.png\">", "c.png"));
}

TEST(InlineHtml, RewritePointsAtLocalNamesLastItemFirst) {
  TAttachedFiles files;
  TSubHeaderInfo a;
  a.ContentType = "IMAGE/GIF";
  a.ContentID = "a@x";
  files.AddFromPart(a);
  TSubHeaderInfo b;
  b.ContentType = "IMAGE/PNG";
  b.Name = "b.png";
  b.ContentID = "pics/b.png";
  b.ContentLocation = "pics/b.png";
  files.AddFromPart(b);
  std::string html = "<img src=\"CID:a@x\"><img src=pics/b.png><p>cid:a@x</p>";
  RewriteInlineHtml(html, files);
  EXPECT_EQ(html, "<img src=\"a@x.gif\"><img SRC=\"b.png\"><p>a@x.gif</p>");
  EXPECT_EQ(files[0].Name, "a@x.gif");
  EXPECT_EQ(files[0].FileName, "a@x.gif");
  EXPECT_EQ(files[1].Name, "b.png");
}

TEST(InlineHtml, BaseTagsCommentedOutOnlyWithInlineFiles) {
  const std::string original = "<BASE href=\"http://x/\"><basefont size=3><p>x</p>";
  std::string html = original;
  TAttachedFiles none;
  RewriteInlineHtml(html, none);
  EXPECT_EQ(html, original);
  TAttachedFiles one;
  one.Add().ContentID = "unused";
  RewriteInlineHtml(html, one);
  EXPECT_EQ(html, "<!--BASE href=\"http://x/\"--><basefont size=3><p>x</p>");
}

TEST(InlineHtml, MetaCharsetIsReadAndRewritten) {
  EXPECT_EQ(HtmlMetaCharset("<meta http-equiv=Content-Type content=\"text/html; charset=gb2312\">"),
            "GB2312");
  EXPECT_EQ(HtmlMetaCharset("<meta charset='Big5'>"), "BIG5");
  EXPECT_EQ(HtmlMetaCharset("<p>no charset</p>"), "");
  std::string html =
      "<META content=\"text/html; charset=gb2312\" http-equiv=Content-Type><meta charset=big5>"
      "<meta name=x><p>charset=gbk stays</p>";
  MarkHtmlUtf8(html);
  EXPECT_EQ(html,
            "<META content=\"text/html; charset=utf-8\" http-equiv=Content-Type>"
            "<meta charset=utf-8><meta name=x><p>charset=gbk stays</p>");
}
