#include "maillib/FileNames.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <string_view>

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

std::string Repeat(std::string_view piece, int count) {
  std::string out;
  for (int i = 0; i < count; ++i)
    out += piece;
  return out;
}

// A name that fills the limit gets its "(n)" by losing whole characters of its stem, never a
// part of one, and keeps its extension.
TEST(FileNames, FitFileNameMakesRoomForTheSuffix) {
  const std::string full = "a" + Repeat("文", 83) + "b.txt";  // 255 bytes
  ASSERT_EQ(full.size(), kMaxFileNameBytes);
  EXPECT_EQ(FitFileName(full, "", kMaxFileNameBytes), full);
  const std::string first = FitFileName(full, "(1)", kMaxFileNameBytes);
  EXPECT_EQ(first, "a" + Repeat("文", 82) + "(1).txt");
  EXPECT_TRUE(IsValidUtf8(first));
  for (const char* suffix : {"(2)", "(10)", "(299)", "(100000)"}) {
    const std::string fitted = FitFileName(full, suffix, kMaxFileNameBytes);
    EXPECT_LE(fitted.size(), kMaxFileNameBytes) << suffix;
    EXPECT_TRUE(IsValidUtf8(fitted)) << suffix;
    EXPECT_EQ(fitted.substr(fitted.size() - 4 - std::strlen(suffix)), std::string(suffix) + ".txt");
  }
  EXPECT_EQ(FitFileName("report.pdf", "(2)", kMaxFileNameBytes), "report(2).pdf");
  EXPECT_EQ(FitFileName("README", "(1)", kMaxFileNameBytes), "README(1)");
}

TEST(FileNames, FitFileNameWithoutRoomForTheExtension) {
  // An "extension" longer than 32 bytes is part of the name.
  const std::string longTail = "x." + Repeat("y", 300);
  const std::string fitted = FitFileName(longTail, "(1)", kMaxFileNameBytes);
  EXPECT_EQ(fitted, longTail.substr(0, 252) + "(1)");
  // A limit that leaves no room for stem and extension cuts the name as a whole.
  EXPECT_EQ(FitFileName("abc.txt", "(1)", 6), "abc(1)");
  EXPECT_EQ(FitFileName("文.txt", "(1)", 5), "(1)");
  EXPECT_EQ(FitFileName("a.txt", "(12)", 3), "");
}

// Names far over the limit are shortened at once (no trial and error) to a valid name.
TEST(FileNames, SafeNameOfAVeryLongName) {
  for (const std::string& name :
       {Repeat("文", 2000) + ".pdf", Repeat("z", 100000), "x" + Repeat("é", 400)}) {
    const std::string safe = SafeAttachmentFileName(name);
    EXPECT_LE(safe.size(), kMaxFileNameBytes);
    EXPECT_GE(safe.size(), kMaxFileNameBytes - 3);
    EXPECT_TRUE(IsValidUtf8(safe));
  }
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
