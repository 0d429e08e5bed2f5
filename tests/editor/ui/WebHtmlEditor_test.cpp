// The browser-engine editor, driven as the user drives it: typing, selecting, formatting and
// inserting a picture, with the page's own scripts and the network kept out.

#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "platform/HtmlEditor.h"

#ifdef TENVEL_HAVE_WEBENGINE
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineView>

#include "platform/WebHtmlEditor.h"

namespace {

constexpr int kLoadWaitMs = 20000;
constexpr int kEventWaitMs = 5000;

platform::EditorContent Read(platform::HtmlEditor* editor) {
  // Shared with the callback, which may come after a failed wait.
  auto content = std::make_shared<std::optional<platform::EditorContent>>();
  editor->ReadContent([content](const platform::EditorContent& c) { *content = c; });
  EXPECT_TRUE(QTest::qWaitFor([&] { return content->has_value(); }, kEventWaitMs));
  return content->value_or(platform::EditorContent{});
}

// Evaluates an expression in the program's own world of the editor's page.
QVariant Evaluate(QWebEngineView* engine, const QString& expression) {
  auto result = std::make_shared<std::optional<QVariant>>();
  engine->page()->runJavaScript(expression, QWebEngineScript::ApplicationWorld,
                                [result](const QVariant& value) { *result = value; });
  EXPECT_TRUE(QTest::qWaitFor([&] { return result->has_value(); }, kEventWaitMs))
      << expression.toStdString();
  return result->value_or(QVariant());
}

TEST(WebHtmlEditor, TypesFormatsAndInsertsAPictureButRunsNoPageScript) {
  QTemporaryDir dir;
  QImage picture(12, 7, QImage::Format_RGB32);
  picture.fill(Qt::red);
  const QString picturePath = dir.path() + "/inserted.png";
  ASSERT_TRUE(picture.save(picturePath, "PNG"));
  QTcpServer server;
  ASSERT_TRUE(server.listen(QHostAddress::LocalHost));

  QWidget window;
  window.resize(500, 400);
  platform::HtmlEditor* editor = platform::CreateHtmlEditor(platform::HtmlViewKind::Web, &window);
  ASSERT_NE(dynamic_cast<platform::WebHtmlEditor*>(editor), nullptr);
  editor->resize(500, 400);
  window.show();
  window.activateWindow();
  auto* engine = editor->findChild<QWebEngineView*>();
  ASSERT_NE(engine, nullptr);

  QSignalSpy ready(editor, &platform::HtmlEditor::ready);
  // Of two bodies set at once, the later one is the one shown.
  editor->SetBodyHtml("<p>first</p>");
  // A quoted mail with a script, an event handler and a remote picture of its own.
  editor->SetBodyHtml(
      "<p>quoted</p><script>document.body.setAttribute('data-ran','script')</script>"
      "<img src=\"file:///nonexistent-tenvel.png\" "
      "onerror=\"document.body.setAttribute('data-ran','handler')\">"
      "<img src=\"http://127.0.0.1:" +
      QString::number(server.serverPort()) + "/remote.png\">" +
      "<p><a id=\"link\" href=\"http://127.0.0.1:" + QString::number(server.serverPort()) +
      "/link\">a link</a></p>");
  ASSERT_TRUE(QTest::qWaitFor([&] { return ready.size() > 0; }, kLoadWaitMs));

  editor->FocusEditor();
  ASSERT_TRUE(QTest::qWaitFor([&] { return editor->KeyTarget()->hasFocus(); }, kEventWaitMs));
  // The caret is placed by a script; keys typed before it has run have nowhere to go.
  ASSERT_TRUE(Evaluate(engine, "window.getSelection().rangeCount").toInt() == 1);
  // The keys go to a widget inside the editor, where the program's Enter filter looks for them.
  EXPECT_TRUE(editor->isAncestorOf(editor->KeyTarget()));
  QTest::keyClicks(editor->KeyTarget(), "typed ");
  ASSERT_TRUE(
      QTest::qWaitFor([&] { return Read(editor).bodyText.contains("typed quoted"); }, kEventWaitMs))
      << Read(editor).bodyText.toStdString();
  // Typing is a step the user can take back.
  EXPECT_TRUE(QTest::qWaitFor([&] { return editor->CommandStates().canUndo; }, kEventWaitMs));

  editor->InsertHtml("<img src=\"" + QUrl::fromLocalFile(picturePath).toString() + "\">");
  editor->SelectAll();
  EXPECT_TRUE(QTest::qWaitFor([&] { return editor->CommandStates().canCopy; }, kEventWaitMs));
  EXPECT_TRUE(editor->CommandStates().canCut);
  editor->ExecCommand("Bold");
  // The program's copy reaches the clipboard although the page's scripts may not run.
  editor->Copy();
  EXPECT_TRUE(QTest::qWaitFor(
      [&] { return QGuiApplication::clipboard()->text().contains("typed quoted"); }, kEventWaitMs))
      << QGuiApplication::clipboard()->text().toStdString();
  EXPECT_TRUE(QTest::qWaitFor([&] { return editor->CommandStates().canPaste; }, kEventWaitMs));

  const platform::EditorContent content = Read(editor);
  EXPECT_FALSE(content.bodyText.contains("first")) << content.bodyText.toStdString();
  const std::string html = content.bodyOuterHtml.toStdString();
  EXPECT_TRUE(content.bodyOuterHtml.startsWith("<body")) << html;
  EXPECT_TRUE(content.bodyInnerHtml.contains(QRegularExpression("<(b|strong)>typed"))) << html;
  EXPECT_TRUE(content.bodyInnerHtml.contains("inserted.png")) << html;
  // Design mode leaves no mark on the body that would travel with the mail.
  EXPECT_FALSE(content.bodyOuterHtml.contains("contenteditable")) << html;

  // The local picture shows; the remote one was never asked for.
  EXPECT_TRUE(QTest::qWaitFor(
      [&] {
        return Evaluate(engine,
                        "(function(){for(const i of document.images)"
                        "if(i.src.endsWith('inserted.png'))return i.naturalWidth;return 0;})()")
                   .toInt() == 12;
      },
      kEventWaitMs));
  EXPECT_TRUE(QTest::qWaitFor(
      [&] { return Evaluate(engine, "document.images[0].complete").toBool(); }, kEventWaitMs));
  EXPECT_FALSE(server.hasPendingConnections());
  EXPECT_FALSE(content.bodyOuterHtml.contains(QRegularExpression("^<body[^>]*data-ran"))) << html;
  EXPECT_TRUE(Evaluate(engine, "document.body.getAttribute('data-ran')").isNull());

  // A click on a link places the caret in it and goes nowhere.
  const QVariantList box =
      Evaluate(engine,
               "(function(){var r=document.getElementById('link').getBoundingClientRect();"
               "return [r.left+r.width/2,r.top+r.height/2];})()")
          .toList();
  ASSERT_EQ(box.size(), 2);
  const QPoint link(static_cast<int>(box[0].toDouble()), static_cast<int>(box[1].toDouble()));
  QTest::mouseClick(editor->KeyTarget(), Qt::LeftButton, {}, link);
  EXPECT_TRUE(QTest::qWaitFor(
      [&] {
        return Evaluate(
                   engine,
                   "(function(){var s=window.getSelection();return s.rangeCount==1&&"
                   "s.isCollapsed&&document.getElementById('link').contains(s.anchorNode);})()")
            .toBool();
      },
      kEventWaitMs));
  QTest::qWait(200);
  EXPECT_FALSE(server.hasPendingConnections());
  const QString after = Read(editor).bodyOuterHtml;
  EXPECT_EQ(after, content.bodyOuterHtml);  // the click changed nothing
}

}  // namespace
#endif  // TENVEL_HAVE_WEBENGINE
