// An emoticon chosen in the main window's picker travels with the mail: SEND through an SMTP
// server on 127.0.0.1 carries the picture as an inline part that the HTML names by Content-ID.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <memory>
#include <string>

#include "app/Unit1.h"
#include "editor/EditorToolbar.h"
#include "editor/biaoqing.h"
#include "maillib/RapMsg.h"
#include "maillib/RapSMTP.h"
#include "maillib/TextUtil.h"
#include "send/ComposePage.h"
#include "store/Query.h"
#include "tests/send/ui/LoopbackSmtp.h"

namespace {

constexpr int kRunMs = 15000;  // the longest the start-up or the send may take
const QByteArray kPicture("GIF89a: the bytes of the first emoticon");

class EmoticonSend : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(QDir().mkpath(dir_.path() + "/Images/biaoqing"));
    QFile picture(dir_.path() + "/Images/biaoqing/b1.gif");
    ASSERT_TRUE(picture.open(QIODevice::WriteOnly));
    picture.write(kPicture);
    picture.close();
    window_ = std::make_unique<app::TForm1>(dir_.path(), &data_);
    window_->show();
    QSignalSpy finished(window_.get(), &app::TForm1::startUpFinished);
    ASSERT_TRUE(window_->StartUpDone() || finished.wait(kRunMs));
  }

  QToolButton* EmoticonButton() const {
    auto* toolbar = window_->Compose()->findChild<editor::EditorToolbar*>();
    return toolbar ? toolbar->ButtonFor(editor::EditorToolbar::Button::Emoticon) : nullptr;
  }
  // Opens the picker with the 表情 button and clicks the picture at index.
  void PickEmoticon(int index) {
    QToolButton* button = EmoticonButton();
    ASSERT_NE(button, nullptr);
    ASSERT_TRUE(button->isEnabled());
    QTest::mouseClick(button, Qt::LeftButton);
    auto* picker = window_->findChild<editor::TbiaoqingFRM*>();
    ASSERT_NE(picker, nullptr);
    ASSERT_TRUE(picker->isVisible());
    QTest::mouseClick(picker->Pictures().at(static_cast<std::size_t>(index)), Qt::LeftButton);
    EXPECT_FALSE(picker->isVisible());
  }

  QTemporaryDir dir_;
  app::TDataQX data_;
  std::unique_ptr<app::TForm1> window_;
};

TEST_F(EmoticonSend, TheChosenPictureIsSentAsAnInlinePartNamedByItsContentId) {
  send_test::LoopbackSmtp server;
  store::Query account(*data_.ADOConnectionAcc);
  account.AddLine(
      "insert into MailAcc (MailAccount, PasswordPw, smtpServer, NiCheng) values (\"me@x.cn\", "
      "\"pw\", \"127.0.0.1:" +
      std::to_string(server.Port()) + "\", \"\")");
  ASSERT_TRUE(account.ExecSql()) << account.Error();

  window_->NewMailClick();
  PickEmoticon(0);
  PickEmoticon(0);  // the same picture twice travels once
  window_->Compose()->ReceiverField()->setEditText(QStringLiteral("you@y.cn"));
  window_->Compose()->SenderSelector()->setEditText(QStringLiteral("me@x.cn"));
  window_->Compose()->SubjectField()->setText(QStringLiteral("表情"));
  window_->SendClick();
  ASSERT_NE(window_->Sender(), nullptr);
  QSignalSpy done(window_->Sender(), &send::SendController::finished);
  ASSERT_TRUE(done.count() > 0 || done.wait(kRunMs));
  ASSERT_EQ(done[0][0].toBool(), true);

  maillib::TRapMsg sent;
  sent.RawLines = maillib::SplitLines(server.Data());
  sent.Parse();
  ASSERT_EQ(sent.InlineFiles.Count(), 1) << server.Data();
  const maillib::TAttachedFile& part = sent.InlineFiles[0];
  EXPECT_FALSE(part.ContentID.empty());
  EXPECT_EQ(part.DecodedBytes(), kPicture.toStdString());
  EXPECT_NE(server.Data().find("Content-ID: <" + part.ContentID + ">"), std::string::npos)
      << server.Data();
  // The reader's side names the part in the HTML (the parser turns "cid:" into the part's name).
  EXPECT_EQ(part.Name, "b1.gif");
  const std::string html = maillib::JoinLines(sent.HtmlLines);
  EXPECT_NE(html.find("src=\"b1.gif\""), std::string::npos) << html;
  // No local path of the sender's machine leaves with the mail.
  EXPECT_EQ(html.find(dir_.path().toStdString()), std::string::npos) << html;
}

}  // namespace
