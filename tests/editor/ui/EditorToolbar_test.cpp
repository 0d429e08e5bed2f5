// The compose toolbar and the editor's popup menu over the light editor: what each control
// sends, and which controls the editor's states enable.

#include "editor/EditorToolbar.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFontDatabase>
#include <QSignalSpy>
#include <QTest>
#include <QTextCursor>
#include <QTextEdit>
#include <QToolButton>
#include <utility>
#include <vector>

#include "editor/EditorMenu.h"
#include "platform/ScriptedDialogs.h"
#include "platform/TextHtmlEditor.h"

namespace {

using Button = editor::EditorToolbar::Button;
using Command = std::pair<QString, QString>;

// The light editor, recording what it was asked to do.
class RecordingEditor : public platform::TextHtmlEditor {
 public:
  std::vector<Command> commands;  // ExecCommand calls: name and value
  QStringList backgrounds;
  int focusRequests = 0;

  void ExecCommand(const QString& command, const QString& value = QString()) override {
    commands.emplace_back(command, value);
    TextHtmlEditor::ExecCommand(command, value);
  }
  void SetBodyBackground(const QString& color) override {
    backgrounds << color;
    TextHtmlEditor::SetBodyBackground(color);
  }
  void FocusEditor() override {
    ++focusRequests;
    TextHtmlEditor::FocusEditor();
  }
  void Cut() override {
    commands.emplace_back("Cut", QString());
    TextHtmlEditor::Cut();
  }
  void Copy() override {
    commands.emplace_back("Copy", QString());
    TextHtmlEditor::Copy();
  }
  void Undo() override {
    commands.emplace_back("Undo", QString());
    TextHtmlEditor::Undo();
  }

  platform::EditorContent Content() {
    platform::EditorContent content;
    ReadContent([&](const platform::EditorContent& c) { content = c; });
    return content;
  }
  // Selects the whole text, as the user would with the mouse.
  void SelectText() {
    QTextCursor cursor = Edit()->textCursor();
    cursor.select(QTextCursor::Document);
    Edit()->setTextCursor(cursor);
  }
};

class Toolbar : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::InstallDialogs(&dialogs_);
    QApplication::clipboard()->clear();
    toolbar_.SetEditor(&editor_);
    editor_.SetBodyHtml("<p>mail text</p>");
  }
  void TearDown() override { platform::InstallDialogs(nullptr); }

  void Click(Button button) { QTest::mouseClick(toolbar_.ButtonFor(button), Qt::LeftButton); }
  Command Last() const { return editor_.commands.empty() ? Command() : editor_.commands.back(); }

  platform::ScriptedDialogs dialogs_;
  RecordingEditor editor_;
  editor::EditorToolbar toolbar_;
};

TEST_F(Toolbar, EachButtonSendsItsCommandAndGivesTheFocusBack) {
  const std::vector<std::pair<Button, const char*>> buttons = {
      {Button::Bold, "Bold"},
      {Button::Italic, "Italic"},
      {Button::UnderLine, "UnderLine"},
      {Button::JustifyLeft, "JustifyLeft"},
      {Button::JustifyCenter, "JustifyCenter"},
      {Button::JustifyRight, "JustifyRight"},
      {Button::Rule, "InsertHorizontalRule"},
      {Button::OrderedList, "InsertOrderedList"},
      {Button::UnorderedList, "InsertUnOrderedList"},
  };
  for (const auto& [button, command] : buttons) {
    const int focus = editor_.focusRequests;
    Click(button);
    EXPECT_EQ(Last(), Command(command, QString())) << command;
    EXPECT_EQ(editor_.focusRequests, focus + 1) << command;
  }
  EXPECT_EQ(toolbar_.ButtonFor(Button::Bold)->text(), "B");
  EXPECT_EQ(toolbar_.ButtonFor(Button::JustifyCenter)->text(), "中");
  EXPECT_EQ(toolbar_.ButtonFor(Button::Rule)->text(), "-");
}

TEST_F(Toolbar, FormattingReachesTheDocument) {
  editor_.SelectText();
  Click(Button::Bold);
  Click(Button::Italic);
  Click(Button::JustifyRight);
  Click(Button::UnorderedList);
  const QString html = editor_.Content().bodyInnerHtml;
  EXPECT_TRUE(html.contains("font-weight:700")) << html.toStdString();
  EXPECT_TRUE(html.contains("font-style:italic")) << html.toStdString();
  EXPECT_TRUE(html.contains("align=\"right\"")) << html.toStdString();
  EXPECT_TRUE(html.contains("<ul")) << html.toStdString();
  // Bold again takes it off; the same list again takes the paragraph out of it.
  Click(Button::Bold);
  Click(Button::UnorderedList);
  const QString after = editor_.Content().bodyInnerHtml;
  EXPECT_FALSE(after.contains("font-weight:700")) << after.toStdString();
  EXPECT_FALSE(after.contains("<ul")) << after.toStdString();
  EXPECT_TRUE(after.contains("mail text"));
}

TEST_F(Toolbar, SizeListSendsTheNumberMinusEight) {
  QComboBox* sizes = toolbar_.SizeList();
  ASSERT_EQ(sizes->count(), 6);
  EXPECT_EQ(sizes->itemText(0), "10");
  EXPECT_EQ(sizes->itemText(5), "15");
  EXPECT_EQ(sizes->currentText(), "11");
  QTest::keyClick(sizes, Qt::Key_End);
  EXPECT_EQ(Last(), Command("FontSize", "7"));
  QTest::keyClick(sizes, Qt::Key_Home);
  EXPECT_EQ(Last(), Command("FontSize", "2"));
  QTest::keyClick(sizes, Qt::Key_Down);
  EXPECT_EQ(Last(), Command("FontSize", "3"));
  // What the light editor makes of it: the point size of HTML size 3.
  editor_.SelectText();
  QTest::keyClick(sizes, Qt::Key_End);
  EXPECT_TRUE(editor_.Content().bodyInnerHtml.contains("font-size:36pt"));
}

TEST_F(Toolbar, FontListShowsSongTiAndSendsTheChosenName) {
  QComboBox* fonts = toolbar_.FontList();
  EXPECT_EQ(fonts->currentText(), "宋体");
  EXPECT_GE(fonts->count(), 1);
  for (const QString& family : QFontDatabase::families())
    EXPECT_GE(fonts->findText(family), 0) << family.toStdString();
  if (fonts->currentIndex() + 1 < fonts->count()) {
    const QString next = fonts->itemText(fonts->currentIndex() + 1);
    QTest::keyClick(fonts, Qt::Key_Down);
    EXPECT_EQ(Last(), Command("FontName", next));
  }
  QTest::keyClick(fonts, Qt::Key_Home);
  EXPECT_EQ(Last(), Command("FontName", fonts->itemText(0)));
}

TEST_F(Toolbar, FontColourStartsAtTheCurrentColourAndSendsTheChosenOne) {
  editor_.SelectText();
  editor_.ExecCommand("ForeColor", "#ff0000");
  dialogs_.texts = {"#00ff00"};
  const int focus = editor_.focusRequests;
  Click(Button::ForeColor);
  ASSERT_EQ(dialogs_.asked.size(), 1u);
  EXPECT_EQ(dialogs_.asked[0].kind, platform::ScriptedDialogs::Kind::Color);
  EXPECT_EQ(dialogs_.asked[0].text, "#ff0000");  // the chooser's starting colour
  EXPECT_EQ(Last(), Command("ForeColor", "#00ff00"));
  EXPECT_EQ(editor_.focusRequests, focus + 1);

  // Cancelled: nothing is sent, and the editor has the focus again.
  const std::size_t sent = editor_.commands.size();
  Click(Button::ForeColor);
  EXPECT_EQ(editor_.commands.size(), sent);
  EXPECT_EQ(editor_.focusRequests, focus + 2);
}

TEST_F(Toolbar, LinkAsksTheAddressAndRefusesOnesThatRunCode) {
  editor_.SelectText();
  dialogs_.texts = {" http://127.0.0.1/page "};
  Click(Button::Link);
  ASSERT_EQ(dialogs_.asked.size(), 1u);
  EXPECT_EQ(dialogs_.asked[0].kind, platform::ScriptedDialogs::Kind::Input);
  EXPECT_EQ(dialogs_.asked[0].folder, "http://");  // the box's starting text
  EXPECT_EQ(Last(), Command("CreateLink", "http://127.0.0.1/page"));
  EXPECT_TRUE(editor_.Content().bodyInnerHtml.contains("href=\"http://127.0.0.1/page\""));

  const std::size_t sent = editor_.commands.size();
  for (const char* refused : {"javascript:alert(1)", "http://", ""}) {
    dialogs_.texts = {refused};
    Click(Button::Link);
    EXPECT_EQ(editor_.commands.size(), sent) << refused;
  }
}

TEST_F(Toolbar, BackgroundSetsTheBodysColourAsChosen) {
  dialogs_.texts = {"#102030"};
  Click(Button::Background);
  // The chooser's number goes through RGB2BGR into the page's red-first form: the colour the
  // user chose, not one with red and blue exchanged.
  EXPECT_EQ(editor_.backgrounds, QStringList{"#102030"});
  EXPECT_TRUE(editor_.Content().bodyOuterHtml.startsWith("<body bgcolor=\"#102030\">"));
  // A new body keeps the background.
  editor_.SetBodyHtml("<p>other</p>");
  EXPECT_TRUE(editor_.Content().bodyOuterHtml.startsWith("<body bgcolor=\"#102030\">"));
}

TEST_F(Toolbar, ClipboardButtonsFollowTheEditorsStates) {
  QToolButton* cut = toolbar_.ButtonFor(Button::Cut);
  QToolButton* copy = toolbar_.ButtonFor(Button::Copy);
  QToolButton* paste = toolbar_.ButtonFor(Button::Paste);
  QToolButton* undo = toolbar_.ButtonFor(Button::Undo);
  EXPECT_EQ(cut->text(), "剪切");
  EXPECT_EQ(paste->text(), "粘贴");
  EXPECT_FALSE(cut->isEnabled());
  EXPECT_FALSE(copy->isEnabled());
  EXPECT_FALSE(paste->isEnabled());  // nothing on the clipboard
  EXPECT_FALSE(undo->isEnabled());   // a new document

  editor_.SelectText();
  EXPECT_TRUE(cut->isEnabled());
  EXPECT_TRUE(copy->isEnabled());
  QTest::mouseClick(cut, Qt::LeftButton);
  EXPECT_EQ(Last(), Command("Cut", QString()));
  EXPECT_EQ(QApplication::clipboard()->text(), "mail text");
  EXPECT_FALSE(cut->isEnabled());  // nothing selected any more
  EXPECT_TRUE(paste->isEnabled());
  EXPECT_TRUE(undo->isEnabled());

  QTest::mouseClick(paste, Qt::LeftButton);
  EXPECT_EQ(Last(), Command("PASTE", QString()));
  EXPECT_EQ(editor_.Content().bodyText, "mail text");
  QTest::mouseClick(undo, Qt::LeftButton);
  EXPECT_EQ(Last(), Command("Undo", QString()));
  EXPECT_EQ(editor_.Content().bodyText, "");

  // Another editor: the buttons follow its states, not the old one's.
  RecordingEditor other;
  toolbar_.SetEditor(&other);
  EXPECT_FALSE(undo->isEnabled());
  editor_.SelectText();
  QTest::keyClicks(editor_.KeyTarget(), "x");
  EXPECT_FALSE(cut->isEnabled());
}

TEST_F(Toolbar, ControlsWithoutAnEditorDoNothing) {
  toolbar_.SetEditor(nullptr);
  dialogs_.texts = {"#ffffff", "http://127.0.0.1/"};
  Click(Button::Bold);
  Click(Button::ForeColor);
  Click(Button::Link);
  Click(Button::Background);
  EXPECT_TRUE(editor_.commands.empty());
  EXPECT_TRUE(dialogs_.asked.empty());
  EXPECT_FALSE(toolbar_.ButtonFor(Button::Paste)->isEnabled());
}

TEST_F(Toolbar, EmoticonAndCaptureArePresentButDisabled) {
  EXPECT_FALSE(toolbar_.ButtonFor(Button::Emoticon)->isEnabled());
  QToolButton* capture = toolbar_.ButtonFor(Button::Capture);
  EXPECT_EQ(capture->text(), "截图");
  EXPECT_FALSE(capture->isEnabled());
}

class Menu : public ::testing::Test {
 protected:
  void SetUp() override {
    QApplication::clipboard()->clear();
    menu_.SetEditor(&editor_);
    editor_.SetBodyHtml("<p>one <a href=\"http://127.0.0.1/\">link</a> two</p>");
  }

  RecordingEditor editor_;
  editor::EditorMenu menu_;
};

TEST_F(Menu, HasTheItemsInOrderWithTheToolbarsEnabling) {
  QStringList texts;
  for (QAction* action : menu_.actions()) {
    if (!action->isSeparator()) texts << action->text();
  }
  EXPECT_EQ(texts, (QStringList{"剪切", "复制", "粘贴", "撤销", "全选", "删除", "取消超链接"}));
  EXPECT_FALSE(menu_.cutAction()->isEnabled());
  EXPECT_FALSE(menu_.copyAction()->isEnabled());
  EXPECT_FALSE(menu_.pasteAction()->isEnabled());
  EXPECT_TRUE(menu_.selectAllAction()->isEnabled());
  EXPECT_TRUE(menu_.unlinkAction()->isEnabled());

  menu_.selectAllAction()->trigger();
  EXPECT_EQ(editor_.commands.back(), Command("SelectAll", QString()));
  EXPECT_TRUE(menu_.cutAction()->isEnabled());
  EXPECT_TRUE(menu_.copyAction()->isEnabled());
  menu_.copyAction()->trigger();
  EXPECT_EQ(QApplication::clipboard()->text(), "one link two");
  EXPECT_TRUE(menu_.pasteAction()->isEnabled());
}

TEST_F(Menu, UnlinkAndDeleteActOnTheSelection) {
  menu_.selectAllAction()->trigger();
  menu_.unlinkAction()->trigger();
  EXPECT_EQ(editor_.commands.back(), Command("UnLink", QString()));
  EXPECT_FALSE(editor_.Content().bodyInnerHtml.contains("href"))
      << editor_.Content().bodyInnerHtml.toStdString();
  EXPECT_EQ(editor_.Content().bodyText, "one link two");
  menu_.deleteAction()->trigger();
  EXPECT_EQ(editor_.commands.back(), Command("delete", QString()));
  EXPECT_EQ(editor_.Content().bodyText, "");
  EXPECT_TRUE(menu_.undoAction()->isEnabled());
  menu_.undoAction()->trigger();
  EXPECT_EQ(editor_.Content().bodyText, "one link two");
}

TEST_F(Menu, OpensWhereTheEditorAsksForIt) {
  QWidget window;
  editor_.setParent(&window);
  window.show();
  emit editor_.Edit()->customContextMenuRequested(QPoint(5, 5));
  EXPECT_TRUE(QTest::qWaitFor([&] { return menu_.isVisible(); }, 2000));
  menu_.close();
  // Joined to another editor, the old one's requests no longer open it.
  RecordingEditor other;
  menu_.SetEditor(&other);
  emit editor_.Edit()->customContextMenuRequested(QPoint(5, 5));
  QTest::qWait(50);
  EXPECT_FALSE(menu_.isVisible());
  editor_.setParent(nullptr);
}

}  // namespace
