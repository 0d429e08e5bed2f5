// The search over all mail on a real mail database: what a message is found by, the answers
// after the moves, purges, inserts and edits the program makes, queries that look like SQL or
// FTS5 syntax, the catch-up of a store from before the index, and the snippet.
#include "contacts/MailSearch.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "boxes/BoxMoves.h"
#include "store/Schema.h"
#include "store/SearchIndex.h"
#include "tests/boxes/core/BoxStore.h"

namespace {

using contacts::SearchHit;

// Whether the text is a series of whole UTF-8 sequences.
bool WholeCharacters(const std::string& text) {
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
    if ((lead & 0xC0) == 0x80 || i + length > text.size()) return false;
    for (std::size_t k = 1; k < length; ++k) {
      if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
    }
    i += length;
  }
  return true;
}

class MailSearchTest : public boxes_test::BoxStoreTest {
 protected:
  int Add(const char* table, const std::string& subject, const std::string& body,
          const std::string& when = "2024-03-05 10:00:00") {
    store::MessageRecord r = boxes_test::ReceivedRecord(
        table == std::string("Historys") ? store::kind::kRead : store::kind::kSent, subject);
    r.content = "<html><body><p>" + body + "</p></body></html>";
    r.sendDateTime = when;
    return AddRecord(table, r);
  }

  std::vector<SearchHit> Find(const std::string& text, std::size_t limit = 100) {
    std::string error;
    EXPECT_TRUE(contacts::CatchUpIndex(*db_, nullptr, &error)) << error;
    std::vector<SearchHit> hits;
    EXPECT_TRUE(contacts::SearchMail(*db_, text, limit, &hits, &error)) << error;
    return hits;
  }

  std::vector<std::string> Subjects(const std::string& text) {
    std::vector<std::string> subjects;
    for (const SearchHit& hit : Find(text))
      subjects.push_back(hit.subject);
    return subjects;
  }

  // Takes the file back to the state of a store from before the index: box rows, no index.
  void DropIndex() {
    store::Query objects(*db_);
    objects.AddLine(
        "select type, name from sqlite_master where (name like 'MailSearch%' and type in "
        "('table')) or (type = 'trigger' and sql like '%MailSearch%')");
    ASSERT_TRUE(objects.Open()) << objects.Error();
    std::vector<std::string> drops;
    for (; !objects.Eof(); objects.Next()) {
      const std::string name = objects.FieldText("name");
      // The FTS5 table's own tables (MailSearchTerms_data, ...) go with it.
      if (objects.FieldText("type") == "trigger" || name.find('_') == std::string::npos)
        drops.push_back("DROP " + objects.FieldText("type") + " IF EXISTS \"" + name + "\"");
    }
    objects.Close();
    for (const std::string& sql : drops)
      ASSERT_TRUE(Raw(sql));
  }
};

TEST_F(MailSearchTest, FindsChineseTextOfEveryLengthAndLatinWithoutCase) {
  Add("Historys", "季度报告", "请在周五之前提交本季度的销售报告 Quarterly Report");
  Add("MailSendBox", "会议通知", "明天上午十点开会");
  EXPECT_EQ(Subjects("报"), std::vector<std::string>{"季度报告"});
  EXPECT_EQ(Subjects("开会"), std::vector<std::string>{"会议通知"});
  EXPECT_EQ(Subjects("销售报告"), std::vector<std::string>{"季度报告"});
  EXPECT_EQ(Subjects("提交本季度的"), std::vector<std::string>{"季度报告"});
  EXPECT_EQ(Subjects("quarterly REPORT"), std::vector<std::string>{"季度报告"});
  EXPECT_EQ(Subjects("rE"), std::vector<std::string>{"季度报告"});
  EXPECT_EQ(Subjects("  十点  "), std::vector<std::string>{"会议通知"});
  EXPECT_TRUE(Subjects("报告会议").empty());
  EXPECT_TRUE(Subjects("   ").empty());
}

TEST_F(MailSearchTest, FindsSenderRecipientsCopiesAndAttachmentNames) {
  store::MessageRecord r = boxes_test::ReceivedRecord(store::kind::kRead, "资料");
  r.sender = "王五 <wang@corp.cn>";
  r.receiver = "li@x.cn;";
  r.mailcc = "zhao@copy.cn";
  r.mailBcc = "hidden@bcc.cn";
  r.fuJianPath = "/20240305100000/合同草案.doc*/20240305100000/报价单.xls*";
  r.content = "<p>见附件</p>";
  AddRecord("Historys", r);
  for (const char* text :
       {"王五", "wang@corp", "li@x.cn", "zhao@copy", "hidden@bcc", "合同草案.doc", "报价单"})
    EXPECT_EQ(Subjects(text), std::vector<std::string>{"资料"}) << text;
  // The folder part of the attachment entry is not a name of the message.
  EXPECT_TRUE(Subjects("20240305100000").empty());
}

TEST_F(MailSearchTest, QuotesWildcardsAndOperatorsAreText) {
  Add("Historys", "符号", "他说\"AND\" 打折 50%_off * x's 价格");
  Add("Historys", "普通", "没有这些字符 and nothing else");
  for (const char* text : {"\"AND\"", "%", "_", "*", "x's", "50%_off", "\" 打折 5", "'"})
    EXPECT_EQ(Subjects(text), std::vector<std::string>{"符号"}) << text;
  EXPECT_TRUE(Subjects("a*").empty());
  EXPECT_TRUE(Subjects("价格 OR 没有").empty());
  EXPECT_TRUE(Subjects("NEAR(价格)").empty());
  EXPECT_EQ(Subjects("AND").size(), 2u);  // both hold the word: as text, not an operator
}

TEST_F(MailSearchTest, NewestFirstAndLimited) {
  Add("Historys", "二月", "共同的话题", "2024-02-01 09:00:00");
  Add("MailBackupBox", "四月", "共同的话题", "2024-04-01 09:00:00");
  Add("MailDelBox", "三月", "共同的话题", "2024-03-01 09:00:00");
  Add("BianQianBox", "一月", "共同的话题", "2024-01-01 09:00:00");
  EXPECT_EQ(Subjects("共同的话题"), (std::vector<std::string>{"四月", "三月", "二月", "一月"}));
  EXPECT_EQ(Subjects("话题"), (std::vector<std::string>{"四月", "三月", "二月", "一月"}));
  const std::vector<SearchHit> two = Find("共同", 2);
  ASSERT_EQ(two.size(), 2u);
  EXPECT_EQ(two[0].box, boxes::Box::Backup);
  EXPECT_EQ(two[1].box, boxes::Box::Deleted);
  EXPECT_EQ(two[0].time, "2024-04-01 09:00:00");
}

TEST_F(MailSearchTest, FollowsMovesPurgesInsertsAndEdits) {
  const int first = Add("Historys", "搬家", "要移动的邮件内容");
  Add("Historys", "留下", "另一封邮件");
  ASSERT_EQ(Find("移动的邮件").size(), 1u);

  const int ids[] = {first};
  ASSERT_TRUE(boxes::MoveRows(*db_, *boxes::FindMove("N37"), ids).ok);
  // Before the index catches up the old place is already gone.
  std::vector<SearchHit> hits;
  std::string error;
  ASSERT_TRUE(contacts::SearchMail(*db_, "移动的邮件", 100, &hits, &error)) << error;
  EXPECT_TRUE(hits.empty());
  hits = Find("移动的邮件");
  ASSERT_EQ(hits.size(), 1u);
  EXPECT_EQ(hits[0].box, boxes::Box::Deleted);
  EXPECT_EQ(std::to_string(hits[0].id), Rows("MailDelBox").at(0).at("ID"));
  EXPECT_EQ(Find("移").size(), 1u);

  ASSERT_TRUE(boxes::PurgeDeletedBox(*db_, Root(), trash_.Recycler()).emptied);
  EXPECT_TRUE(Find("移动的邮件").empty());
  EXPECT_TRUE(Find("移").empty());
  EXPECT_EQ(Find("另一封").size(), 1u);

  Add("Historys", "新到", "刚刚收到的新邮件");
  EXPECT_EQ(contacts::PendingIndexCount(*db_), 1);
  EXPECT_EQ(Subjects("刚刚收到"), std::vector<std::string>{"新到"});
  EXPECT_EQ(contacts::PendingIndexCount(*db_), 0);

  ASSERT_TRUE(
      Raw("UPDATE Historys SET MailSubject = '改过的主题', Content = '<p>全新内容</p>' "
          "WHERE MailSubject = '新到'"));
  EXPECT_TRUE(Find("刚刚收到").empty());
  EXPECT_EQ(Subjects("全新内容"), std::vector<std::string>{"改过的主题"});
  EXPECT_EQ(Subjects("改过"), std::vector<std::string>{"改过的主题"});
}

TEST_F(MailSearchTest, CatchesUpAnOldStoreInBatchesAndResumesAfterACancel) {
  DropIndex();
  for (int i = 0; i < 1100; ++i)
    Add("Historys", "旧信" + std::to_string(i), "早已存下的邮件");
  std::string error;
  ASSERT_TRUE(store::EnsureMailSchema(*db_, &error)) << error;
  EXPECT_EQ(contacts::PendingIndexCount(*db_), 1100);
  EXPECT_TRUE(store::EnsureMailSchema(*db_, &error)) << error;  // queued once only
  EXPECT_EQ(contacts::PendingIndexCount(*db_), 1100);

  std::vector<std::pair<long long, long long>> calls;
  ASSERT_TRUE(contacts::CatchUpIndex(
      *db_,
      [&](long long done, long long total) {
        calls.emplace_back(done, total);
        return false;  // cancel after the first batch
      },
      &error))
      << error;
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0], std::make_pair(500LL, 1100LL));
  EXPECT_EQ(contacts::PendingIndexCount(*db_), 600);
  std::vector<SearchHit> hits;
  ASSERT_TRUE(contacts::SearchMail(*db_, "早已存下", 2000, &hits, &error));
  EXPECT_EQ(hits.size(), 500u);

  calls.clear();
  ASSERT_TRUE(contacts::CatchUpIndex(
      *db_,
      [&](long long done, long long total) {
        calls.emplace_back(done, total);
        return true;
      },
      &error));
  EXPECT_EQ(calls, (std::vector<std::pair<long long, long long>>{{500, 600}, {600, 600}}));
  EXPECT_EQ(contacts::PendingIndexCount(*db_), 0);
  ASSERT_TRUE(contacts::SearchMail(*db_, "早已存下", 2000, &hits, &error));
  EXPECT_EQ(hits.size(), 1100u);
}

TEST_F(MailSearchTest, SnippetIsOneLineAroundTheMatchWithWholeCharacters) {
  const std::string before = "第一行的文字很长很长很长很长很长很长很长很长很长很长很长";
  Add("Historys", "片段",
      before + "<br>\r\n关键词Key" + "<br>后面还有许多许多许多许多许多许多许多许多许多的字");
  const std::vector<SearchHit> hits = Find("关键词key");
  ASSERT_EQ(hits.size(), 1u);
  const SearchHit& hit = hits[0];
  EXPECT_EQ(hit.snippet.substr(hit.matchStart, hit.matchLength), "关键词Key");
  EXPECT_EQ(hit.snippet.find('\n'), std::string::npos);
  EXPECT_EQ(hit.snippet.find('\r'), std::string::npos);
  EXPECT_LT(hit.snippet.size(), 200u);
  EXPECT_NE(hit.snippet.find("很长 关键词Key 后面"), std::string::npos) << hit.snippet;
  EXPECT_TRUE(WholeCharacters(hit.snippet)) << hit.snippet;
}

TEST_F(MailSearchTest, SnippetStaysWithinTheFieldOfTheMatch) {
  store::MessageRecord r = boxes_test::ReceivedRecord(store::kind::kRead, "合同");
  r.sender = "王五 <wang@example.com>";
  r.receiver = "li@example.com;";
  r.fuJianPath = "/20240305100000/报价单.xls*";
  r.content = "<p>附件是报价单，请查收</p>";
  AddRecord("Historys", r);
  std::vector<SearchHit> hits = Find("附件");
  ASSERT_EQ(hits.size(), 1u);
  EXPECT_EQ(hits[0].snippet, "附件是报价单，请查收");
  EXPECT_EQ(hits[0].matchStart, 0u);
  hits = Find("example.com");
  ASSERT_EQ(hits.size(), 1u);
  EXPECT_EQ(hits[0].snippet, "王五 <wang@example.com>");
  hits = Find("报价单");
  ASSERT_EQ(hits.size(), 1u);
  EXPECT_EQ(hits[0].snippet, "报价单.xls");  // the attachment name comes before the body
}

}  // namespace
