#include "maillib/MimePart.h"

#include <gtest/gtest.h>

using namespace maillib;

TEST(MimePart, HeaderBlockAndBodySkipBlankLines) {
  const StringList lines = {"", "", "A: 1", "B: 2", "", "  ", "body", "", "end"};
  EXPECT_EQ(HeaderBlockOf(lines), (StringList{"A: 1", "B: 2"}));
  const LineSpan body = BodyOf(lines);
  ASSERT_EQ(body.size(), 3u);
  EXPECT_EQ(body[0], "body");
  EXPECT_TRUE(BodyOf(StringList{"A: 1"}).empty());
  EXPECT_TRUE(HeaderBlockOf(StringList{"", ""}).empty());
}

TEST(MimePart, BoundaryInItsWrittenForms) {
  EXPECT_EQ(BoundaryOf("Content-Type: multipart/mixed; boundary=\"a b;c\""), "a b;c");
  EXPECT_EQ(BoundaryOf("Content-Type: multipart/mixed; BOUNDARY=abc; x=y"), "abc");
  EXPECT_EQ(BoundaryOf("Content-Type: multipart/mixed; boundary  =  abc\""), "abc");
  EXPECT_EQ(BoundaryOf("Content-Type: multipart/mixed; x-boundary-type=1; boundary=q"), "q");
  EXPECT_EQ(BoundaryOf("Content-Type: multipart/mixed; boundary=\"unclosed"), "unclosed");
  EXPECT_EQ(BoundaryOf("Content-Type: multipart/mixed"), "");
}

TEST(MimePart, SubHeaderDefaultsAndFields) {
  const TSubHeaderInfo empty = ReadSubHeader({"--B"}, "GBK");
  EXPECT_EQ(empty.ContentType, "TEXT/PLAIN");
  EXPECT_EQ(empty.ContentTransferEncoding, "7BIT");
  EXPECT_EQ(empty.CharSet, "GBK");
  const TSubHeaderInfo info = ReadSubHeader(
      {"--B", "Content-Type: Image/PNG; name=\"=?utf-8?B?5Zu+LnBuZw==?=\"",
       "Content-Transfer-Encoding: Base64", "Content-Disposition: inline;",
       "\tfilename=\"/home/u/raw.png\"", "Content-ID:  <img1@x> ", "Content-Location: img1.png"},
      "");
  EXPECT_EQ(info.ContentType, "IMAGE/PNG");
  EXPECT_EQ(info.Name, "图.png");
  EXPECT_EQ(info.FileName, "raw.png");
  EXPECT_EQ(info.ContentTransferEncoding, "BASE64");
  EXPECT_EQ(info.Disposition, "INLINE");
  EXPECT_EQ(info.ContentID, "img1@x");
  EXPECT_EQ(info.ContentLocation, "img1.png");
  const TSubHeaderInfo located = ReadSubHeader({"Content-Location: http://x/a.gif"}, "");
  EXPECT_EQ(located.ContentID, "http://x/a.gif");
}

TEST(MimePart, FullHeaderValueIsNotCutAtSemicolon) {
  const StringList header = {"To: a@x; b@x", "Subject:  s ; t "};
  EXPECT_EQ(FullHeaderValue(header, "TO:"), "a@x; b@x");
  EXPECT_EQ(FullHeaderValue(header, "SUBJECT:"), "s ; t");
  EXPECT_EQ(FullHeaderValue(header, "CC:"), "");
}

TEST(MimePart, HeaderEndsAtTheFirstLineThatIsNoFieldAfterAField) {
  EXPECT_TRUE(IsHeaderFieldLine("Subject: x"));
  EXPECT_TRUE(IsHeaderFieldLine("Subject : x"));
  EXPECT_FALSE(IsHeaderFieldLine("From x@y Tue Dec  8 10:30:00 2026"));
  EXPECT_FALSE(IsHeaderFieldLine(": x"));
  EXPECT_FALSE(IsHeaderFieldLine("Dear John: hello"));
  // A header run into the body without a blank line still leaves the body.
  THeaderSplit split = SplitHeader(StringList{"A: 1", " folded", "body", "", "more"});
  EXPECT_EQ(split.Header, (StringList{"A: 1", " folded"}));
  ASSERT_EQ(split.Body.size(), 3u);
  EXPECT_EQ(split.Body[0], "body");
  // A line folded without its blank, between two fields, stays in the header.
  split = SplitHeader(StringList{"Subject: =?x?B?YQ==?=", "=?x?B?Yg==?=", "To: t@x", "", "b"});
  EXPECT_EQ(split.Header.size(), 3u);
  EXPECT_EQ(split.Body.size(), 1u);
  // A mailbox "From " line before the fields belongs to the header block.
  split = SplitHeader(StringList{"From x@y Tue", "A: 1", "", "body"});
  EXPECT_EQ(split.Header, (StringList{"From x@y Tue", "A: 1"}));
  // Text without any field is all body.
  split = SplitHeader(StringList{"just text", "", "more"});
  EXPECT_TRUE(split.Header.empty());
  EXPECT_EQ(split.Body.size(), 3u);
}

TEST(MimePart, WideCharsetIsNeitherUsedForNamesNorInherited) {
  const TSubHeaderInfo info = ReadSubHeader(
      {"Content-Type: application/octet-stream; charset=utf-16; name=\"report.txt\""}, "");
  EXPECT_EQ(info.Name, "report.txt");
  const TSubHeaderInfo inherited =
      ReadSubHeader({"Content-Disposition: attachment; filename=\"a.txt\""}, "UTF-16LE");
  EXPECT_EQ(inherited.FileName, "a.txt");
  EXPECT_EQ(inherited.CharSet, "");
}
