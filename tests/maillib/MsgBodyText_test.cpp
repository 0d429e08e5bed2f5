#include "maillib/MsgBodyText.h"

#include <gtest/gtest.h>

#include "maillib/Base64.h"

using namespace maillib;

TEST(MsgBodyText, BeginLineNeedsModeAndName) {
  EXPECT_TRUE(IsUUBeginLine("begin 644 file.txt"));
  EXPECT_TRUE(IsUUBeginLine("begin 776 x.bin"));
  EXPECT_FALSE(IsUUBeginLine("begin 644 "));       // nothing after the mode
  EXPECT_FALSE(IsUUBeginLine("begin 777 x.bin"));  // mode out of range
  EXPECT_FALSE(IsUUBeginLine("begin 000 x.bin"));
  EXPECT_FALSE(IsUUBeginLine("begin 6x4 x.bin"));
  EXPECT_FALSE(IsUUBeginLine("Begin 644 x.bin"));
  EXPECT_FALSE(IsUUBeginLine("beginning of the text"));
}

TEST(MsgBodyText, BlocksAreCutOutAndTheTextAroundThemKept) {
  StringList lines = {"before",
                      "begin 644 one.txt",
                      "M" + std::string(60, '!'),
                      "#86)C",
                      "`",
                      "end",
                      "middle",
                      "begin 600 two.bin",
                      "#86)C",
                      "END",
                      "after"};
  const std::vector<TUUBlock> blocks = ExtractUUBlocks(lines);
  ASSERT_EQ(blocks.size(), 2u);
  EXPECT_EQ(blocks[0].FileName, "one.txt");
  EXPECT_EQ(blocks[0].Lines.size(), 5u);
  EXPECT_EQ(blocks[1].FileName, "two.bin");
  EXPECT_EQ(blocks[1].Lines, (StringList{"begin 600 two.bin", "#86)C", "END"}));
  EXPECT_EQ(lines, (StringList{"before", "middle", "after"}));
}

TEST(MsgBodyText, UnfinishedOrBrokenBlocksStayText) {
  for (StringList lines : {StringList{"begin 644 a.txt", "M!!!!", "no end here"},
                           StringList{"begin 644 a.txt", "#86)C", "more text", "end"},
                           StringList{"begin 644 a.txt", "M!!!!"}}) {
    const StringList original = lines;
    EXPECT_TRUE(ExtractUUBlocks(lines).empty());
    EXPECT_EQ(lines, original);
  }
}

TEST(MsgBodyText, Base64BodyThatIsNotBase64StaysText) {
  StringList notBase64 = {"Hello, this is plain text!", "."};
  EXPECT_EQ(DecodeBodyBytes(notBase64, "BASE64"), "Hello, this is plain text!");
  StringList base64 = {"aGVs", "bG8=", "", "."};
  EXPECT_EQ(DecodeBodyBytes(base64, "base64"), "hello");
  StringList qp = {"a=", "b=3D"};
  EXPECT_EQ(DecodeBodyBytes(qp, "Quoted-Printable"), "ab=");
}

TEST(MsgBodyText, Base64BodyWithAStrayByteIsStillDecoded) {
  const std::string line = Base64EncodeStr(std::string(57, 'a'));
  StringList damaged{line, line.substr(0, 30) + "!" + line.substr(30), line};
  EXPECT_EQ(DecodeBodyBytes(damaged, "BASE64"), std::string(3 * 57, 'a'));
}

TEST(MsgBodyText, AppendSeparatesOnlyNonBlankTextAfterExistingLines) {
  StringList text;
  AppendTextLines(text, "one\r\ntwo\r\n", "--");
  EXPECT_EQ(text, (StringList{"one", "two"}));
  AppendTextLines(text, " \r\n", "--");
  EXPECT_EQ(text, (StringList{"one", "two", " "}));
  AppendTextLines(text, "three", "--");
  EXPECT_EQ(text, (StringList{"one", "two", " ", "", "--", "", "three"}));
}
