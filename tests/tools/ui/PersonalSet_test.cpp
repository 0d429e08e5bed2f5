#include "tools/PersonalSet1.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <memory>

#include "app/StartupSettings.h"
#include "platform/ScriptedDialogs.h"
#include "store/DataFiles.h"
#include "store/Database.h"
#include "store/Stores.h"
#include "tests/tools/AccountsFolder.h"

namespace {

class PersonalSetWindow : public tools_test::AccountsFolderTest {
 protected:
  void SetUp() override {
    AccountsFolderTest::SetUp();
    if (HasFatalFailure()) return;
    window_ = std::make_unique<tools::TPersonalSet>([this] { return accounts_.get(); });
  }
  void Run(const std::string& sql) {
    std::string error;
    ASSERT_TRUE(accounts_->Execute(sql, &error)) << error;
  }
  void Type(QLineEdit* field, const QString& text) { field->setText(text); }
  void Apply() { QTest::mouseClick(window_->btnApply, Qt::LeftButton); }

  std::unique_ptr<tools::TPersonalSet> window_;
  platform::ScriptedDialogs script_;
  platform::ScopedDialogs useScript_{&script_};
};

TEST_F(PersonalSetWindow, ShowsTheRowWithMaskedPasswordsAndIsNotModal) {
  Run("update PersonalSet set IsPlaySound='n', IsAutoRecMail='y', SetPassword='True', "
      "PasswordPWsys='s3cret'");
  window_->ShowSettings();
  EXPECT_TRUE(window_->isVisible());
  EXPECT_FALSE(window_->isModal());
  EXPECT_EQ(window_->windowTitle(), "个人基本设置");
  EXPECT_EQ(window_->btnApply->text(), "应  用");
  EXPECT_EQ(window_->RowId(), Stored().id);
  EXPECT_FALSE(window_->chkSound->isChecked());
  EXPECT_TRUE(window_->chkAutoRec->isChecked());
  EXPECT_TRUE(window_->chkPassword->isChecked());
  for (QLineEdit* field : {window_->edtPassword, window_->edtConfirm}) {
    EXPECT_EQ(field->text(), "s3cret");
    EXPECT_EQ(field->echoMode(), QLineEdit::Password);
    EXPECT_EQ(field->displayText(), "******");
  }
}

TEST_F(PersonalSetWindow, TheTimerEnablesThePasswordFieldsOnlyWhileTheLockIsTicked) {
  window_->ShowSettings();
  EXPECT_EQ(window_->Timer1.interval(), 500);
  EXPECT_TRUE(window_->Timer1.isActive());
  EXPECT_FALSE(window_->edtPassword->isEnabled());  // a new file: the lock is off
  window_->chkPassword->setChecked(true);
  EXPECT_FALSE(window_->edtPassword->isEnabled());  // until the timer looks
  window_->Timer1Timer();
  EXPECT_TRUE(window_->edtPassword->isEnabled());
  EXPECT_TRUE(window_->edtConfirm->isEnabled());
  window_->chkPassword->setChecked(false);
  window_->Timer1Timer();
  EXPECT_FALSE(window_->edtConfirm->isEnabled());
  window_->hide();
  EXPECT_FALSE(window_->Timer1.isActive());
}

TEST_F(PersonalSetWindow, HalfFilledOrDifferentPasswordsAreRefusedAndNothingIsSaved) {
  window_->ShowSettings();
  const app::PersonalRow before = Stored();
  window_->chkPassword->setChecked(true);
  window_->chkSound->setChecked(false);
  Type(window_->edtPassword, "pw");
  Apply();
  Type(window_->edtPassword, "");
  Type(window_->edtConfirm, "pw");
  Apply();
  Type(window_->edtPassword, "pW");
  Apply();
  ASSERT_EQ(script_.asked.size(), 3u);
  EXPECT_EQ(script_.asked[0].text, "请再次输入密码!");
  EXPECT_EQ(script_.asked[1].text, "请再次输入密码!");
  EXPECT_EQ(script_.asked[2].text, "两次输入的密码不一致!");
  const app::PersonalRow after = Stored();
  EXPECT_EQ(after.setPassword, before.setPassword);
  EXPECT_EQ(after.isPlaySound, before.isPlaySound);
}

TEST_F(PersonalSetWindow, ApplyWritesTheRowSilentlyAndTheSoundFollowsAtOnce) {
  window_->ShowSettings();
  QSignalSpy sound(window_.get(), &tools::TPersonalSet::soundChanged);
  window_->chkSound->setChecked(false);
  window_->chkAutoRec->setChecked(true);
  window_->chkPassword->setChecked(true);
  Type(window_->edtPassword, "  pw ");
  Type(window_->edtConfirm, "  pw ");
  Apply();
  EXPECT_TRUE(script_.asked.empty());  // no confirmation
  ASSERT_EQ(sound.size(), 1);
  EXPECT_FALSE(sound.at(0).at(0).toBool());
  const app::PersonalRow row = Stored();
  EXPECT_EQ(row.isPlaySound, "n");
  EXPECT_EQ(row.isAutoRecMail, "y");
  EXPECT_EQ(row.setPassword, "True");
  EXPECT_EQ(row.passwordPWsys, "pw");
}

TEST_F(PersonalSetWindow, TheLockWithBothFieldsEmptyIsOnWithAnEmptyPassword) {
  window_->ShowSettings();
  window_->chkPassword->setChecked(true);
  Apply();
  EXPECT_TRUE(script_.asked.empty());
  EXPECT_EQ(Stored().setPassword, "True");
  EXPECT_EQ(Stored().passwordPWsys, "");
  const app::StartupSettings next = app::SettingsOf(Stored());
  EXPECT_TRUE(next.locked);
  EXPECT_EQ(next.lockPassword, "");
}

TEST_F(PersonalSetWindow, AnUntickedLockWritesNoAndTheNextShowingHasEmptyFields) {
  Run("update PersonalSet set SetPassword='True', PasswordPWsys='pw'");
  window_->ShowSettings();
  window_->chkPassword->setChecked(false);
  Apply();
  EXPECT_EQ(Stored().setPassword, "False");
  EXPECT_EQ(Stored().passwordPWsys, "No");
  window_->hide();
  window_->ShowSettings();
  EXPECT_FALSE(window_->chkPassword->isChecked());
  EXPECT_EQ(window_->edtPassword->text(), "");
  EXPECT_EQ(window_->edtConfirm->text(), "");
}

TEST_F(PersonalSetWindow, AnUnknownLockMarkerLeavesTheBoxAndFieldsAsTheyWere) {
  window_->chkPassword->setChecked(true);
  window_->edtPassword->setText("kept");
  Run("update PersonalSet set SetPassword='maybe', PasswordPWsys='other', IsPlaySound='y'");
  window_->ShowSettings();
  EXPECT_TRUE(window_->chkSound->isChecked());
  EXPECT_TRUE(window_->chkPassword->isChecked());
  EXPECT_EQ(window_->edtPassword->text(), "kept");
}

TEST_F(PersonalSetWindow, ASaveThatFailsIsReportedNotSwallowed) {
  window_->ShowSettings();
  QSignalSpy sound(window_.get(), &tools::TPersonalSet::soundChanged);
  Run("delete from PersonalSet");
  Apply();
  ASSERT_EQ(script_.asked.size(), 1u);
  EXPECT_TRUE(script_.asked[0].text.startsWith("无法保存个人设置"));
  EXPECT_EQ(script_.asked[0].icon, platform::Icon::Critical);
  EXPECT_EQ(sound.size(), 0);
}

}  // namespace
