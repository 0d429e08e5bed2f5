// The account editor on its own: the host fields of 其他邮箱, the checks of 应 用, and the
// account test run against scripted and silent SMTP servers while the event loop keeps running.
#include "accounts/addaccount.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "accounts/ServerPresets.h"
#include "maillib/Base64.h"
#include "tests/accounts/ui/AccountWindowsFixture.h"
#include "tests/maillib/NetTestUtil.h"
#include "tests/maillib/SmtpTestUtil.h"

namespace {

using accounts::TaddAcc;
using maillib::test::ScriptedTransport;

constexpr int kOutcomeWaitMs = 5000;
const QColor kGreen(0, 128, 0);
const QColor kRed(255, 0, 0);

class AddAccountTest : public accounts_test::AccountWindowsTest {
 protected:
  void SetUp() override {
    AccountWindowsTest::SetUp();
    editor = std::make_unique<TaddAcc>(Folder(), *db);
    editor->PrepareAdd();
  }
  void TearDown() override { editor.reset(); }

  // Chooses the domain entry from the drop-down list, as the user does.
  void Choose(const QString& domain) {
    const int index = editor->cbbDomain->findText(domain);
    ASSERT_GE(index, 0);
    editor->cbbDomain->setCurrentIndex(index);
    emit editor->cbbDomain->activated(index);
  }
  bool HostsVisible() const {
    return editor->edtPop->isVisibleTo(editor.get()) && editor->edtSmtp->isVisibleTo(editor.get());
  }
  bool StarsVisible() const {
    return editor->lblPopStar->isVisibleTo(editor.get()) &&
           editor->lblSmtpStar->isVisibleTo(editor.get());
  }
  // Adds user@corp.test with the SMTP host given, through 其他邮箱.
  void AddTypedAccount(const QString& smtpHost, const QString& password) {
    Choose(QString::fromUtf8(accounts::kOtherDomain));
    editor->edtUser->setText(QStringLiteral("user"));
    editor->cbbDomain->setEditText(QStringLiteral("corp.test"));
    editor->edtPassword->setText(password);
    editor->edtPop->setText(QStringLiteral("pop.corp.test"));
    editor->edtSmtp->setText(smtpHost);
    editor->btnApply->click();
    ASSERT_EQ(LastMessage(), QStringLiteral("保存成功"));
  }
  QColor TestColour() const { return editor->lblTest->palette().color(QPalette::WindowText); }

  std::unique_ptr<TaddAcc> editor;
};

TEST_F(AddAccountTest, HostFieldsShowOnlyForOtherDomain) {
  EXPECT_FALSE(HostsVisible());
  EXPECT_EQ(editor->windowTitle(), QStringLiteral("添加账号"));
  EXPECT_EQ(editor->edtInterval->text(), QStringLiteral("20"));
  EXPECT_EQ(editor->lblTest->text(), QStringLiteral("(检测是否支持SMTP发送?)"));
  EXPECT_EQ(TestColour(), kGreen);

  Choose(QString::fromUtf8(accounts::kOtherDomain));
  EXPECT_TRUE(HostsVisible());
  EXPECT_TRUE(StarsVisible());
  EXPECT_EQ(editor->lblPopStar->toolTip(), QStringLiteral("必填"));
  Choose(QStringLiteral("qq.com"));
  EXPECT_FALSE(HostsVisible());
  EXPECT_FALSE(StarsVisible());
}

TEST_F(AddAccountTest, PasswordIsShownAsStarsAlsoUnderAStyledWindow) {
  // The main window, the editor's ancestor, has a style sheet of its own.
  QWidget window;
  window.setStyleSheet(QStringLiteral("#toolbar { background: #e8f0fa; }"));
  TaddAcc styled(Folder(), *db, &window);
  styled.edtPassword->setText(QStringLiteral("abc"));
  EXPECT_EQ(styled.edtPassword->displayText(), QStringLiteral("***"));
}

TEST_F(AddAccountTest, OtherDomainNeedsBothHosts) {
  Choose(QString::fromUtf8(accounts::kOtherDomain));
  editor->edtUser->setText(QStringLiteral("user"));
  editor->cbbDomain->setEditText(QStringLiteral("corp.test"));
  editor->edtPassword->setText(QStringLiteral("pw"));
  editor->btnApply->click();
  EXPECT_EQ(LastMessage(), QStringLiteral("POP设置栏不能为空!"));
  editor->edtPop->setText(QStringLiteral("pop.corp.test"));
  editor->btnApply->click();
  EXPECT_EQ(LastMessage(), QStringLiteral("SMTP设置栏不能为空!"));
  EXPECT_EQ(StoredCount(), 0);

  editor->edtSmtp->setText(QStringLiteral("smtp.corp.test"));
  editor->btnApply->click();
  EXPECT_EQ(LastMessage(), QStringLiteral("保存成功"));
  const accounts::AccountRow row = Stored("user@corp.test");
  EXPECT_EQ(row.smtpServer, "smtp.corp.test");
  EXPECT_EQ(row.typeTag, "1");
}

TEST_F(AddAccountTest, EditingTypedHostsShowsThemAndPresetDomainTakesPresets) {
  AddTypedAccount(QStringLiteral("smtp.corp.test"), QStringLiteral("pw"));
  const accounts::AccountRow row = Stored("user@corp.test");
  editor->PrepareEdit(row, false);
  EXPECT_TRUE(HostsVisible());
  EXPECT_FALSE(StarsVisible());
  EXPECT_EQ(editor->edtPop->text(), QStringLiteral("pop.corp.test"));

  Choose(QStringLiteral("qq.com"));
  editor->btnApply->click();
  EXPECT_EQ(LastMessage(), QStringLiteral("修改成功"));
  const accounts::AccountRow updated = Stored("user@qq.com");
  EXPECT_EQ(updated.id, row.id);
  EXPECT_EQ(updated.smtpServer, "smtp.qq.test");
  EXPECT_EQ(updated.typeTag, "0");
}

TEST_F(AddAccountTest, AccountTestNeedsUserDomainAndPassword) {
  editor->edtUser->setText(QStringLiteral("user"));
  editor->cbbDomain->setEditText(QStringLiteral("corp.test"));
  editor->btnTest->click();
  ASSERT_EQ(dialogs.asked.size(), 1u);
  EXPECT_EQ(dialogs.asked[0].title, QStringLiteral("提示!"));
  EXPECT_EQ(dialogs.asked[0].text, QStringLiteral("请输入收发邮箱相关信息!"));
  EXPECT_TRUE(editor->btnTest->isEnabled());
  EXPECT_FALSE(editor->test.Running());
}

TEST_F(AddAccountTest, AccountNeverAppliedFailsToConnect) {
  editor->edtUser->setText(QStringLiteral("nobody"));
  editor->cbbDomain->setEditText(QStringLiteral("corp.test"));
  editor->edtPassword->setText(QStringLiteral("pw"));
  editor->btnTest->click();
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return editor->lblTest->text() == QStringLiteral("连接到SMTP服务器错误!"); },
      kOutcomeWaitMs))
      << editor->lblTest->text().toStdString();
  EXPECT_EQ(TestColour(), kRed);
  EXPECT_TRUE(editor->btnTest->isEnabled());
  EXPECT_TRUE(dialogs.asked.empty());
}

// The script of a login of user@corp.test with `password`, answered with `passReply`.
void ScriptLogin(ScriptedTransport& script, const std::string& password,
                 const std::string& passReply) {
  smtp_test::GreetAndEhlo(script);
  smtp_test::AuthLogin(script, maillib::Base64EncodeStr("user@corp.test"), passReply,
                       maillib::Base64EncodeStr(password));
  // The client says goodbye without waiting for the answer.
  script.Client("QUIT\r\n");
}

TEST_F(AddAccountTest, AccountTestSuccessShowsGreenAndUsesTheStoredPassword) {
  AddTypedAccount(QStringLiteral("smtp.corp.test"), QStringLiteral("stored"));
  ScriptedTransport script;
  ScriptLogin(script, "stored", "235 ok\r\n");
  ScriptedTransport::Plug plug(script);
  plug.AsDefault();
  // Typed but not applied: the test uses what is stored.
  editor->edtPassword->setText(QStringLiteral("typed"));
  QSignalSpy finished(&editor->test, &accounts::TMailTest::finished);

  editor->btnTest->click();
  EXPECT_EQ(editor->lblTest->text(), QStringLiteral("开始检测"));
  EXPECT_EQ(TestColour(), QColor(Qt::black));
  EXPECT_FALSE(editor->btnTest->isEnabled());
  EXPECT_TRUE(editor->test.tmrWatchdog.isActive());
  ASSERT_TRUE(QTest::qWaitFor([&] { return finished.count() == 1; }, kOutcomeWaitMs))
      << editor->lblTest->text().toStdString();
  EXPECT_EQ(editor->lblTest->text(), QStringLiteral("SMTP邮件测试成功!"));
  EXPECT_EQ(TestColour(), kGreen);
  EXPECT_TRUE(editor->btnTest->isEnabled());
  EXPECT_FALSE(editor->test.tmrWatchdog.isActive());
  EXPECT_TRUE(script.Done()) << script.Mismatch();
}

TEST_F(AddAccountTest, AccountTestRefusedLoginShowsRed) {
  AddTypedAccount(QStringLiteral("smtp.corp.test"), QStringLiteral("stored"));
  ScriptedTransport script;
  ScriptLogin(script, "stored", "535 authentication failed\r\n");
  ScriptedTransport::Plug plug(script);
  plug.AsDefault();

  editor->btnTest->click();
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return editor->lblTest->text() == QStringLiteral("SMTP服务器(认证错误)!"); },
      kOutcomeWaitMs))
      << editor->lblTest->text().toStdString();
  EXPECT_EQ(TestColour(), kRed);
  EXPECT_TRUE(editor->btnTest->isEnabled());
}

TEST_F(AddAccountTest, WatchdogEndsATestOfAServerThatNeverAnswers) {
  net_test::Listener silent;  // accepts connections in its backlog and never speaks
  ASSERT_GT(silent.Port(), 0);
  AddTypedAccount(QStringLiteral("127.0.0.1:%1").arg(silent.Port()), QStringLiteral("pw"));
  editor->test.tmrWatchdog.setInterval(200);

  editor->btnTest->click();
  // The window's thread is free while the test waits for the server.
  EXPECT_TRUE(editor->test.Running());
  EXPECT_FALSE(editor->btnTest->isEnabled());
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return editor->lblTest->text() == QStringLiteral("连接到SMTP服务器错误!"); },
      kOutcomeWaitMs))
      << editor->lblTest->text().toStdString();
  EXPECT_EQ(TestColour(), kRed);
  EXPECT_FALSE(editor->test.Running());
}

TEST_F(AddAccountTest, ClosingTheWindowDuringATestEndsIt) {
  net_test::Listener silent;
  ASSERT_GT(silent.Port(), 0);
  AddTypedAccount(QStringLiteral("127.0.0.1:%1").arg(silent.Port()), QStringLiteral("pw"));
  editor->btnTest->click();
  ASSERT_TRUE(editor->test.Running());
  // Destroying the window cancels the test and waits for it; the outcome is dropped.
  editor.reset();
  QTest::qWait(50);
  SUCCEED();
}

}  // namespace
