#include "maillib/FileNames.h"

#include <gtest/gtest.h>

#include "maillib/Charsets.h"

using namespace maillib;

TEST(FileNames, SafeNameRemovesSeparatorsAndControlBytes) {
  EXPECT_EQ(SafeAttachmentFileName("../../etc/passwd"), "etcpasswd");
  EXPECT_EQ(SafeAttachmentFileName("C:\\dir\\a*b?c\"d<e>f|g.txt"), "Cdirabcdefg.txt");
  EXPECT_EQ(SafeAttachmentFileName(".."), "");
  EXPECT_EQ(SafeAttachmentFileName(".hidden"), "hidden");
  EXPECT_EQ(SafeAttachmentFileName(std::string("a\0b\x01\x7F.txt", 9)), "ab.txt");
  EXPECT_EQ(SafeAttachmentFileName("name.txt\r\nInjected: header"), "name.txt");
}

TEST(FileNames, SafeNameKeepsChineseAndRepairsEncoding) {
  EXPECT_EQ(SafeAttachmentFileName(" 测试附件.doc "), "测试附件.doc");
  EXPECT_EQ(SafeAttachmentFileName("\xB2\xE2\xCA\xD4.doc"), "测试.doc");  // raw GBK bytes
}

TEST(FileNames, SafeNameKeepsWithinLengthLimitAndExtension) {
  std::string longName;
  for (int i = 0; i < 200; ++i)
    longName += "文";
  std::string safe = SafeAttachmentFileName(longName + ".pdf");
  EXPECT_LE(safe.size(), 255u);
  EXPECT_EQ(safe.substr(safe.size() - 4), ".pdf");
  EXPECT_TRUE(IsValidUtf8(safe));
}

TEST(FileNames, FileNamePart) {
  EXPECT_EQ(FileNamePart("/home/u/a.txt"), "a.txt");
  EXPECT_EQ(FileNamePart("C:\\x\\b.doc"), "b.doc");
  EXPECT_EQ(FileNamePart("plain"), "plain");
}

TEST(FileNames, MimeTypeOfFile) {
  EXPECT_EQ(MimeTypeOfFile("/x/photo.JPG"), "image/jpeg");
  EXPECT_EQ(MimeTypeOfFile("report.pdf"), "application/pdf");
  EXPECT_EQ(MimeTypeOfFile("page.html"), "text/html");
  EXPECT_EQ(MimeTypeOfFile("noext"), "application/octet-stream");
  EXPECT_EQ(MimeTypeOfFile("x.unknownext"), "application/octet-stream");
  EXPECT_EQ(MimeTypeOfFile("dot."), "application/octet-stream");
}
