#include "maillib/HeaderLookup.h"

#include <gtest/gtest.h>

using namespace maillib;

namespace {

const StringList kMessage{"",
                          "From: a@x.com",
                          "Subject: Hello",
                          "Content-Type: multipart/mixed;",
                          "\tboundary=\"b1\"",
                          "",
                          "Subject: not a header",
                          "body"};

}  // namespace

TEST(HeaderLookup, FindHeaderUnfoldsKeepingTheBlankOfEachContinuation) {
  std::string line;
  ASSERT_TRUE(FindHeader(kMessage, "CONTENT-TYPE:", line));
  EXPECT_EQ(line, "Content-Type: multipart/mixed;\tboundary=\"b1\"");
  ASSERT_TRUE(FindHeader({"From: Zhang", " San <z@x>"}, "FROM:", line));
  EXPECT_EQ(line, "From: Zhang San <z@x>");
  ASSERT_TRUE(FindHeader(kMessage, "SUBJECT:", line));
  EXPECT_EQ(line, "Subject: Hello");
  EXPECT_FALSE(FindHeader(kMessage, "TO:", line));
  EXPECT_FALSE(FindHeader({}, "TO:", line));
}

TEST(HeaderLookup, HeaderValueCutsAtSemicolonUnlessQuoted) {
  EXPECT_EQ(HeaderValue("TO:", "To: a@x.com; b@y.com"), "a@x.com");
  // A quoted value is cut only at a quote followed by ';'.
  EXPECT_EQ(HeaderValue("TO:", "To: \"Li; Si\" <l@x.com>; b@y.com"),
            "\"Li; Si\" <l@x.com>; b@y.com");
  EXPECT_EQ(HeaderValue("CHARSET=", "Content-Type: text/plain; charset=\"gb2312\";x=1"),
            "\"gb2312");
  EXPECT_EQ(HeaderValue("CHARSET=", "Content-Type: text/plain; charset=GBK"), "GBK");
  EXPECT_EQ(HeaderValue("BOUNDARY=", "Content-Type: text/plain"), "");
}

TEST(HeaderLookup, HeaderParamSearchesHeaderBlockOnly) {
  EXPECT_EQ(HeaderParam("BOUNDARY=", kMessage), "\"b1\"");
  EXPECT_EQ(HeaderParam("BODY", kMessage), "");
}

TEST(HeaderLookup, StripHeaderBlockRemovesHeaderAndBlankLines) {
  StringList part{"Content-Type: text/plain", "", "  ", "text", "", "more"};
  StripHeaderBlock(part);
  EXPECT_EQ(part, (StringList{"text", "", "more"}));
  StringList onlyHeader{"A: b"};
  StripHeaderBlock(onlyHeader);
  EXPECT_TRUE(onlyHeader.empty());
}
