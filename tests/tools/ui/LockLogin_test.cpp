#include "tools/loginLock.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "tools/InforTishi.h"

namespace {

class LockWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    main_.setGeometry(100, 80, 700, 550);
    main_.show();
    lock_.SetPassword(QStringLiteral("Pass word"));
    lock_.ShowOver(&main_);
  }
  void Try(const QString& typed) {
    lock_.edtPassword->setText(typed);
    QTest::mouseClick(lock_.btnOk, Qt::LeftButton);
  }

  QWidget main_;
  tools::TLockLogin lock_;
  QSignalSpy opened_{&lock_, &QDialog::accepted};
  QSignalSpy refused_{&lock_, &QDialog::rejected};
};

TEST_F(LockWindow, IsABorderlessModalWindowCentredOnTheMainWindow) {
  EXPECT_TRUE(lock_.isVisible());
  EXPECT_TRUE(lock_.windowFlags().testFlag(Qt::FramelessWindowHint));
  EXPECT_EQ(lock_.windowModality(), Qt::ApplicationModal);
  EXPECT_LE((lock_.geometry().center() - main_.frameGeometry().center()).manhattanLength(), 1);
  QStringList labels;
  for (const QLabel* label : lock_.findChildren<QLabel*>())
    labels << label->text();
  EXPECT_TRUE(labels.contains("用户名：Tenv客户端"));
  EXPECT_TRUE(labels.contains("密  码："));
  lock_.edtPassword->setText(QStringLiteral("密码 pw"));
  EXPECT_EQ(lock_.edtPassword->displayText(), "*****");
  EXPECT_EQ(lock_.btnOk->text(), "确定");
  EXPECT_EQ(lock_.btnCancel->text(), "取消");
  EXPECT_EQ(lock_.btnForget->text(), "忘记密码");
}

TEST_F(LockWindow, OnlyTheExactPasswordOpensItAndAWrongOneIsPromptedWithRetries) {
  for (const char* wrong : {"pass word", "Pass word ", " Pass word", "Password", ""}) {
    Try(QString::fromUtf8(wrong));
    tools::TInforTishi* prompt = lock_.Prompt();
    ASSERT_TRUE(prompt->isVisible()) << wrong;
    EXPECT_EQ(prompt->windowTitle(), "提示");
    EXPECT_EQ(prompt->Message(), "密码错误,请新重输入!");
    EXPECT_TRUE(prompt->isModal());
    QTest::mouseClick(prompt->btnOk, Qt::LeftButton);
    EXPECT_FALSE(prompt->isVisible());
    EXPECT_TRUE(lock_.isVisible()) << wrong;
  }
  EXPECT_EQ(opened_.size(), 0);
  Try(QStringLiteral("Pass word"));
  EXPECT_EQ(opened_.size(), 1);
  EXPECT_FALSE(lock_.isVisible());
  EXPECT_EQ(refused_.size(), 0);
}

TEST_F(LockWindow, CancelAndEscapeRefuseAndForgottenPasswordDoesNothing) {
  QTest::mouseClick(lock_.btnForget, Qt::LeftButton);
  EXPECT_TRUE(lock_.isVisible());
  EXPECT_FALSE(lock_.Prompt()->isVisible());
  EXPECT_EQ(opened_.size() + refused_.size(), 0);

  QTest::mouseClick(lock_.btnCancel, Qt::LeftButton);
  EXPECT_EQ(refused_.size(), 1);
  EXPECT_FALSE(lock_.isVisible());

  lock_.ShowOver(nullptr);
  QTest::keyClick(lock_.edtPassword, Qt::Key_Escape);
  EXPECT_EQ(refused_.size(), 2);
  EXPECT_EQ(opened_.size(), 0);
}

}  // namespace
