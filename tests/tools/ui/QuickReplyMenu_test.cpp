// The quick replies in the main window: the menu under the compose page's 签名 button, the paste
// into the mail editor, and the menu following the manager's changes.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTest>

#include "app/Unit1.h"
#include "platform/HtmlEditor.h"
#include "platform/ScriptedDialogs.h"
#include "send/ComposePage.h"
#include "tools/QuickReplies.h"
#include "tools/kuaihuifu.h"

namespace {

class QuickReplyMenu : public ::testing::Test {
 protected:
  void SetUp() override {
    window_ = std::make_unique<app::TForm1>(dir_.path(), &data_);
    window_->show();
    QSignalSpy finished(window_.get(), &app::TForm1::startUpFinished);
    ASSERT_TRUE(window_->StartUpDone() || finished.wait(5000));
  }
  QMenu* Menu() const { return window_->Menus().QuickReturn; }
  QStringList Captions() const {
    QStringList captions;
    for (const QAction* action : Menu()->actions())
      captions << (action->isSeparator() ? QStringLiteral("-") : action->text());
    return captions;
  }
  QAction* Entry(const QString& caption) const {
    for (QAction* action : Menu()->actions()) {
      if (action->text() == caption) return action;
    }
    return nullptr;
  }
  QString EditorBody() const {
    QString body;
    window_->Compose()->Editor()->ReadContent(
        [&](const platform::EditorContent& c) { body = c.bodyInnerHtml + "|" + c.bodyText; });
    return body;
  }
  tools::TKuaihuiSet* OpenManager() {
    Menu()->actions().at(0)->trigger();
    auto* manager = window_->findChild<tools::TKuaihuiSet*>();
    if (manager) manager->tmrLoad.setInterval(0);
    return manager;
  }

  QTemporaryDir dir_;
  app::TDataQX data_;
  std::unique_ptr<app::TForm1> window_;
};

TEST_F(QuickReplyMenu, TheButtonPopsTheMenuOnlyOnTheComposePage) {
  QPushButton* button = window_->Compose()->QuickReplyButton();
  EXPECT_EQ(Captions(), (QStringList{"快捷回复菜单", "-", "时间/日期", "公告栏", "意见栏"}));
  EXPECT_TRUE(Menu()->actions().at(0)->isEnabled());
  emit window_->Compose()->quickReplyMenuWanted();
  EXPECT_FALSE(Menu()->isVisible());

  window_->NewMailClick();
  EXPECT_FALSE(button->isHidden());
  emit window_->Compose()->quickReplyMenuWanted();
  EXPECT_TRUE(Menu()->isVisible());
  Menu()->hide();
}

TEST_F(QuickReplyMenu, DateAndTimePastesTheClockWhateverItHolds) {
  window_->NewMailClick();
  store::Query q(*data_.ADOCDUser);
  q.AddLine("update kuaihuifu set content = '<p>stored</p>' where Subject = '时间/日期'");
  ASSERT_TRUE(q.ExecSql()) << q.Error();
  const std::time_t before = std::time(nullptr);
  Entry("时间/日期")->trigger();
  const std::time_t after = std::time(nullptr);
  const QString body = EditorBody();
  EXPECT_FALSE(body.contains("stored"));
  EXPECT_TRUE(body.contains(QString::fromStdString(tools::DateTimeText(before))) ||
              body.contains(QString::fromStdString(tools::DateTimeText(after))))
      << body.toStdString();
}

TEST_F(QuickReplyMenu, TheManagersChangesReachTheMenuAndAQuotedNamePastes) {
  platform::ScriptedDialogs script;
  platform::ScopedDialogs use(&script);
  tools::TKuaihuiSet* manager = OpenManager();
  ASSERT_NE(manager, nullptr);
  EXPECT_TRUE(manager->isVisible());

  manager->btnNewClick();
  manager->edtName->setText("Tom's");
  manager->Editor()->SetBodyHtml("<b>regards</b>");
  manager->btnApplyClick();
  ASSERT_NE(Entry("Tom's"), nullptr);
  EXPECT_EQ(Entry("Tom's")->toolTip(), "Tom's");

  window_->NewMailClick();
  Entry("Tom's")->trigger();
  EXPECT_TRUE(EditorBody().contains("regards")) << EditorBody().toStdString();

  manager->edtName->setText("Tom's");
  script.answers.push_back(platform::Answer::Yes);
  manager->btnDeleteClick();
  EXPECT_EQ(Entry("Tom's"), nullptr);
  EXPECT_EQ(Captions().size(), 5);
  // Opening it again shows the same window.
  EXPECT_EQ(OpenManager(), manager);
}

}  // namespace
