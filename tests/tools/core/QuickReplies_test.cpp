#include "tools/QuickReplies.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/store/MailStore.h"

namespace {

class QuickReplies : public store_test::MailStoreTest {
 protected:
  void SetUp() override {
    MailStoreTest::SetUp();
    query_ = std::make_unique<store::Query>(*db_);
  }
  void Add(const std::string& name, const std::string& content) {
    store::Query insert(*db_);
    insert.AddLine("insert into kuaihuifu (Subject, content) values (:s, :c)");
    insert.SetText("s", name);
    insert.SetText("c", content);
    ASSERT_TRUE(insert.ExecSql()) << insert.Error();
  }
  std::vector<std::string> Names() {
    std::vector<std::string> names;
    std::string error;
    EXPECT_TRUE(tools::SnippetNames(*query_, &names, &error)) << error;
    return names;
  }
  std::string Content(const std::string& name) {
    tools::Snippet found;
    std::string error;
    EXPECT_TRUE(tools::FindSnippet(*query_, name, &found, &error)) << name << error;
    return found.content;
  }

  std::unique_ptr<store::Query> query_;
  std::string error_;
};

const std::vector<std::string> kBuiltIn = {"时间/日期", "公告栏", "意见栏"};

std::time_t LocalTime(int year, int month, int day, int hour, int minute, int second) {
  std::tm tm{};
  tm.tm_year = year - 1900;
  tm.tm_mon = month - 1;
  tm.tm_mday = day;
  tm.tm_hour = hour;
  tm.tm_min = minute;
  tm.tm_sec = second;
  tm.tm_isdst = -1;
  return std::mktime(&tm);
}

TEST_F(QuickReplies, LookupTakesTheFirstRowOfANameAndListsInTableOrder) {
  Add("", "<p>nameless</p>");
  Add("周报", "<p>one</p>");
  Add("周报", "<p>two</p>");
  EXPECT_EQ(Content("周报"), "<p>one</p>");
  std::vector<std::string> expected = kBuiltIn;
  expected.insert(expected.end(), {"周报", "周报"});
  EXPECT_EQ(Names(), expected);

  tools::Snippet found{"kept", "kept"};
  EXPECT_FALSE(tools::FindSnippet(*query_, "没有", &found, &error_));
  EXPECT_TRUE(error_.empty());
  EXPECT_EQ(found.subject, "kept");
}

TEST_F(QuickReplies, ANameWithQuotesIsFoundAppliedAndDeletedAsItStands) {
  const std::string name = "Tom's \"reply\"";
  Add("Tom", "<p>other</p>");
  EXPECT_EQ(tools::ApplySnippet(*query_, name, "<p>a</p>", &error_), tools::ApplyOutcome::Inserted)
      << error_;
  EXPECT_EQ(Content(name), "<p>a</p>");
  EXPECT_EQ(tools::ApplySnippet(*query_, name, "<p>b</p>", &error_), tools::ApplyOutcome::Updated);
  EXPECT_EQ(Content(name), "<p>b</p>");
  EXPECT_TRUE(tools::DeleteSnippet(*query_, name, &error_)) << error_;
  EXPECT_EQ(Count("kuaihuifu", "Subject = 'Tom'"), 1);
  EXPECT_EQ(Count("kuaihuifu"), 4);
}

TEST_F(QuickReplies, DateTimePastesTheClockWhateverItHolds) {
  const std::time_t when = LocalTime(2026, 3, 5, 9, 7, 2);
  EXPECT_EQ(tools::DateTimeText(when), "2026-3-5 9:07:02");
  EXPECT_EQ(tools::PasteText({"时间/日期", "<p>stored</p>"}, when), "2026-3-5 9:07:02");
  EXPECT_EQ(tools::PasteText({"公告栏", "<p>stored</p>"}, when), "<p>stored</p>");
  EXPECT_EQ(tools::DateTimeText(LocalTime(2026, 12, 31, 23, 59, 59)), "2026-12-31 23:59:59");
}

TEST_F(QuickReplies, ApplyTrimsRefusesAnEmptyNameAndUpdatesAnExistingOne) {
  EXPECT_EQ(tools::ApplySnippet(*query_, "  \t", "<p>x</p>", &error_),
            tools::ApplyOutcome::EmptyName);
  EXPECT_EQ(Count("kuaihuifu"), 3);

  EXPECT_EQ(tools::ApplySnippet(*query_, " 周报 ", "  <p>new</p>\n", &error_),
            tools::ApplyOutcome::Inserted);
  EXPECT_EQ(Content("周报"), "<p>new</p>");
  // Changing a snippet, built-in ones included, keeps one row whose content lookups see.
  EXPECT_EQ(tools::ApplySnippet(*query_, "公告栏", "<p>notice</p>", &error_),
            tools::ApplyOutcome::Updated);
  EXPECT_EQ(Content("公告栏"), "<p>notice</p>");
  EXPECT_EQ(Count("kuaihuifu", "Subject = '公告栏'"), 1);
  EXPECT_EQ(Count("kuaihuifu"), 4);
}

TEST_F(QuickReplies, TheBuiltInNamesAndAnEmptyNameAreNeverDeleted) {
  for (const std::string& name : kBuiltIn) {
    EXPECT_FALSE(tools::MayDeleteSnippet(name)) << name;
    EXPECT_FALSE(tools::DeleteSnippet(*query_, name, &error_)) << name;
    EXPECT_TRUE(error_.empty());
  }
  Add("", "<p>nameless</p>");
  EXPECT_FALSE(tools::MayDeleteSnippet(" "));
  EXPECT_FALSE(tools::DeleteSnippet(*query_, "", &error_));
  EXPECT_EQ(Count("kuaihuifu"), 4);
  EXPECT_TRUE(tools::MayDeleteSnippet("公告栏二"));
}

TEST_F(QuickReplies, AFailingStatementIsReported) {
  ASSERT_TRUE(db_->Execute("drop table kuaihuifu", &error_)) << error_;
  std::vector<std::string> names;
  EXPECT_FALSE(tools::SnippetNames(*query_, &names, &error_));
  EXPECT_FALSE(error_.empty());
  error_.clear();
  EXPECT_EQ(tools::ApplySnippet(*query_, "周报", "x", &error_), tools::ApplyOutcome::Failed);
  EXPECT_FALSE(error_.empty());
  error_.clear();
  EXPECT_FALSE(tools::DeleteSnippet(*query_, "周报", &error_));
  EXPECT_FALSE(error_.empty());
}

TEST(QuickReplyFormat, FontSizesMapElevenToSixteenOnTwoToSeven) {
  EXPECT_EQ(tools::SnippetFontSizes(),
            (std::vector<std::string>{"11", "12", "13", "14", "15", "16"}));
  EXPECT_EQ(tools::SnippetFontSize("11"), 2);
  EXPECT_EQ(tools::SnippetFontSize("16"), 7);
  for (const char* other : {"10", "17", "", "1x", " 12"})
    EXPECT_FALSE(tools::SnippetFontSize(other).has_value()) << other;
}

TEST(QuickReplyFormat, APictureAddressCannotLeaveItsAttribute) {
  EXPECT_EQ(tools::PictureHtml("file:///tmp/a.png"), "<IMG src=\"file:///tmp/a.png\">");
  EXPECT_EQ(tools::PictureHtml("file:///x\" onerror=\"y<b>&"),
            "<IMG src=\"file:///x&quot; onerror=&quot;y&lt;b&gt;&amp;\">");
}

}  // namespace
