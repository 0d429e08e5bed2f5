#include "maillib/MimeParams.h"

#include <gtest/gtest.h>

using namespace maillib;

TEST(MimeParams, PlainAndQuotedValues) {
  const char* field = "attachment; filename=\"a; b.txt\"; size=10";
  EXPECT_EQ(DecodeParam(field, "filename"), "a; b.txt");
  EXPECT_EQ(DecodeParam(field, "SIZE"), "10");
  EXPECT_EQ(DecodeParam("Content-Type: text/plain; name=report.pdf", "name"), "report.pdf");
  EXPECT_EQ(DecodeParam("application/pdf; filename=x.pdf", "name"), "");  // not "filename"
  EXPECT_TRUE(HasParam("text/plain; charset=utf-8", "charset"));
  EXPECT_FALSE(HasParam("text/plain", "charset"));
}

TEST(MimeParams, EncodedWordsAndRawBytesInNames) {
  EXPECT_EQ(DecodeParam("image/png; name=\"=?gb2312?B?suLK1A==?=.png\"", "name"), "测试.png");
  EXPECT_EQ(DecodeParam("attachment; filename=\"\xB2\xE2\xCA\xD4.doc\"", "filename"), "测试.doc");
  EXPECT_EQ(DecodeParam("attachment; filename=\"\xB2\xE2\xCA\xD4.doc\"", "filename", "gbk"),
            "测试.doc");
}

TEST(MimeParams, Rfc2231SingleAndContinued) {
  EXPECT_EQ(DecodeParam("attachment; filename*=UTF-8''%E6%B5%8B%E8%AF%95.txt", "filename"),
            "测试.txt");
  EXPECT_EQ(DecodeParam("attachment; filename*=gb2312'zh-cn'%B2%E2%CA%D4.doc", "filename"),
            "测试.doc");
  EXPECT_EQ(DecodeParam("attachment; filename*0*=UTF-8''%E6%B5%8B; filename*1*=%E8%AF%95;"
                        " filename*2=\".txt\"",
                        "filename"),
            "测试.txt");
  // Sections out of order, and a GBK character split between sections.
  EXPECT_EQ(DecodeParam("a; name*1*=%C4.txt; name*0*=gbk''%D6%D0%CE", "name"), "中文.txt");
  // The extended form wins over the plain one.
  EXPECT_EQ(DecodeParam("a; filename=\"fallback.txt\"; filename*=utf-8''%E4%B8%AD.txt", "filename"),
            "中.txt");
}

TEST(MimeParams, BrokenParametersDoNotCrash) {
  EXPECT_EQ(DecodeParam("a; filename*=%E4%B8%AD", "filename"), "中");
  EXPECT_EQ(DecodeParam("a; filename*99999999999=x", "filename"), "");
  EXPECT_EQ(DecodeParam("a; filename=\"unclosed", "filename"), "unclosed");
  EXPECT_EQ(DecodeParam("a; filename=", "filename"), "");
  EXPECT_EQ(DecodeParam("", "filename"), "");
}
