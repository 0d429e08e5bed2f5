// The list search window over real box lists: stepping through matches, the column of each
// option, the body's text for the full-text search, and Enter.
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "../../boxes/ui/BoxFixture.h"
#include "contacts/SearchSubject.h"

namespace {

using boxes::Box;
using boxtest::Message;
using contacts::TSearchSubjectFrm;

class SearchSubject : public boxtest::BoxFixture {
 protected:
  void TearDown() override {
    delete window_;
    BoxFixture::TearDown();
  }

  // Inbox messages, listed newest first, so in the order given.
  void FillInbox(const std::vector<Message>& messages) {
    int minute = 59;
    for (Message m : messages) {
      m.time = "2024-03-05 10:" + std::to_string(minute--) + ":00";
      Insert(m);
    }
    boxes_->OpenBox(Box::Inbox);
  }
  static Message WithSubject(const std::string& subject) {
    Message m;
    m.subject = subject;
    return m;
  }

  TSearchSubjectFrm* Open(Box box = Box::Inbox) {
    delete window_;
    window_ = new TSearchSubjectFrm(boxes_.get(), box, nullptr);
    return window_;
  }
  // Types the keyword and clicks 搜索; the row selected afterwards (-1: none or several).
  int SearchFor(const QString& keyword, Box box = Box::Inbox) {
    window_->KeywordField()->setText(keyword);
    window_->SearchButton()->click();
    return boxes_->Page(box)->SingleSelectedRow();
  }

  TSearchSubjectFrm* window_ = nullptr;
};

TEST_F(SearchSubject, RepeatedSearchesStepThroughMatchesThenFindNothingThenStartAtTheTop) {
  FillInbox(
      {WithSubject("周报 一"), WithSubject("会议"), WithSubject("周报 二"), WithSubject("月报")});
  Open();
  EXPECT_TRUE(window_->BySubjectOption()->isChecked());

  EXPECT_EQ(SearchFor(QStringLiteral("  周报 ")), 0);  // trimmed
  EXPECT_EQ(TSearchSubjectFrm::SearchPosition(), 1);
  EXPECT_EQ(SearchFor(QStringLiteral("周报")), 2);
  EXPECT_EQ(TSearchSubjectFrm::SearchPosition(), 3);
  // After the last match: nothing, the selection stays, and the next search is at the top.
  EXPECT_EQ(SearchFor(QStringLiteral("周报")), 2);
  EXPECT_EQ(TSearchSubjectFrm::SearchPosition(), 0);
  EXPECT_EQ(SearchFor(QStringLiteral("周报")), 0);

  // The preview ran on the found row: the inbox marks it read.
  const int first = Inbox()->Model()->Row(0).id;
  EXPECT_EQ(Column("Historys", first, "MessageKind"), "Mailed");
  EXPECT_EQ(Column("Historys", Inbox()->Model()->Row(1).id, "MessageKind"), "MailUn");

  // A new window starts at the top again.
  SearchFor(QStringLiteral("周报"));
  ASSERT_EQ(TSearchSubjectFrm::SearchPosition(), 3);
  Open();
  EXPECT_EQ(TSearchSubjectFrm::SearchPosition(), 0);
  EXPECT_EQ(SearchFor(QStringLiteral("周报")), 0);
}

TEST_F(SearchSubject, MatchingIsAnExactCaseSensitiveSubstringOfTheChosenColumn) {
  Message lower = WithSubject("weekly report");
  lower.sender = "Report Desk <desk@x.cn>";
  FillInbox({lower, WithSubject("Weekly Report")});
  Open();
  EXPECT_EQ(SearchFor(QStringLiteral("Report")), 1);
  // The sender column: the first row's sender has the capital letter.
  window_->ByPersonOption()->setChecked(true);
  EXPECT_EQ(SearchFor(QStringLiteral("Report")), 0);
}

TEST_F(SearchSubject, ASentBoxSearchByPersonLooksAtTheReceiversDisplayNames) {
  Message one;
  one.table = "MailSendBox";
  one.kind = "MailSendSucc";
  one.receiver = "王五 <ww@x.cn>;";
  one.time = "2024-03-05 10:00:00";
  Message two = one;
  two.receiver = "Li <li@x.cn>;";
  two.time = "2024-03-04 10:00:00";
  Insert(one);
  Insert(two);
  boxes_->OpenBox(Box::Sent);
  Open(Box::Sent);
  window_->ByPersonOption()->setChecked(true);

  EXPECT_EQ(SearchFor(QStringLiteral("Li"), Box::Sent), 1);
  EXPECT_EQ(SearchFor(QStringLiteral("王五"), Box::Sent), 0);
  // The list shows names only, so an address is not found.
  boxes_->Page(Box::Sent)->ClearSelection();
  EXPECT_EQ(SearchFor(QStringLiteral("ww@x.cn"), Box::Sent), -1);
}

TEST_F(SearchSubject, AnEmptyListOrAnEmptyKeywordDoesNothing) {
  boxes_->OpenBox(Box::Inbox);
  Open();
  EXPECT_EQ(SearchFor(QStringLiteral("周报")), -1);
  EXPECT_EQ(TSearchSubjectFrm::SearchPosition(), 0);

  FillInbox({WithSubject("周报")});
  EXPECT_EQ(SearchFor(QStringLiteral("   ")), -1);
  EXPECT_EQ(Column("Historys", Inbox()->Model()->Row(0).id, "MessageKind"), "MailUn");
}

TEST_F(SearchSubject, TheFullTextSearchReadsTheBodyTextNotItsMarkupNorAttachmentNames) {
  Message styled;
  styled.content = "<div class=\"note\" style=\"color:red\">Tom &amp; Jerry</div>";
  styled.fujian = "F";
  styled.fuJianPath = "budget.xls";
  Message plain;
  plain.content = "<p>the budget for <b>2024</b></p>";
  FillInbox({styled, plain});
  Open();
  window_->ByBodyOption()->setChecked(true);

  EXPECT_EQ(SearchFor(QStringLiteral("budget")), 1);
  Inbox()->ClearSelection();
  EXPECT_EQ(SearchFor(QStringLiteral("div")), -1);
  EXPECT_EQ(SearchFor(QStringLiteral("color")), -1);
  EXPECT_EQ(SearchFor(QStringLiteral("Tom & Jerry")), 0);
  EXPECT_EQ(SearchFor(QStringLiteral("for 2024")), 1);
}

TEST_F(SearchSubject, EnterInTheKeywordFieldSearchesOnce) {
  FillInbox({WithSubject("周报 一"), WithSubject("周报 二")});
  Open();
  window_->show();
  window_->KeywordField()->setText(QStringLiteral("周报"));
  QTest::keyClick(window_->KeywordField(), Qt::Key_Return);
  EXPECT_EQ(Inbox()->SingleSelectedRow(), 0);
  EXPECT_EQ(TSearchSubjectFrm::SearchPosition(), 1);
  EXPECT_TRUE(window_->isVisible());
}

}  // namespace
