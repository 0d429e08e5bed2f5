#include "tools/kuaihuifu.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "platform/ScriptedDialogs.h"
#include "tests/send/ui/FakeHtmlEditor.h"
#include "tests/store/MailStore.h"

namespace {

// The fake mail editor, also recording the commands it was given.
class RecordingEditor : public sendtest::FakeHtmlEditor {
 public:
  QStringList commands;  // "name=value"
  QString colour = QStringLiteral("rgb(255, 0, 0)");
  void ExecCommand(const QString& command, const QString& value = QString()) override {
    commands << command + "=" + value;
  }
  void QueryCommandValue(const QString& /*command*/,
                         std::function<void(const QString&)> done) override {
    done(colour);
  }
};

class Manager : public store_test::MailStoreTest {
 protected:
  void SetUp() override {
    MailStoreTest::SetUp();
    query_ = std::make_unique<store::Query>(*db_);
    Add("周报", "<p>week</p>");
    editor_ = new RecordingEditor;
    window_ = std::make_unique<tools::TKuaihuiSet>(*query_, editor_);
    window_->tmrLoad.setInterval(0);
    changes_ = std::make_unique<QSignalSpy>(window_.get(), &tools::TKuaihuiSet::snippetsChanged);
    window_->show();
    WaitForLoad();
  }
  void Add(const std::string& name, const std::string& content) {
    store::Query insert(*db_);
    insert.AddLine("insert into kuaihuifu (Subject, content) values (:s, :c)");
    insert.SetText("s", name);
    insert.SetText("c", content);
    ASSERT_TRUE(insert.ExecSql()) << insert.Error();
  }
  void WaitForLoad() {
    if (!window_->tmrLoad.isActive()) return;
    QSignalSpy loaded(&window_->tmrLoad, &QTimer::timeout);
    ASSERT_TRUE(loaded.wait(1000));
  }
  QStringList Names() const {
    QStringList names;
    for (int i = 0; i < window_->cbbNames->count(); ++i)
      names << window_->cbbNames->itemText(i);
    return names;
  }
  void Choose(const QString& name) {
    const int index = window_->cbbNames->findText(name);
    ASSERT_GE(index, 0) << name.toStdString();
    window_->cbbNames->setCurrentIndex(index);
    window_->cbbNamesChange(index);
  }

  platform::ScriptedDialogs script_;
  platform::ScopedDialogs use_{&script_};
  std::unique_ptr<store::Query> query_;
  RecordingEditor* editor_ = nullptr;
  std::unique_ptr<tools::TKuaihuiSet> window_;
  std::unique_ptr<QSignalSpy> changes_;
};

TEST_F(Manager, ShowingListsTheNamesAndLoadsTheDateAndTimeEntry) {
  EXPECT_EQ(Names(), (QStringList{"时间/日期", "公告栏", "意见栏", "周报"}));
  EXPECT_EQ(window_->edtName->text(), "时间/日期");
  EXPECT_EQ(window_->cbbNames->currentText(), "时间/日期");
  EXPECT_GT(window_->cbbFont->count(), 0);
  Choose("周报");
  EXPECT_EQ(window_->edtName->text(), "周报");
  EXPECT_EQ(editor_->body, "<p>week</p>");
}

TEST_F(Manager, ApplyWithoutANameAddsNothing) {
  window_->btnNewClick();
  EXPECT_EQ(editor_->body, "<DIV><FONT face=宋体 size=2></FONT></DIV>");
  EXPECT_EQ(window_->cbbNames->currentIndex(), -1);
  window_->edtName->setText("   ");
  window_->btnApplyClick();
  ASSERT_EQ(script_.asked.size(), 1u);
  EXPECT_EQ(script_.asked[0].text, "主题不能为空");
  EXPECT_EQ(Count("kuaihuifu"), 4);
  EXPECT_EQ(changes_->count(), 0);
}

TEST_F(Manager, ApplyAddsANewSnippetAndTheListAndMenuFollow) {
  window_->btnNewClick();
  window_->edtName->setText(" 会议 ");
  editor_->body = "<p>meeting</p>";
  window_->btnApplyClick();
  ASSERT_EQ(script_.asked.size(), 1u);
  EXPECT_EQ(script_.asked[0].text, "插入成功!");
  EXPECT_EQ(Count("kuaihuifu", "Subject = '会议' and content = '<body><p>meeting</p></body>'"), 1);
  EXPECT_EQ(Names().last(), "会议");
  EXPECT_EQ(changes_->count(), 1);
  // The date and time entry comes back shortly after.
  WaitForLoad();
  EXPECT_EQ(window_->edtName->text(), "时间/日期");
}

TEST_F(Manager, EnterInTheNameFieldApplies) {
  window_->btnNewClick();
  window_->edtName->setText("会议");
  QTest::keyClick(window_->edtName, Qt::Key_Return);
  ASSERT_EQ(script_.asked.size(), 1u);
  EXPECT_EQ(script_.asked[0].text, "插入成功!");
  EXPECT_TRUE(window_->isVisible());
}

TEST_F(Manager, ApplyToAnExistingNameChangesThatSnippet) {
  Choose("周报");
  editor_->body = "<p>changed</p>";
  window_->btnApplyClick();
  ASSERT_EQ(script_.asked.size(), 1u);
  EXPECT_EQ(script_.asked[0].text, "修改成功!");
  EXPECT_EQ(Count("kuaihuifu", "Subject = '周报'"), 1);
  EXPECT_EQ(Count("kuaihuifu", "content = '<body><p>changed</p></body>'"), 1);
  EXPECT_EQ(Names().count("周报"), 1);
  EXPECT_EQ(changes_->count(), 1);
}

TEST_F(Manager, DeletingABuiltInOrNothingAsksNothing) {
  Choose("公告栏");
  window_->btnDeleteClick();
  window_->edtName->clear();
  window_->btnDeleteClick();
  EXPECT_TRUE(script_.asked.empty());
  EXPECT_EQ(Count("kuaihuifu"), 4);
  EXPECT_EQ(changes_->count(), 0);
}

TEST_F(Manager, DeleteAsksAndRemovesOnYesOnly) {
  Choose("周报");
  script_.answers.push_back(platform::Answer::No);
  window_->btnDeleteClick();
  ASSERT_EQ(script_.asked.size(), 1u);
  EXPECT_EQ(script_.asked[0].text, "确定要删除吗?");
  EXPECT_EQ(script_.asked[0].buttons, platform::Buttons::YesNo);
  EXPECT_EQ(Count("kuaihuifu"), 4);

  script_.answers.push_back(platform::Answer::Yes);
  window_->btnDeleteClick();
  EXPECT_EQ(Count("kuaihuifu", "Subject = '周报'"), 0);
  EXPECT_EQ(Names(), (QStringList{"时间/日期", "公告栏", "意见栏"}));
  EXPECT_EQ(changes_->count(), 1);
}

TEST_F(Manager, ToolbarSendsTheEditorCommands) {
  window_->cbbSize->setCurrentIndex(0);
  window_->cbbSizeChange(0);
  window_->cbbSizeChange(5);
  EXPECT_EQ(window_->cbbSize->itemText(5), "16");
  window_->cbbFontChange(0);
  script_.texts.push_back("#00ff00");
  window_->btnColorClick();
  ASSERT_EQ(editor_->commands.size(), 4);
  EXPECT_EQ(editor_->commands[0], "FontSize=2");
  EXPECT_EQ(editor_->commands[1], "FontSize=7");
  EXPECT_EQ(editor_->commands[2], "FontName=" + window_->cbbFont->itemText(0));
  EXPECT_EQ(editor_->commands[3], "ForeColor=#00ff00");
  ASSERT_EQ(script_.asked.size(), 1u);
  EXPECT_EQ(script_.asked[0].kind, platform::ScriptedDialogs::Kind::Color);
}

TEST_F(Manager, APictureNameIsEscapedInTheHtml) {
  editor_->body.clear();
  script_.texts.push_back("/tmp/a\"b<c>.png");
  window_->btnPictureClick();
  EXPECT_EQ(editor_->body, "<IMG src=\"file:///tmp/a%22b%3Cc%3E.png\">");
  EXPECT_FALSE(editor_->body.contains("a\"b"));
  window_->btnPictureClick();  // cancelled: nothing more
  EXPECT_EQ(editor_->body.count("<IMG"), 1);
}

TEST_F(Manager, ClosingEmptiesTheEditorAndStopsTheLoad) {
  Choose("周报");
  window_->tmrLoad.start();
  window_->btnCancel->click();
  EXPECT_FALSE(window_->isVisible());
  EXPECT_FALSE(window_->tmrLoad.isActive());
  EXPECT_EQ(editor_->body, "<DIV><FONT face=宋体 size=2></FONT></DIV>");
}

}  // namespace
