#include "app/Global.h"
#include "platform/Shell.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using app::AddLinkTargets;
using app::DisplayNames;
using app::SplitStarList;

TEST(AddLinkTargets, AddsTargetToUpperCaseTagsOnly) {
  EXPECT_EQ(AddLinkTargets("x<A href=u>y</A>z"), "x<A href=u target=_blank>y</A>z");
  EXPECT_EQ(AddLinkTargets("<a href=u>y</a>"), "<a href=u>y</a>");
  EXPECT_EQ(AddLinkTargets("no links"), "no links");
  EXPECT_EQ(AddLinkTargets(""), "");
}

TEST(AddLinkTargets, KeepsExistingTargetInAnyCase) {
  EXPECT_EQ(AddLinkTargets("<A href=u TARGET=_Blank>y"), "<A href=u TARGET=_Blank>y");
  EXPECT_EQ(AddLinkTargets("<A target=_blank>1<A href=v>2"),
            "<A target=_blank>1<A href=v target=_blank>2");
}

TEST(AddLinkTargets, UnterminatedTagIsCopiedAndEnds) {
  // A tag with no ">" must neither hang nor lose the text after it.
  EXPECT_EQ(AddLinkTargets("<A href=1>a<A href=2"), "<A href=1 target=_blank>a<A href=2");
}

TEST(AddLinkTargets, KeepsChineseTextAround) {
  EXPECT_EQ(AddLinkTargets("中文<A href=\"链接\">文字</A>"),
            "中文<A href=\"链接\" target=_blank>文字</A>");
}

TEST(SplitStarList, EmptyAndBlankHaveNoItems) {
  EXPECT_TRUE(SplitStarList("").empty());
  EXPECT_TRUE(SplitStarList("   ").empty());
  EXPECT_TRUE(SplitStarList("no star").empty());
}

TEST(SplitStarList, TextAfterLastStarIsNoItem) {
  const auto items = SplitStarList("/a/1.txt*/b/2.jpg*/c/3.doc");
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(items[0], "/a/1.txt");
  EXPECT_EQ(items[1], "/b/2.jpg");
}

TEST(SplitStarList, ItemsAreTrimmedAndEmptyItemsCount) {
  const auto items = SplitStarList("  附件 一.doc * * c.txt*");
  ASSERT_EQ(items.size(), 3u);
  EXPECT_EQ(items[0], "附件 一.doc");
  EXPECT_EQ(items[1], "");
  EXPECT_EQ(items[2], "c.txt");
}

TEST(SplitStarList, MoreThanAThousandItemsAreAllKept) {
  std::string text;
  for (int i = 0; i < 1500; ++i)
    text += "f" + std::to_string(i) + "*";
  const auto items = SplitStarList(text);
  ASSERT_EQ(items.size(), 1500u);
  EXPECT_EQ(items.back(), "f1499");
}

TEST(DisplayNames, TextWithoutAngleBracketIsUnchanged) {
  EXPECT_EQ(DisplayNames("a@b.com"), "a@b.com");
  EXPECT_EQ(DisplayNames("a@b.com;c@d.com;"), "a@b.com;c@d.com;");
}

TEST(DisplayNames, NamedEntriesGiveNames) {
  EXPECT_EQ(DisplayNames("张三 <z@a.cn>;李四 <l@b.cn>;"), "张三; 李四; ");
}

TEST(DisplayNames, NamedThenBareWithoutClosingSemicolon) {
  EXPECT_EQ(DisplayNames("张三 <z@a.cn>;bare@c.cn"), "张三; bare@c.cn");
}

TEST(DisplayNames, BareBeforeNamedKeepsBoth) {
  EXPECT_EQ(DisplayNames("bare@c.cn;张三 <z@a.cn>;"), "bare@c.cn;张三; ");
}

TEST(DisplayNames, LastNamedEntryWithoutSemicolon) {
  EXPECT_EQ(DisplayNames("A <a@x>;B <b@x>"), "A; B");
  EXPECT_EQ(DisplayNames("<a@x>;"), "; ");
}

TEST(MoveToTrash, MovesExistingFileAndFailsOnMissing) {
  // A trash of the test's own, so the run never touches the user's trash.
  QTemporaryDir dir, data;
  ASSERT_TRUE(dir.isValid() && data.isValid());
  const QByteArray oldData = qgetenv("XDG_DATA_HOME");
  qputenv("XDG_DATA_HOME", data.path().toUtf8());
  const QString path = dir.filePath("废件.txt");
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write("x");
  f.close();
  EXPECT_TRUE(platform::MoveToTrash(path.toStdString()));
  EXPECT_FALSE(QFile::exists(path));
  EXPECT_TRUE(QFile::exists(data.filePath("Trash/files/废件.txt")));
  EXPECT_FALSE(platform::MoveToTrash(dir.filePath("missing").toStdString()));
  qputenv("XDG_DATA_HOME", oldData);
}

TEST(ShownAddresses, NamesShowWithoutTheirQuotesAndEscapes) {
  using app::ShownAddresses;
  EXPECT_EQ(ShownAddresses("\"市场部 小王\" <a@b>"), "市场部 小王 <a@b>");
  EXPECT_EQ(ShownAddresses("\"Zhang \\\"Z\\\" San\" <z@x>"), "Zhang \"Z\" San <z@x>");
  EXPECT_EQ(ShownAddresses("\"A, B\" <a@x>;\"C\" <c@x>;"), "A, B <a@x>;C <c@x>;");
  EXPECT_EQ(ShownAddresses("plain@x.cn"), "plain@x.cn");
  // Quotes inside the address are part of it; an unclosed quote keeps the rest.
  EXPECT_EQ(ShownAddresses("N <\"odd\"@x>"), "N <\"odd\"@x>");
  EXPECT_EQ(ShownAddresses("\"open <a@x>"), "open <a@x>");
  EXPECT_EQ(ShownAddresses(""), "");
}
