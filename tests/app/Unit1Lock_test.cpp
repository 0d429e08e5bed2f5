// The start-up lock and the personal settings window as the main window runs them.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "app/Unit1.h"
#include "boxes/MailBoxes.h"
#include "platform/TrayIcon.h"
#include "receive/ReceiveSchedule.h"
#include "store/DataFiles.h"
#include "store/Database.h"
#include "store/Stores.h"
#include "tools/InforTishi.h"
#include "tools/PersonalSet1.h"
#include "tools/loginLock.h"

namespace {

// A program folder whose account database holds this PersonalSet row, and a main window
// started on it whose quit is counted instead of run.
struct LockedStart {
  QTemporaryDir dir;
  std::unique_ptr<app::TDataQX> data;
  std::unique_ptr<app::TForm1> window;
  int quits = 0;

  explicit LockedStart(const std::string& personalSet) {
    std::string error;
    EXPECT_TRUE(store::EnsureProgramFolders(dir.path().toStdString(), &error)) << error;
    {
      auto accounts = store::OpenAccountStore(dir.path().toStdString(), &error);
      EXPECT_NE(accounts, nullptr) << error;
      if (accounts) {
        EXPECT_TRUE(accounts->Execute(personalSet, &error)) << error;
      }
    }
    Start();
  }
  void Start() {
    data = std::make_unique<app::TDataQX>();
    window = std::make_unique<app::TForm1>(dir.path(), data.get());
    window->SetQuit([this] { ++quits; });
    window->show();
    QSignalSpy finished(window.get(), &app::TForm1::startUpFinished);
    EXPECT_TRUE(finished.wait(5000));
  }
  void Restart() {
    window.reset();
    data.reset();
    Start();
  }
  tools::TLockLogin* Lock() const { return window->LockLogin(); }
  bool ReceivingStarted() const {
    receive::ReceiveSchedule* schedule = window->Schedule();
    return schedule->tmrAutoRecM.isActive() || schedule->tmrStartCheckRecMailTime.isActive() ||
           schedule->SlotsUsed() > 0;
  }
  void Type(const QString& password) {
    Lock()->edtPassword->setText(password);
    QTest::mouseClick(Lock()->btnOk, Qt::LeftButton);
  }
};

const char* kLockedAutoReceive =
    "update PersonalSet set SetPassword='True', PasswordPWsys='pw', IsAutoRecMail='y', "
    "IsPlaySound='n'";

TEST(StartUpLock, NothingIsReceivedAndTheTrayHasNoMenuUntilTheRightPassword) {
  LockedStart s(kLockedAutoReceive);
  ASSERT_NE(s.Lock(), nullptr);
  EXPECT_TRUE(s.Lock()->isVisible());
  EXPECT_EQ(s.Lock()->windowModality(), Qt::ApplicationModal);
  // The flags are read before the lock opens.
  EXPECT_TRUE(s.window->AutoReceive());
  EXPECT_FALSE(s.window->SoundOn());
  EXPECT_EQ(s.window->Tray()->Menu(), nullptr);
  EXPECT_FALSE(s.ReceivingStarted());

  s.Type(QStringLiteral("PW"));
  EXPECT_TRUE(s.Lock()->Prompt()->isVisible());
  EXPECT_EQ(s.Lock()->Prompt()->Message(), "密码错误,请新重输入!");
  s.Lock()->Prompt()->accept();
  EXPECT_TRUE(s.Lock()->isVisible());
  EXPECT_EQ(s.window->Tray()->Menu(), nullptr);
  EXPECT_FALSE(s.ReceivingStarted());

  s.window->Boxes()->OpenBox(boxes::Box::Inbox);  // the lock opens on the first page
  s.Type(QStringLiteral("pw"));
  EXPECT_FALSE(s.Lock()->isVisible());
  EXPECT_EQ(s.window->Tray()->Menu(), s.window->Menus().PopMinMenu);
  EXPECT_TRUE(s.window->Schedule()->tmrAutoRecM.isActive());
  EXPECT_TRUE(s.window->Schedule()->tmrStartCheckRecMailTime.isActive());
  EXPECT_EQ(s.window->PageControl1->currentWidget(), s.window->ts1);
  EXPECT_EQ(s.quits, 0);
  s.window->Schedule()->tmrAutoRecM.stop();
}

TEST(StartUpLock, CancelEndsTheProgramWithoutReceiving) {
  LockedStart s(kLockedAutoReceive);
  QTest::mouseClick(s.Lock()->btnCancel, Qt::LeftButton);
  EXPECT_EQ(s.quits, 1);
  EXPECT_FALSE(s.Lock()->isVisible());
  EXPECT_FALSE(s.ReceivingStarted());
  EXPECT_EQ(s.window->Tray()->Menu(), nullptr);
}

TEST(StartUpLock, AnUnlockedStartShowsNoLock) {
  LockedStart s("update PersonalSet set SetPassword='False', PasswordPWsys='No'");
  EXPECT_EQ(s.Lock(), nullptr);
  EXPECT_EQ(s.window->Tray()->Menu(), s.window->Menus().PopMinMenu);
  EXPECT_TRUE(s.window->Schedule()->tmrStartCheckRecMailTime.isActive());
}

// From 个人设置 to the next start: the sound follows at once, the lock at the next start,
// with the password stored trimmed.
TEST(StartUpLock, TheSettingsWindowSetsTheSoundNowAndTheLockForTheNextStart) {
  LockedStart s("update PersonalSet set IsPlaySound='y'");
  ASSERT_TRUE(s.window->Menus().personalSet->isEnabled());
  s.window->Menus().personalSet->trigger();
  tools::TPersonalSet* settings = s.window->PersonalSet();
  ASSERT_NE(settings, nullptr);
  EXPECT_TRUE(settings->isVisible());
  EXPECT_FALSE(settings->isModal());
  settings->chkSound->setChecked(false);
  settings->chkPassword->setChecked(true);
  settings->edtPassword->setText(" pw ");
  settings->edtConfirm->setText(" pw ");
  EXPECT_EQ(settings->edtConfirm->displayText(), "****");  // also under the window's style
  QTest::mouseClick(settings->btnApply, Qt::LeftButton);
  EXPECT_FALSE(s.window->SoundOn());
  EXPECT_EQ(s.Lock(), nullptr);  // the lock waits for the next start

  s.Restart();
  ASSERT_NE(s.Lock(), nullptr);
  s.Type(QStringLiteral(" pw "));
  EXPECT_TRUE(s.Lock()->Prompt()->isVisible());
  s.Lock()->Prompt()->accept();
  s.Type(QStringLiteral("pw"));
  EXPECT_FALSE(s.Lock()->isVisible());
  EXPECT_EQ(s.window->Tray()->Menu(), s.window->Menus().PopMinMenu);
}

TEST(StartUpLock, AnEmptyLockPasswordOpensWithAnEmptyField) {
  LockedStart s("update PersonalSet set SetPassword='True', PasswordPWsys=''");
  ASSERT_NE(s.Lock(), nullptr);
  s.Type(QString());
  EXPECT_FALSE(s.Lock()->isVisible());
  EXPECT_FALSE(s.Lock()->Prompt()->isVisible());
  EXPECT_TRUE(s.window->Schedule()->tmrStartCheckRecMailTime.isActive());
}

}  // namespace
