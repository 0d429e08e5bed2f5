#include "editor/EmoticonPictures.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

using editor::EmoticonHtml;
using editor::Emoticons;

TEST(Emoticons, TwentyEightFilesInThePickersOrderEachWithItsOwnHint) {
  std::vector<std::string> files;
  std::set<std::string> hints;
  for (const editor::Emoticon& e : Emoticons()) {
    files.emplace_back(e.file);
    EXPECT_FALSE(e.hint.empty()) << e.file;
    EXPECT_TRUE(hints.emplace(e.hint).second) << "hint given twice: " << e.hint;
  }
  std::vector<std::string> expected;
  for (int i = 1; i <= 25; ++i)
    expected.push_back("b" + std::to_string(i) + ".gif");
  expected.insert(expected.end(), {"26.gif", "27.gif", "b26.gif"});
  EXPECT_EQ(files, expected);
  EXPECT_EQ(Emoticons()[0].hint, "爱死你了");
}

TEST(EmoticonHtml, TheValueEndsWithOneBlankAndAlignFollowsItsQuote) {
  EXPECT_EQ(EmoticonHtml("/home/u/tenvel", "b1.gif"),
            "<img src=\"/home/u/tenvel/Images/biaoqing/b1.gif \"align=\"absMiddle\" hspace=\"1\">");
  // A folder given with its trailing "/" does not double it.
  EXPECT_EQ(editor::EmoticonPath("/opt/t//", "26.gif"), "/opt/t/Images/biaoqing/26.gif");
  EXPECT_EQ(editor::EmoticonPath("/", "b26.gif"), "/Images/biaoqing/b26.gif");
}

TEST(EmoticonHtml, AFolderNameCannotBreakOutOfTheAttribute) {
  EXPECT_EQ(EmoticonHtml("/home/a\"b<c>&d", "b2.gif"),
            "<img src=\"/home/a&quot;b&lt;c&gt;&amp;d/Images/biaoqing/b2.gif \"align=\"absMiddle\" "
            "hspace=\"1\">");
}

}  // namespace
