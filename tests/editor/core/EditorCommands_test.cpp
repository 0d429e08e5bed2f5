#include "editor/EditorCommands.h"

#include <gtest/gtest.h>

namespace {

TEST(FontSizeValue, TheListsEntriesMinusEight) {
  EXPECT_EQ(editor::FontSizeValue("10"), 2);
  EXPECT_EQ(editor::FontSizeValue("11"), 3);
  EXPECT_EQ(editor::FontSizeValue("15"), 7);
  // Only the list's own entries have a value.
  for (const char* other : {"9", "16", "", " 12", "12 ", "1a", "-10", "99999999999"}) {
    EXPECT_FALSE(editor::FontSizeValue(other).has_value()) << other;
  }
}

TEST(RGB2BGR, ExchangesRedAndBlueAndIsItsOwnInverse) {
  EXPECT_EQ(editor::RGB2BGR(0x0000ffu), 0xff0000u);
  EXPECT_EQ(editor::RGB2BGR(0x123456u), 0x563412u);
  EXPECT_EQ(editor::RGB2BGR(0xffffffu), 0xffffffu);  // white stays white
  EXPECT_EQ(editor::RGB2BGR(editor::RGB2BGR(0xa1b2c3u)), 0xa1b2c3u);
  EXPECT_EQ(editor::RGB2BGR(0xff00ff00u), 0x0000ff00u);  // the high byte is no colour
}

TEST(ParseEditorColour, ReadsTheFormsTheEditorReports) {
  EXPECT_EQ(editor::ParseEditorColour("rgb(255, 0, 16)"), 0xff0010u);
  EXPECT_EQ(editor::ParseEditorColour("RGB(1,2,3)"), 0x010203u);
  EXPECT_EQ(editor::ParseEditorColour("rgba(10, 20, 30, 0.5)"), 0x0a141eu);
  EXPECT_EQ(editor::ParseEditorColour(" #A0b1C2 "), 0xa0b1c2u);
  EXPECT_EQ(editor::ParseEditorColour("#f0a"), 0xff00aau);
  for (const char* bad : {"", "rgb(256, 0, 0)", "rgb(1, 2)", "rgb(1, 2, x)", "#12345", "#ggg",
                          "red", "rgb(1, 2, 3", "255"}) {
    EXPECT_FALSE(editor::ParseEditorColour(bad).has_value()) << bad;
  }
}

TEST(AddWebEditorBg, PutsTheColourRightAfterTheBodyTagsName) {
  EXPECT_EQ(editor::AddWebEditorBg("<BODY style=\"x\"><p>a</p></BODY>", 0xffffffu),
            "<BODY bgColor=#ffffff style=\"x\"><p>a</p></BODY>");
  EXPECT_EQ(editor::AddWebEditorBg("<body class=\"m\">t</body>", 0x102030u),
            "<body bgColor=#102030 class=\"m\">t</body>");
  // The written colour comes first, so it wins over a bgcolor the body had already.
  EXPECT_EQ(editor::AddWebEditorBg("<body bgcolor=\"#000000\"></body>", 0xff0000u),
            "<body bgColor=#ff0000 bgcolor=\"#000000\"></body>");
}

TEST(AddWebEditorBg, BodyWithoutAttributesAndTextWithoutBody) {
  EXPECT_EQ(editor::AddWebEditorBg("<body>hi</body>", 0xffffffu),
            "<body bgColor=#ffffff >hi</body>");
  // "<bodyguard" is not the body, and text without a body tag stays as it is.
  EXPECT_EQ(editor::AddWebEditorBg("<bodyguard><body\tx>", 0x000001u),
            "<bodyguard><body\tbgColor=#000001 x>");
  EXPECT_EQ(editor::AddWebEditorBg("<p>no body</p>", 0xffffffu), "<p>no body</p>");
  EXPECT_EQ(editor::AddWebEditorBg("", 0xffffffu), "");
  EXPECT_EQ(editor::AddWebEditorBg("<body", 0xffffffu), "<body");
}

TEST(IsAcceptableLinkAddress, RefusesSchemesThatRunCode) {
  for (const char* good : {"http://127.0.0.1/a", "https://x.test/?q=a:b", "mailto:a@b.test",
                           "ftp://h/f", "www.example.test", "page.htm"}) {
    EXPECT_TRUE(editor::IsAcceptableLinkAddress(good)) << good;
  }
  for (const char* bad : {"", "   ", "javascript:alert(1)", " JavaScript:x", "java\tscript:x",
                          "vbscript:x", "data:text/html,<script>x</script>"}) {
    EXPECT_FALSE(editor::IsAcceptableLinkAddress(bad)) << bad;
  }
}

}  // namespace
