// The JSON string writer of `tvmail parse`: plain runs, escapes and malformed UTF-8.
#include "tools/tvmail/Json.h"

#include <gtest/gtest.h>

namespace tvmail {
namespace {

std::string Quoted(std::string_view text) {
  std::string out = "prefix:";
  AppendJsonString(out, text);
  return out;
}

TEST(JsonString, EscapesAsciiThatNeedsItAndKeepsTheRest) {
  EXPECT_EQ(Quoted(""), "prefix:\"\"");
  EXPECT_EQ(Quoted("a\"b\\c"), "prefix:\"a\\\"b\\\\c\"");
  EXPECT_EQ(Quoted("\n\r\t\b\f"), "prefix:\"\\n\\r\\t\\b\\f\"");
  EXPECT_EQ(Quoted(std::string("\x01\x1f\x7f\0x", 5)), "prefix:\"\\u0001\\u001f\\u007f\\u0000x\"");
  EXPECT_EQ(Quoted("end\""), "prefix:\"end\\\"\"");
}

TEST(JsonString, WellFormedUtf8StaysAndMalformedBytesBecomeReplacements) {
  EXPECT_EQ(Quoted("中文 é 😀"), "prefix:\"中文 é 😀\"");
  EXPECT_EQ(Quoted("a\xC0\xAF"), "prefix:\"a\\ufffd\\ufffd\"");             // overlong '/'
  EXPECT_EQ(Quoted("\xED\xA0\x80!"), "prefix:\"\\ufffd\\ufffd\\ufffd!\"");  // surrogate
  EXPECT_EQ(Quoted("中\xE4\xB8"), "prefix:\"中\\ufffd\\ufffd\"");           // cut-off sequence
  EXPECT_EQ(Quoted("\xF4\x90\x80\x80"), "prefix:\"\\ufffd\\ufffd\\ufffd\\ufffd\"");
}

}  // namespace
}  // namespace tvmail
