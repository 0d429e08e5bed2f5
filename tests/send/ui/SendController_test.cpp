// The SEND action end to end: the checks, a send through an SMTP server on 127.0.0.1 with the
// sending page's texts in order, the record in the sent box, cancel before and during the
// transfer, and the recent-recipients list.
#include "send/SendController.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "maillib/RapSMTP.h"
#include "platform/ScriptedDialogs.h"
#include "send/AttachmentRegistry.h"
#include "send/SendingPage.h"
#include "store/DataFiles.h"
#include "store/Database.h"
#include "store/Query.h"
#include "store/Stores.h"
#include "tests/send/ui/LoopbackSmtp.h"
#include "tests/store/TempFolder.h"

namespace {

using send::StatusColour;
using send_test::LoopbackSmtp;

constexpr int kRunMs = 15000;  // the longest a send of these tests may take

class SendControllerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(root_.Path().empty());
    std::string error;
    ASSERT_TRUE(store::EnsureProgramFolders(root_.Path(), &error)) << error;
    mail_ = store::OpenMailStore(root_.Path(), &error);
    ASSERT_NE(mail_, nullptr) << error;
    accounts_ = store::OpenAccountStore(root_.Path(), &error);
    ASSERT_NE(accounts_, nullptr) << error;
    page_ = std::make_unique<send::SendingPage>(QString::fromStdString(root_.Path()));
    readReceipt_.setCheckable(true);
  }
  void TearDown() override {
    controller_.reset();
    page_.reset();
  }

  void AddAccount(const std::string& address, const std::string& smtp,
                  const std::string& nick = "小明") {
    std::string error;
    ASSERT_TRUE(
        accounts_->Execute("insert into MailAcc (MailAccount, PasswordPw, smtpServer, "
                           "NiCheng) values ('" +
                               address + "', 'pw', '" + smtp + "', '" + nick + "')",
                           &error))
        << error;
  }
  std::string Loopback(const LoopbackSmtp& server) {
    return "127.0.0.1:" + std::to_string(server.Port());
  }

  send::SendController& Controller() {
    if (!controller_) {
      send::SendSetup setup;
      setup.programFolder = QString::fromStdString(root_.Path());
      setup.mail = [this] { return mail_.get(); };
      setup.accounts = [this] { return accounts_.get(); };
      setup.state = &state_;
      setup.registry = &registry_;
      controller_ = std::make_unique<send::SendController>(setup, page_.get(), &window_);
      controller_->SetReadReceiptAction(&readReceipt_);
      controller_->SetConfigureClient([](maillib::TRapSMTP& client) {
        client.TimeOut = 3000;
        client.DataPauseMs = 0;
      });
      controller_->SetFlash([this] { ++flashes_; });
      QObject::connect(&controller_->Reports(), &send::SendReportBridge::status,
                       [this](const QString& text, StatusColour colour) {
                         statuses_.push_back({text, colour});
                       });
    }
    return *controller_;
  }

  send::ComposeSnapshot Page(const std::string& field) {
    send::ComposeSnapshot page;
    page.sender = "me@x.cn";
    page.recipientField = field;
    page.subject = "周报";
    page.bodyOuterHtml = "  <body><P>本周进展</P></body> ";
    page.bodyText = "本周进展";
    return page;
  }

  // Waits for the end of the send; false when it did not end in time.
  bool WaitForEnd(QSignalSpy& finished) {
    return QTest::qWaitFor([&] { return finished.count() > 0; }, kRunMs);
  }

  std::vector<std::pair<std::string, std::string>> SentRows() {
    store::Query select(*mail_);
    select.AddLine("select * from MailSendBox order by ID");
    EXPECT_TRUE(select.Open()) << select.Error();
    std::vector<std::pair<std::string, std::string>> rows;
    for (; !select.Eof(); select.Next())
      rows.emplace_back(select.FieldText("MessageKind"), select.FieldText("Receiver"));
    return rows;
  }

  std::vector<QString> StatusTexts() const {
    std::vector<QString> texts;
    for (const auto& s : statuses_)
      texts.push_back(s.first);
    return texts;
  }

  store_test::TempFolder root_;
  std::unique_ptr<store::Database> mail_;
  std::unique_ptr<store::Database> accounts_;
  send::SendState state_;
  send::AttachmentRegistry registry_;
  QWidget window_;
  QAction readReceipt_{QStringLiteral("请求阅读回执"), nullptr};
  std::unique_ptr<send::SendingPage> page_;
  std::unique_ptr<send::SendController> controller_;
  std::vector<std::pair<QString, StatusColour>> statuses_;
  int flashes_ = 0;
  platform::ScriptedDialogs dialogs_;
  platform::ScopedDialogs useDialogs_{&dialogs_};
};

TEST_F(SendControllerTest, AFailedCheckShowsItsMessageAndStartsNothing) {
  QSignalSpy shown(&Controller(), &send::SendController::showSendingPage);
  EXPECT_FALSE(Controller().Send(Page("   ")));
  state_.sending = true;
  EXPECT_FALSE(Controller().Send(Page("a@x.cn")));
  state_.sending = false;

  ASSERT_EQ(dialogs_.asked.size(), 2u);
  EXPECT_EQ(dialogs_.asked[0].title, QStringLiteral("提示"));
  EXPECT_EQ(dialogs_.asked[0].text, QStringLiteral("收件人不能为空!"));
  EXPECT_EQ(dialogs_.asked[1].text, QStringLiteral("有邮件正在发送,请稍候..."));
  EXPECT_EQ(shown.count(), 0);
  EXPECT_FALSE(Controller().Running());
  EXPECT_FALSE(Controller().WatchTimer().isActive());
  EXPECT_TRUE(SentRows().empty());
}

TEST_F(SendControllerTest, AttachmentChecksTellTheUserAndOnlyAMissingFileStopsTheSend) {
  AddAccount("me@x.cn", "127.0.0.1:1");  // nothing listens: a started send fails at connecting
  const std::string file = root_.File("报告.doc");
  store_test::WriteFileBytes(file, "doc");
  send::ComposeSnapshot page = Page("a@x.cn");
  page.attachmentBarShown = true;
  page.attachments = {root_.File("gone.doc")};
  EXPECT_FALSE(Controller().Send(page));
  ASSERT_EQ(dialogs_.asked.size(), 1u);
  EXPECT_EQ(dialogs_.asked[0].text, QString::fromStdString(root_.File("gone.doc") + "文件不存在"));
  EXPECT_FALSE(Controller().Running());

  QSignalSpy finished(&Controller(), &send::SendController::finished);
  page.attachments = {file, file};
  ASSERT_TRUE(Controller().Send(page));
  ASSERT_EQ(dialogs_.asked.size(), 2u);
  EXPECT_EQ(dialogs_.asked[1].title, QStringLiteral("提示"));
  EXPECT_EQ(dialogs_.asked[1].text, QStringLiteral("请不要插入相同的附件!"));
  ASSERT_TRUE(WaitForEnd(finished));
  EXPECT_EQ(page_->ErrorText(), QStringLiteral("连接到SMTP服务器失败,请检查您的网络"));
  EXPECT_TRUE(registry_.Entries().empty());
}

TEST_F(SendControllerTest, ASendShowsItsProgressInOrderAndRecordsTheSuccess) {
  LoopbackSmtp server;
  AddAccount("me@x.cn", Loopback(server));
  readReceipt_.setChecked(true);
  bool flagCleared = false;
  // What the menu item's own handler would do with its toggle.
  QObject::connect(&readReceipt_, &QAction::toggled, [&](bool on) {
    if (!on) flagCleared = true;
  });
  state_.readReceipt = true;

  QSignalSpy shown(&Controller(), &send::SendController::showSendingPage);
  QSignalSpy finished(&Controller(), &send::SendController::finished);
  QSignalSpy sentBox(&Controller(), &send::SendController::sentBoxChanged);
  ASSERT_TRUE(Controller().Send(Page("a@x.cn<抄送>c@x.cn")));
  EXPECT_EQ(shown.count(), 1);
  EXPECT_EQ(page_->StatusText(), QStringLiteral("正在连接..."));
  EXPECT_EQ(page_->SenderText(), QStringLiteral("me@x.cn"));
  EXPECT_EQ(page_->RecipientText(), QStringLiteral("a@x.cn<抄送>c@x.cn"));
  EXPECT_TRUE(page_->CancelButton()->isEnabled());
  EXPECT_FALSE(readReceipt_.isChecked());
  EXPECT_FALSE(flagCleared);
  EXPECT_EQ(Controller().LastBody(), "<body><P>本周进展</P></body>");
  EXPECT_TRUE(Controller().WatchTimer().isActive());

  ASSERT_TRUE(WaitForEnd(finished));
  EXPECT_TRUE(finished.at(0).at(0).toBool());
  EXPECT_EQ(StatusTexts(), (std::vector<QString>{
                               QStringLiteral("成功连接到SMTP服务器"),
                               QStringLiteral("初始化中，准备开始发送"),
                               QStringLiteral("邮件发送中"),
                               QStringLiteral("发送成功"),
                           }));
  EXPECT_EQ(page_->StatusColourShown(), StatusColour::Blue);
  EXPECT_EQ(Controller().LastStatus(), QStringLiteral("发送成功"));
  EXPECT_FALSE(page_->CancelButton()->isEnabled());
  EXPECT_EQ(page_->ErrorText(), QString());
  EXPECT_GT(page_->ProgressPosition(), 0);
  EXPECT_EQ(flashes_, 1);  // the window is not the active one
  EXPECT_EQ(sentBox.count(), 1);
  EXPECT_FALSE(Controller().Running());
  EXPECT_FALSE(Controller().WatchTimer().isActive());

  EXPECT_EQ(server.Recipients(), (std::vector<std::string>{"<a@x.cn>", "<c@x.cn>"}));
  // The read receipt asked for before SEND reached the message.
  EXPECT_NE(server.Data().find("Disposition-Notification-To"), std::string::npos);
  EXPECT_FALSE(state_.readReceipt);
  const auto rows = SentRows();
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].first, "MailSendSucc");
}

TEST_F(SendControllerTest, ARefusedLoginShowsItsLinesAndRecordsTheFailure) {
  LoopbackSmtp server(LoopbackSmtp::Hold::None, /*acceptLogin=*/false);
  AddAccount("me@x.cn", Loopback(server));
  QSignalSpy finished(&Controller(), &send::SendController::finished);
  ASSERT_TRUE(Controller().Send(Page("a@x.cn")));
  ASSERT_TRUE(WaitForEnd(finished));
  EXPECT_FALSE(finished.at(0).at(0).toBool());
  ASSERT_FALSE(statuses_.empty());
  EXPECT_EQ(statuses_.back().first, QStringLiteral("连接到SMTP服务器失败"));
  EXPECT_EQ(statuses_.back().second, StatusColour::Red);
  EXPECT_EQ(page_->StatusColourShown(), StatusColour::Red);
  EXPECT_EQ(page_->ErrorText(), QStringLiteral("登陆到SMTP服务器失败,请检查您的用户名或是密码"));
  EXPECT_TRUE(page_->CancelButton()->isEnabled());
  EXPECT_FALSE(server.SawMailFrom());
  const auto rows = SentRows();
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].first, "MailSendFail");
  EXPECT_EQ(flashes_, 0);
}

TEST_F(SendControllerTest, CancelDuringTheTransferWaitsThenEndsItAsAFailure) {
  LoopbackSmtp server(LoopbackSmtp::Hold::DataEnd);
  AddAccount("me@x.cn", Loopback(server));
  QSignalSpy finished(&Controller(), &send::SendController::finished);
  QSignalSpy compose(&Controller(), &send::SendController::showComposePage);
  ASSERT_TRUE(Controller().Send(Page("a@x.cn")));
  ASSERT_TRUE(QTest::qWaitFor([&] { return server.Holding(); }, kRunMs));

  QTest::mouseClick(page_->CancelButton(), Qt::LeftButton);
  EXPECT_TRUE(Controller().CancelPending());
  Controller().Cancel();  // a second press during the wait changes nothing
  // Nothing happens before the wait is over.
  EXPECT_EQ(compose.count(), 0);
  EXPECT_FALSE(state_.cancel);
  EXPECT_TRUE(page_->CancelButton()->isEnabled());

  ASSERT_TRUE(WaitForEnd(finished));
  EXPECT_FALSE(finished.at(0).at(0).toBool());
  EXPECT_EQ(compose.count(), 1);
  EXPECT_FALSE(page_->CancelButton()->isEnabled());
  EXPECT_FALSE(state_.cancel);  // cleared by the worker at its end
  EXPECT_FALSE(state_.sending);
  const auto rows = SentRows();
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].first, "MailSendFail");
}

TEST_F(SendControllerTest, CancelBeforeTheTransferSendsNothing) {
  LoopbackSmtp server(LoopbackSmtp::Hold::Login);
  AddAccount("me@x.cn", Loopback(server));
  QSignalSpy finished(&Controller(), &send::SendController::finished);
  ASSERT_TRUE(Controller().Send(Page("a@x.cn")));
  ASSERT_TRUE(QTest::qWaitFor([&] { return server.Holding(); }, kRunMs));
  Controller().Cancel();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !Controller().CancelPending(); }, kRunMs));
  server.Release();

  ASSERT_TRUE(WaitForEnd(finished));
  EXPECT_FALSE(finished.at(0).at(0).toBool());
  EXPECT_FALSE(server.SawMailFrom());
  EXPECT_EQ(page_->ProgressPosition(), 0);
  const auto rows = SentRows();
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].first, "MailSendFail");
}

TEST_F(SendControllerTest, CancelAfterASuccessKeepsThePageAndLeavesNoFlagForTheNextSend) {
  LoopbackSmtp server;
  AddAccount("me@x.cn", Loopback(server));
  QSignalSpy finished(&Controller(), &send::SendController::finished);
  QSignalSpy compose(&Controller(), &send::SendController::showComposePage);
  ASSERT_TRUE(Controller().Send(Page("a@x.cn")));
  ASSERT_TRUE(WaitForEnd(finished));
  ASSERT_TRUE(finished.at(0).at(0).toBool());

  Controller().Cancel();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !Controller().CancelPending(); }, kRunMs));
  EXPECT_EQ(compose.count(), 0);  // the status reads "发送成功"
  EXPECT_FALSE(state_.cancel);
  EXPECT_EQ(page_->ProgressPosition(), 0);

  // Without a send the cancel goes back to the compose page, and still sets no flag.
  Controller().ResetStatus();
  EXPECT_EQ(Controller().LastStatus(), QStringLiteral("正在连接..."));
  Controller().Cancel();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !Controller().CancelPending(); }, kRunMs));
  EXPECT_EQ(compose.count(), 1);
  EXPECT_FALSE(state_.cancel);
}

TEST_F(SendControllerTest, ASingleNewAddressGoesToTheTopOfTheRecentList) {
  std::vector<std::string> lines;
  for (int n = 1; n <= 8; ++n)
    lines.push_back("old" + std::to_string(n) + "@x.cn");
  ASSERT_TRUE(store::WriteTextLines(store::RecentRecipientsPath(root_.Path()), lines));
  AddAccount("me@x.cn", "127.0.0.1:1");  // nothing listens: the send fails at connecting
  EXPECT_EQ(Controller().DropDown().size(), 8u);

  QSignalSpy recent(&Controller(), &send::SendController::recentReceiversChanged);
  QSignalSpy finished(&Controller(), &send::SendController::finished);
  ASSERT_TRUE(Controller().Send(Page(" new@x.cn ")));
  ASSERT_EQ(recent.count(), 1);
  const QStringList entries = recent.at(0).at(0).toStringList();
  ASSERT_EQ(entries.size(), 8);
  EXPECT_EQ(entries.front(), QStringLiteral("new@x.cn"));
  EXPECT_EQ(entries.back(), QStringLiteral("old7@x.cn"));
  EXPECT_EQ(store::ReadLine(store::RecentRecipientsPath(root_.Path()), 0), "new@x.cn");
  ASSERT_TRUE(WaitForEnd(finished));

  // A field of several addresses leaves the list as it is.
  ASSERT_TRUE(Controller().Send(Page("a@x.cn,b@x.cn")));
  ASSERT_EQ(recent.count(), 2);
  EXPECT_EQ(recent.at(1).at(0).toStringList(), entries);
  finished.clear();
  ASSERT_TRUE(WaitForEnd(finished));
}

}  // namespace
