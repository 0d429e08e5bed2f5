// The search window over all mail: the result list, opening a result, the status line, the
// indexing dialog and its cancel. The core's calls are replaced by a scripted search so the
// indexing can be held as long as a test needs.
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>
#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <thread>

#include "app/DataQX.h"
#include "contacts/SearchAll.h"
#include "store/DataFiles.h"
#include "store/MessageRecord.h"
#include "store/Query.h"

namespace {

using boxes::Box;
using contacts::SearchHit;
using contacts::TSearchAllFrm;

constexpr int kWaitMs = 10000;

SearchHit Hit(Box box, int id, std::string subject, std::string time) {
  SearchHit hit;
  hit.box = box;
  hit.id = id;
  hit.sender = "\"小王\" <w@x.cn>";
  hit.subject = std::move(subject);
  hit.time = std::move(time);
  hit.snippet = "about " + hit.subject;
  hit.matchStart = 6;
  hit.matchLength = hit.subject.size();
  return hit;
}

// A search over a fixed list of hits (those whose subject holds the text, in list order) and
// an index whose waiting messages are put in, `batch` at a time, `pauseMs` apart.
struct ScriptedSearch {
  std::mutex lock;
  std::vector<SearchHit> hits;
  std::string failure;  // when set, the search fails with it
  std::atomic<long long> pending{0};
  long long batch = 10;
  int pauseMs = 0;
  std::atomic<int> catchUps{0};
  std::atomic<int> searches{0};
  // While set, a search waits (at most kWaitMs) until it is cleared.
  std::atomic<bool> holdSearch{false};

  contacts::MailSearchCalls Calls() {
    contacts::MailSearchCalls calls;
    calls.pendingCount = [this](store::Database&, std::string*) { return pending.load(); };
    calls.catchUp = [this](store::Database&,
                           const std::function<bool(long long, long long)>& progress,
                           std::string*) {
      ++catchUps;
      const long long total = pending.load();
      long long done = 0;
      for (int i = 0; i < 20000 && pending.load() > 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs));
        const long long step = std::min(batch, pending.load());
        pending -= step;
        done += step;
        if (!progress(done, total)) break;
      }
      return true;
    };
    calls.search = [this](store::Database&, const std::string& text, std::size_t limit,
                          std::vector<SearchHit>* out, std::string* error) {
      ++searches;
      for (int waited = 0; holdSearch.load() && waited < kWaitMs; waited += 5) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
      }
      std::lock_guard<std::mutex> guard(lock);
      if (!failure.empty()) {
        *error = failure;
        return false;
      }
      for (const SearchHit& hit : hits) {
        if (hit.subject.find(text) != std::string::npos && out->size() < limit) out->push_back(hit);
      }
      return true;
    };
    return calls;
  }
};

class SearchAll : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    std::string error;
    ASSERT_TRUE(store::EnsureProgramFolders(dir_.path().toStdString(), &error)) << error;
    ASSERT_TRUE(data_.OpenDatabases(dir_.path().toStdString(), &error)) << error;
    window_ = std::make_unique<TSearchAllFrm>(data_.ADOCDUser.get());
    window_->SetCalls(search_.Calls());
  }

  void TearDown() override { window_.reset(); }

  // Types the text and presses Enter in the query field, then waits for the answer.
  void Search(const QString& text) {
    window_->QueryField()->setText(text);
    QSignalSpy finished(window_.get(), &TSearchAllFrm::searchFinished);
    QTest::keyClick(window_->QueryField(), Qt::Key_Return);
    ASSERT_TRUE(finished.wait(kWaitMs));
  }

  QString Cell(int row, int column) const {
    return window_->Results()->index(row, column).data().toString();
  }
  QString Status() const { return window_->StatusLine()->text(); }

  QTemporaryDir dir_;
  app::TDataQX data_;
  ScriptedSearch search_;
  std::unique_ptr<TSearchAllFrm> window_;
};

TEST_F(SearchAll, ResultsKeepTheSearchsOrderWithTheBoxCaptionsAndShownSenders) {
  search_.hits = {Hit(Box::Sent, 7, "报价 new", "2024-05-02 08:00:00"),
                  Hit(Box::Inbox, 3, "报价 old", "2024-05-01 08:00:00"),
                  Hit(Box::Notes, 9, "报价 note", "2024-04-01 08:00:00")};
  Search(QStringLiteral("  报价 "));
  EXPECT_EQ(window_->windowTitle(), "搜索全部邮件");
  ASSERT_EQ(window_->Results()->rowCount(), 3);
  EXPECT_EQ(Cell(0, contacts::kResultBox), "发件箱");
  EXPECT_EQ(Cell(1, contacts::kResultBox), "收件箱");
  EXPECT_EQ(Cell(2, contacts::kResultBox), "便签箱");
  EXPECT_EQ(Cell(0, contacts::kResultSubject), "报价 new");
  EXPECT_EQ(Cell(0, contacts::kResultTime), "2024-05-02 08:00:00");
  EXPECT_EQ(Cell(0, contacts::kResultSender), "小王 <w@x.cn>");
  EXPECT_EQ(Cell(0, contacts::kResultSnippet), "about 报价 new");
  EXPECT_EQ(Status(), "找到 3 封邮件");
  EXPECT_EQ(window_->ResultAt(1), std::make_pair(Box::Inbox, 3));
}

TEST_F(SearchAll, EnterAndDoubleClickOnAResultAskToOpenItsBoxAndId) {
  search_.hits = {Hit(Box::Sent, 7, "a1", "2024-05-02 08:00:00"),
                  Hit(Box::Backup, 12, "a2", "2024-05-01 08:00:00")};
  window_->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
  Search(QStringLiteral("a"));
  QSignalSpy opened(window_.get(), &TSearchAllFrm::openWanted);
  QTreeView* list = window_->ResultList();

  list->setCurrentIndex(window_->Results()->index(1, contacts::kResultSubject));
  QTest::keyClick(list, Qt::Key_Return);
  ASSERT_EQ(opened.size(), 1);
  EXPECT_EQ(opened[0][0].value<Box>(), Box::Backup);
  EXPECT_EQ(opened[0][1].toInt(), 12);

  const QRect first = list->visualRect(window_->Results()->index(0, contacts::kResultSubject));
  // A double-click begins with a press on the row (the view opens the row pressed).
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, first.center());
  QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, first.center());
  ASSERT_EQ(opened.size(), 2);
  EXPECT_EQ(opened[1][0].value<Box>(), Box::Sent);
  EXPECT_EQ(opened[1][1].toInt(), 7);
}

TEST_F(SearchAll, NoResultAFailureAndAnEmptyQueryEachShowInTheStatusLine) {
  search_.hits = {Hit(Box::Inbox, 1, "hello", "2024-05-01 08:00:00")};
  Search(QStringLiteral("hello"));
  ASSERT_EQ(window_->Results()->rowCount(), 1);

  Search(QStringLiteral("nothing like it"));
  EXPECT_EQ(window_->Results()->rowCount(), 0);
  EXPECT_EQ(Status(), "没有找到");

  search_.failure = "disk I/O error";
  Search(QStringLiteral("hello"));
  EXPECT_EQ(window_->Results()->rowCount(), 0);
  EXPECT_EQ(Status(), "搜索失败：disk I/O error");

  // An empty query empties the list at once and asks nothing.
  const int searches = search_.searches.load();
  window_->QueryField()->setText(QStringLiteral("   "));
  window_->SearchNow();
  EXPECT_FALSE(window_->Busy());
  EXPECT_TRUE(Status().isEmpty());
  EXPECT_EQ(search_.searches.load(), searches);
}

TEST_F(SearchAll, TypingSearchesAfterAPauseAndAnAnswerForAnOlderTextIsNotShown) {
  search_.hits = {Hit(Box::Inbox, 1, "apple", "2024-05-02 08:00:00"),
                  Hit(Box::Inbox, 2, "apricot", "2024-05-01 08:00:00")};
  QSignalSpy finished(window_.get(), &TSearchAllFrm::searchFinished);
  search_.holdSearch = true;
  QTest::keyClicks(window_->QueryField(), QStringLiteral("ap"));
  ASSERT_TRUE(QTest::qWaitFor([&] { return search_.searches.load() == 1; }, kWaitMs));
  // While "ap" is being searched the text becomes "apr".
  QTest::keyClicks(window_->QueryField(), QStringLiteral("r"));
  QTest::qWait(contacts::kTypingPauseMs + 100);
  search_.holdSearch = false;
  ASSERT_TRUE(finished.wait(kWaitMs));
  EXPECT_EQ(finished.size(), 1);
  ASSERT_EQ(window_->Results()->rowCount(), 1);
  EXPECT_EQ(Cell(0, contacts::kResultSubject), "apricot");
  EXPECT_EQ(search_.searches.load(), 2);
}

TEST_F(SearchAll, ManyWaitingMessagesShowTheIndexingDialogAndCancelKeepsTheWindowUsable) {
  search_.hits = {Hit(Box::Inbox, 1, "report", "2024-05-01 08:00:00")};
  search_.pending = 100000;  // far more than the scripted indexing can do before the cancel
  search_.pauseMs = 10;
  window_->show();
  window_->QueryField()->setText(QStringLiteral("report"));
  QSignalSpy finished(window_.get(), &TSearchAllFrm::searchFinished);
  window_->SearchNow();
  ASSERT_TRUE(QTest::qWaitFor([&] { return window_->IndexProgress() != nullptr; }, kWaitMs));
  QProgressDialog* progress = window_->IndexProgress();
  EXPECT_EQ(progress->labelText(), "正在建立邮件索引…");
  QPushButton* cancel = progress->findChild<QPushButton*>();
  ASSERT_NE(cancel, nullptr);
  EXPECT_EQ(cancel->text(), "取消");
  cancel->click();

  ASSERT_TRUE(finished.wait(kWaitMs));
  EXPECT_EQ(window_->IndexProgress(), nullptr);
  EXPECT_FALSE(window_->IndexComplete());
  EXPECT_GT(search_.pending.load(), 0);
  // The search still answers, from the index as it is, and says so.
  ASSERT_EQ(window_->Results()->rowCount(), 1);
  EXPECT_TRUE(Status().startsWith(QStringLiteral("找到 1 封邮件（邮件索引没有建完")))
      << Status().toStdString();

  // Typing searches again without indexing; Enter goes on with the indexing to the end.
  QTest::keyClicks(window_->QueryField(), QStringLiteral("s"));
  ASSERT_TRUE(finished.wait(kWaitMs));
  EXPECT_EQ(search_.catchUps.load(), 1);
  EXPECT_EQ(Status(), QStringLiteral("没有找到（邮件索引没有建完，结果可能不全，按回车继续建立）"));
  search_.pending = 500;
  search_.batch = 100;
  search_.pauseMs = 0;
  Search(QStringLiteral("report"));
  EXPECT_EQ(search_.catchUps.load(), 2);
  EXPECT_TRUE(window_->IndexComplete());
  EXPECT_EQ(Status(), "找到 1 封邮件");
}

TEST_F(SearchAll, AFewWaitingMessagesAreIndexedWithoutTheDialog) {
  search_.hits = {Hit(Box::Inbox, 1, "report", "2024-05-01 08:00:00")};
  search_.pending = contacts::kIndexDialogThreshold;
  Search(QStringLiteral("report"));
  EXPECT_EQ(search_.catchUps.load(), 1);
  EXPECT_EQ(search_.pending.load(), 0);
  EXPECT_EQ(window_->findChild<QProgressDialog*>(), nullptr);
  EXPECT_EQ(Status(), "找到 1 封邮件");
}

TEST_F(SearchAll, ClosingTheWindowDuringTheIndexingStopsItPromptly) {
  search_.pending = 100000;
  search_.pauseMs = 10;
  window_->QueryField()->setText(QStringLiteral("x"));
  window_->SearchNow();
  ASSERT_TRUE(QTest::qWaitFor([&] { return search_.catchUps.load() == 1; }, kWaitMs));
  const auto start = std::chrono::steady_clock::now();
  window_.reset();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  EXPECT_GT(search_.pending.load(), 0);
}

// The window over the real search of a real store: messages of several boxes, found by a
// word of their bodies, listed newest first under their boxes, opened by their own IDs.
TEST_F(SearchAll, ARealStoreIsIndexedAndSearchedAcrossTheBoxes) {
  window_->SetCalls(contacts::CoreMailSearchCalls());
  const auto insert = [this](const char* table, const char* kind, const char* subject,
                             const char* time, const char* content) {
    store::MessageRecord r;
    r.sender = "a@x.cn";
    r.receiver = "me@x.cn;";
    r.mailSubject = subject;
    r.sendDateTime = time;
    r.messageKind = kind;
    r.content = content;
    store::Query q(*data_.ADOCDUser);
    EXPECT_TRUE(store::InsertMessageRecord(q, table, r)) << q.Error();
    return static_cast<int>(q.LastInsertId());
  };
  const char* body = "<p>关于合同的附件</p>";
  const int older = insert("Historys", "MailUn", "older", "2024-05-01 08:00:00", body);
  const int newer = insert("MailSendBox", "MailSendSucc", "newer", "2024-05-03 08:00:00", body);
  insert("MailDelBox", "MailDel", "other", "2024-05-02 08:00:00", "<p>nothing</p>");

  Search(QStringLiteral("合同"));
  ASSERT_EQ(window_->Results()->rowCount(), 2) << Status().toStdString();
  EXPECT_EQ(Cell(0, contacts::kResultBox), "发件箱");
  EXPECT_EQ(Cell(0, contacts::kResultSubject), "newer");
  EXPECT_EQ(Cell(1, contacts::kResultBox), "收件箱");
  EXPECT_EQ(window_->ResultAt(0), std::make_pair(Box::Sent, newer));
  EXPECT_EQ(window_->ResultAt(1), std::make_pair(Box::Inbox, older));
  EXPECT_TRUE(window_->IndexComplete());
  EXPECT_EQ(Status(), "找到 2 封邮件");
}

TEST(SearchAllSnippet, TheMatchIsHighlightedEscapedAndCutToWholeCharacters) {
  SearchHit hit;
  hit.snippet = "a<b>钥匙&c";
  hit.matchStart = 4;
  hit.matchLength = 6;
  const QString span = QStringLiteral("<span style=\"background-color:#ffe060;\">");
  EXPECT_EQ(contacts::SnippetHtml(hit), "a&lt;b&gt;" + span + "钥匙</span>&amp;c");

  // Offsets inside a character take the whole character.
  hit.matchStart = 5;
  hit.matchLength = 1;
  EXPECT_EQ(contacts::SnippetHtml(hit), "a&lt;b&gt;" + span + "钥</span>匙&amp;c");

  // Offsets past the end mark nothing and lose nothing.
  hit.matchStart = 100;
  EXPECT_EQ(contacts::SnippetHtml(hit), "a&lt;b&gt;钥匙&amp;c");
  hit.matchStart = 7;
  hit.matchLength = 1000;
  EXPECT_EQ(contacts::SnippetHtml(hit), "a&lt;b&gt;钥" + span + "匙&amp;c</span>");
}

}  // namespace
