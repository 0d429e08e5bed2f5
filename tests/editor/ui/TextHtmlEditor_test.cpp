// The light editor that the toolbar's tests stand on: it must behave as the browser-engine
// editor does where the compose page can tell.

#include "platform/TextHtmlEditor.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>
#include <QTextCursor>
#include <QTextEdit>

namespace {

platform::EditorContent Content(platform::HtmlEditor& editor) {
  platform::EditorContent content;
  editor.ReadContent([&](const platform::EditorContent& c) { content = c; });
  return content;
}

QString Value(platform::HtmlEditor& editor, const QString& command) {
  QString value;
  editor.QueryCommandValue(command, [&](const QString& v) { value = v; });
  return value;
}

void SelectAllText(platform::TextHtmlEditor& editor) {
  QTextCursor cursor = editor.Edit()->textCursor();
  cursor.select(QTextCursor::Document);
  editor.Edit()->setTextCursor(cursor);
}

TEST(TextHtmlEditor, ReportsOnlyTheUsersChangesAndStartsEachBodyWithoutUndo) {
  platform::TextHtmlEditor editor;
  QSignalSpy changed(&editor, &platform::HtmlEditor::contentChanged);
  QSignalSpy ready(&editor, &platform::HtmlEditor::ready);
  editor.SetBodyHtml("<p>a</p><p>b</p>");
  EXPECT_EQ(ready.size(), 1);
  EXPECT_EQ(changed.size(), 0);
  const platform::EditorContent content = Content(editor);
  EXPECT_TRUE(content.bodyOuterHtml.startsWith("<body>")) << content.bodyOuterHtml.toStdString();
  EXPECT_TRUE(content.bodyOuterHtml.endsWith("</body>"));
  EXPECT_EQ(content.bodyText, "a\nb");

  QTest::keyClicks(editor.KeyTarget(), "x");
  EXPECT_GT(changed.size(), 0);
  EXPECT_TRUE(editor.CommandStates().canUndo);
  // The next mail's body cannot undo into the last one.
  editor.SetBodyHtml("<p>new</p>");
  EXPECT_FALSE(editor.CommandStates().canUndo);
  editor.Undo();
  EXPECT_EQ(Content(editor).bodyText, "new");
}

TEST(TextHtmlEditor, AnswersCommandValuesAsTheEngineDoes) {
  platform::TextHtmlEditor editor;
  editor.SetBodyHtml("<p>text</p>");
  SelectAllText(editor);
  EXPECT_EQ(Value(editor, "Bold"), "false");
  editor.ExecCommand("bold");  // names are compared without regard to case
  EXPECT_EQ(Value(editor, "Bold"), "true");
  editor.ExecCommand("ForeColor", "#0a0b0c");
  EXPECT_EQ(Value(editor, "ForeColor"), "rgb(10, 11, 12)");
  editor.ExecCommand("FontSize", "5");
  EXPECT_EQ(Value(editor, "FontSize"), "5");
  // Values the engine would refuse change nothing.
  editor.ExecCommand("FontSize", "9");
  editor.ExecCommand("FontSize", "0");
  editor.ExecCommand("ForeColor", "no colour");
  EXPECT_EQ(Value(editor, "FontSize"), "5");
  EXPECT_EQ(Value(editor, "ForeColor"), "rgb(10, 11, 12)");
  editor.ExecCommand("NoSuchCommand", "x");
  EXPECT_EQ(Content(editor).bodyText, "text");
}

TEST(TextHtmlEditor, BackgroundTakesNamesAndNumbersAndRefusesOtherText) {
  platform::TextHtmlEditor editor;
  editor.SetBodyBackground("255");  // a number is red-first, as RGB2BGR hands it on
  EXPECT_TRUE(Content(editor).bodyOuterHtml.startsWith("<body bgcolor=\"#0000ff\">"));
  editor.SetBodyBackground("#FFFFFF");
  EXPECT_TRUE(Content(editor).bodyOuterHtml.startsWith("<body bgcolor=\"#ffffff\">"));
  for (const char* bad : {"not a colour", "16777216", "\"><script>"}) {
    editor.SetBodyBackground(bad);
    EXPECT_TRUE(Content(editor).bodyOuterHtml.startsWith("<body bgcolor=\"#ffffff\">")) << bad;
  }
}

TEST(TextHtmlEditor, LinkWithoutSelectionInsertsTheAddressAndInsertHtmlGoesToTheCaret) {
  platform::TextHtmlEditor editor;
  editor.SetBodyHtml("<p>ab</p>");
  QTextCursor cursor = editor.Edit()->textCursor();
  cursor.setPosition(1);
  editor.Edit()->setTextCursor(cursor);
  editor.ExecCommand("CreateLink", "http://127.0.0.1/x");
  EXPECT_EQ(Content(editor).bodyText, "ahttp://127.0.0.1/xb");
  EXPECT_TRUE(Content(editor).bodyInnerHtml.contains("href=\"http://127.0.0.1/x\""));
  editor.InsertHtml("<b>B</b>");
  EXPECT_EQ(Content(editor).bodyText, "ahttp://127.0.0.1/xBb");
  editor.ExecCommand("CreateLink", "");  // no address: no link
  EXPECT_EQ(Content(editor).bodyText, "ahttp://127.0.0.1/xBb");
}

TEST(TextHtmlEditor, OrderedAndUnorderedListsSwitchAndComeOff) {
  platform::TextHtmlEditor editor;
  editor.SetBodyHtml("<p>item</p>");
  editor.ExecCommand("InsertOrderedList");
  EXPECT_TRUE(Content(editor).bodyInnerHtml.contains("<ol"));
  editor.ExecCommand("InsertUnOrderedList");
  EXPECT_TRUE(Content(editor).bodyInnerHtml.contains("<ul"));
  EXPECT_FALSE(Content(editor).bodyInnerHtml.contains("<ol"));
  editor.ExecCommand("InsertUnOrderedList");
  EXPECT_FALSE(Content(editor).bodyInnerHtml.contains("<ul"));
  EXPECT_EQ(Content(editor).bodyText, "item");
}

}  // namespace
