// The search index on a real mail database: the terms it writes, what a search finds and in
// which order, and how the index follows deletes, edits and moves made by plain SQL, with the
// texts made here of subject and body only.
#include "store/SearchIndex.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "store/SearchTerms.h"
#include "store/Transaction.h"
#include "tests/store/MailStore.h"

namespace {

std::string TextOf(const store::PendingMessage& message) {
  return message.subject + "\n" + message.content;
}

TEST(SearchTermsTest, WritesTrigramsAsAsciiTokens) {
  // A-Z folded, 'z' doubled, other ASCII as 'z' and two base-36 digits, two line breaks
  // ("z0a") closing the text so its last characters begin trigrams too.
  // Each trigram once, in byte order.
  EXPECT_EQ(store::SearchTermsOf("Az!"), "azzz0x z0xz0az0a zzz0xz0a ");
  EXPECT_EQ(store::SearchTermsOf("中文"), "中文z0a 文z0az0a ");
  EXPECT_EQ(store::SearchTermsOf("ababab"), "aba abz0a bab bz0az0a ");
  EXPECT_EQ(store::SearchTermsOf(""), "");
}

TEST(SearchTermsTest, QueriesArePlainTextTokens) {
  EXPECT_EQ(store::SearchTermQuery("中"), "\"中\"*");
  EXPECT_EQ(store::SearchTermQuery("a\""), "\"az0y\"*");
  EXPECT_EQ(store::SearchTermQuery("报告书"), "\"报告书\"");
  EXPECT_EQ(store::SearchTermQuery("and *"), "\"and\" \"ndz0w\" \"dz0wz16\"");
  EXPECT_EQ(store::SearchTermQuery(""), "");
}

class SearchIndexTest : public store_test::MailStoreTest {
 protected:
  int Add(const std::string& subject, const std::string& body,
          const std::string& when = "2024-03-05 10:00:00", const std::string& table = "Historys") {
    store::MessageRecord record;
    record.sender = "a@example.com";
    record.sendDateTime = when;
    record.messageKind = table == "Historys" ? store::kind::kRead : store::kind::kSent;
    record.mailSubject = subject;
    record.content = body;
    return AddRecord(table, record);
  }

  void CatchUp() {
    std::string error;
    for (std::size_t done = 1; done > 0;)
      ASSERT_TRUE(store::IndexPendingBatch(*db_, 500, TextOf, &done, &error)) << error;
  }

  std::vector<std::string> Subjects(const std::string& needle, std::size_t limit = 100) {
    std::vector<store::IndexHit> hits;
    std::string error;
    EXPECT_TRUE(store::SearchIndexed(*db_, needle, limit, TextOf, &hits, &error)) << error;
    std::vector<std::string> subjects;
    for (const store::IndexHit& hit : hits)
      subjects.push_back(hit.subject);
    return subjects;
  }

  // The RowKeys the index itself names for the needle, before any check of the texts.
  int IndexRows(const std::string& needle) {
    return Count("MailSearchTerms",
                 "MailSearchTerms match '" + store::SearchTermQuery(needle) + "'");
  }

  bool Sql(const std::string& sql) {
    std::string error;
    const bool ok = db_->Execute(sql, &error);
    EXPECT_TRUE(ok) << error;
    return ok;
  }
};

TEST_F(SearchIndexTest, FindsEveryLengthAndTreatsQuerySyntaxAsText) {
  Add("季度报告", "请提交本季度的销售报告 Quarterly Report, \"AND\" 50%_off * NEAR(x)");
  Add("会议", "明天开会 and nothing");
  CatchUp();
  EXPECT_EQ(Subjects("售"), std::vector<std::string>{"季度报告"});
  EXPECT_EQ(Subjects("开会"), std::vector<std::string>{"会议"});
  EXPECT_EQ(Subjects("销售报告"), std::vector<std::string>{"季度报告"});
  EXPECT_EQ(Subjects("quarterly report"), std::vector<std::string>{"季度报告"});
  // The last one and two characters of a text.
  EXPECT_EQ(Subjects(")"), std::vector<std::string>{"季度报告"});
  EXPECT_EQ(Subjects("x)"), std::vector<std::string>{"季度报告"});
  for (const char* text : {"\"", "*", "%_", "\"and\"", "near(x)", ", \"a"})
    EXPECT_EQ(Subjects(text), std::vector<std::string>{"季度报告"}) << text;
  EXPECT_EQ(Subjects("and").size(), 2u);
  EXPECT_TRUE(Subjects("报告会议").empty());
  EXPECT_TRUE(Subjects("开 OR 会").empty());
  EXPECT_TRUE(Subjects("Report").empty());  // needles come folded: upper case matches nothing
}

TEST_F(SearchIndexTest, NewestFirstEvenWithManyMessagesInOneSecond) {
  Add("older", "共同", "2024-03-05 09:59:59");
  {
    store::Transaction unit(*db_);
    for (int i = 0; i < 40; ++i)
      Add("same" + std::to_string(i), "共同", "2024-03-05 10:00:00",
          i % 2 ? "Historys" : "MailSendBox");
    ASSERT_TRUE(unit.Commit());
  }
  Add("newer", "共同", "2024-03-05 10:00:01");
  CatchUp();
  const std::vector<std::string> subjects = Subjects("共同");
  ASSERT_EQ(subjects.size(), 42u);
  EXPECT_EQ(subjects.front(), "newer");
  EXPECT_EQ(subjects.back(), "older");
  for (std::size_t i = 1; i + 1 < subjects.size(); ++i)
    EXPECT_EQ(subjects[i].substr(0, 4), "same") << i;
  EXPECT_EQ(Subjects("共同", 2), (std::vector<std::string>{"newer", subjects[1]}));
}

TEST_F(SearchIndexTest, ShortNeedleBeyondTheNewestMessagesKeepsTheOrder) {
  {
    store::Transaction unit(*db_);
    for (int i = 0; i < 420; ++i) {
      const std::string when = "2024-03-05 10:" + std::string(i / 60 < 10 ? "0" : "") +
                               std::to_string(i / 60) + ":" + (i % 60 < 10 ? "0" : "") +
                               std::to_string(i % 60);
      Add(std::to_string(i), i % 7 == 0 ? "有甲" : "没有", when);
    }
    ASSERT_TRUE(unit.Commit());
  }
  CatchUp();
  const std::vector<std::string> subjects = Subjects("甲");
  ASSERT_EQ(subjects.size(), 60u);
  for (std::size_t i = 0; i < subjects.size(); ++i)
    EXPECT_EQ(subjects[i], std::to_string(413 - 7 * i)) << i;
}

TEST_F(SearchIndexTest, ManyCandidatesThatHoldTheTrigramsApart) {
  {
    store::Transaction unit(*db_);
    for (int i = 0; i < 2100; ++i) {
      const std::string when = "2024-03-" + std::to_string(10 + i / 1440) + " " +
                               (i % 1440 / 60 < 10 ? "0" : "") + std::to_string(i % 1440 / 60) +
                               ":" + (i % 60 < 10 ? "0" : "") + std::to_string(i % 60) + ":00";
      Add(std::to_string(i), i % 500 == 3 ? "丙丁戊己" : "丙丁戊 丁戊己", when);
    }
    ASSERT_TRUE(unit.Commit());
  }
  CatchUp();
  EXPECT_EQ(IndexRows("丙丁戊己"), 2100);
  EXPECT_EQ(Subjects("丙丁戊己"), (std::vector<std::string>{"2003", "1503", "1003", "503", "3"}));
}

TEST_F(SearchIndexTest, FollowsDeletesEditsAndMovesMadeBySql) {
  Add("搬家", "要移动的邮件");
  Add("留下", "另一封邮件");
  Add("改写", "旧的内容");
  CatchUp();
  ASSERT_EQ(Subjects("邮件").size(), 2u);

  // A move as a plain SQL unit: out of the answers before the index catches up.
  ASSERT_TRUE(
      Sql("BEGIN; INSERT INTO MailDelBox (Sender, SendDateTime, MessageKind, MailSubject, "
          "Content) SELECT Sender, SendDateTime, 'MailDel', MailSubject, Content FROM "
          "Historys WHERE MailSubject = '搬家'; DELETE FROM Historys WHERE MailSubject = '搬家'; "
          "COMMIT"));
  ASSERT_TRUE(Sql("UPDATE Historys SET Content = '新的内容' WHERE MailSubject = '改写'"));
  ASSERT_TRUE(Sql("DELETE FROM Historys WHERE MailSubject = '留下'"));
  EXPECT_TRUE(Subjects("邮件").empty());
  EXPECT_TRUE(Subjects("旧的").empty());
  EXPECT_EQ(Count("MailSearchStale"), 3);

  CatchUp();
  EXPECT_EQ(Count("MailSearchStale"), 0);
  EXPECT_EQ(Count("MailSearchPending"), 0);
  EXPECT_EQ(Subjects("移动的邮件"), std::vector<std::string>{"搬家"});
  EXPECT_EQ(Subjects("新的"), std::vector<std::string>{"改写"});
  // The old terms left the index itself, not only the answers.
  EXPECT_EQ(IndexRows("旧的内容"), 0);
  EXPECT_EQ(IndexRows("另一封"), 0);
  EXPECT_EQ(IndexRows("邮件"), 1);
  EXPECT_TRUE(Sql("INSERT INTO MailSearchTerms (MailSearchTerms) VALUES ('integrity-check')"));
}

TEST_F(SearchIndexTest, EditTwiceBeforeTheIndexCatchesUp) {
  Add("一", "第一版");
  CatchUp();
  ASSERT_TRUE(Sql("UPDATE Historys SET Content = '第二版'"));
  ASSERT_TRUE(Sql("UPDATE Historys SET Content = '第三版'"));
  EXPECT_EQ(Count("MailSearchStale"), 1);
  CatchUp();
  EXPECT_EQ(Subjects("第三版"), std::vector<std::string>{"一"});
  EXPECT_EQ(IndexRows("第一版"), 0);
  EXPECT_EQ(IndexRows("第二版"), 0);
}

TEST_F(SearchIndexTest, TheLastDocIdTakenAgainHoldsOnlyTheNewTerms) {
  Add("一", "早先");
  Add("二", "删掉的信");
  CatchUp();
  ASSERT_TRUE(Sql("DELETE FROM Historys WHERE MailSubject = '二'"));
  Add("三", "新来的信");
  CatchUp();
  EXPECT_EQ(Count("MailSearchOrder", "RowKey % 8 = 0"), 2);
  EXPECT_EQ(IndexRows("删掉"), 0);
  EXPECT_EQ(Subjects("的信"), std::vector<std::string>{"三"});
  EXPECT_EQ(Subjects("早先"), std::vector<std::string>{"一"});
}

TEST_F(SearchIndexTest, AFileWithTheFormerIndexIsQueuedAgain) {
  Add("旧", "早先的邮件");
  CatchUp();
  ASSERT_TRUE(
      Sql("CREATE TABLE MailSearchDoc (DocId INTEGER PRIMARY KEY, RowKey, Body); CREATE TRIGGER "
          "Historys_search_insert AFTER INSERT ON Historys BEGIN INSERT INTO MailSearchDoc "
          "(RowKey) VALUES (new.ID); END; DELETE FROM MailSearchState"));
  std::string error;
  ASSERT_TRUE(store::EnsureMailSchema(*db_, &error)) << error;
  EXPECT_EQ(Count("sqlite_master", "name in ('MailSearchDoc', 'Historys_search_insert')"), 0);
  std::vector<store::IndexHit> hits;
  EXPECT_EQ(store::SearchPendingCount(*db_, &error), 1);
  Add("新", "后来的邮件");
  EXPECT_EQ(store::SearchPendingCount(*db_, &error), 2);
}

}  // namespace
