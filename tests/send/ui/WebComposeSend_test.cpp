// The whole path of a mail written in the browser-engine editor: typed text, made bold, a
// picture inserted through the picture chooser, read back from the page and sent through an
// SMTP server on 127.0.0.1; the message that arrives has the bold text, the text part and the
// picture as its one inline part.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QImage>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineView>
#include <memory>
#include <optional>

#include "maillib/RapMsg.h"
#include "maillib/RapSMTP.h"
#include "maillib/TextUtil.h"
#include "platform/HtmlEditor.h"
#include "platform/ScriptedDialogs.h"
#include "send/AttachmentRegistry.h"
#include "send/ComposePage.h"
#include "send/SendController.h"
#include "send/SendingPage.h"
#include "store/DataFiles.h"
#include "store/Database.h"
#include "store/Stores.h"
#include "tests/send/ui/LoopbackSmtp.h"
#include "tests/store/TempFolder.h"

namespace {

constexpr int kWaitMs = 20000;
constexpr int kStepMs = 15000;

// Whether the editor's page has its caret (placed by a script of the program's own world).
bool CaretPlaced(QWebEngineView* engine) {
  auto count = std::make_shared<std::optional<int>>();
  engine->page()->runJavaScript(QStringLiteral("window.getSelection().rangeCount"),
                                QWebEngineScript::ApplicationWorld,
                                [count](const QVariant& value) { *count = value.toInt(); });
  return QTest::qWaitFor([&] { return count->has_value(); }, kStepMs) && count->value() == 1;
}

TEST(WebComposeSend, TypedBoldTextAndAnInsertedPictureArriveAsWritten) {
  store_test::TempFolder root;
  std::string error;
  ASSERT_TRUE(store::EnsureProgramFolders(root.Path(), &error)) << error;
  std::unique_ptr<store::Database> mail = store::OpenMailStore(root.Path(), &error);
  std::unique_ptr<store::Database> accounts = store::OpenAccountStore(root.Path(), &error);
  ASSERT_TRUE(mail && accounts) << error;
  send_test::LoopbackSmtp server;
  ASSERT_TRUE(
      accounts->Execute("insert into MailAcc (MailAccount, PasswordPw, smtpServer) "
                        "values ('me@x.cn', 'pw', '127.0.0.1:" +
                            std::to_string(server.Port()) + "')",
                        &error))
      << error;
  QImage picture(16, 9, QImage::Format_RGB32);
  picture.fill(Qt::blue);
  const QString picturePath = QString::fromStdString(root.File("图表.png"));
  ASSERT_TRUE(picture.save(picturePath, "PNG"));
  platform::ScriptedDialogs dialogs;
  platform::ScopedDialogs useDialogs(&dialogs);
  dialogs.texts.push_back(picturePath);

  send::SendState state;
  send::AttachmentRegistry registry;
  auto* editor = platform::CreateHtmlEditor(platform::HtmlViewKind::Web, nullptr);
  send::ComposePage page(editor, &state, store::RecentRecipientsPath(root.Path()));
  page.resize(700, 500);
  page.show();
  page.activateWindow();
  QSignalSpy ready(editor, &platform::HtmlEditor::ready);
  editor->SetBodyHtml(QString());
  ASSERT_TRUE(QTest::qWaitFor([&] { return ready.size() > 0; }, kWaitMs));
  auto* engine = editor->findChild<QWebEngineView*>();
  ASSERT_NE(engine, nullptr);
  std::optional<send::ComposeSnapshot> snapshot;
  const auto read = [&] {
    snapshot.reset();
    page.ReadSnapshot([&](const send::ComposeSnapshot& s) { snapshot = s; });
    return QTest::qWaitFor([&] { return snapshot.has_value(); }, kWaitMs);
  };
  const auto bodyHas = [&](const char* text) {
    return QTest::qWaitFor(
        [&] { return read() && snapshot->bodyOuterHtml.find(text) != std::string::npos; }, kStepMs);
  };
  // The caret is placed by a script; keys typed before it has run have nowhere to go, so the
  // typing is tried again (a few times at most) until the page holds it.
  bool typed = false;
  for (int attempt = 0; attempt < 3 && !typed; ++attempt) {
    editor->FocusEditor();
    if (!QTest::qWaitFor([&] { return editor->KeyTarget()->hasFocus() && CaretPlaced(engine); },
                         kStepMs)) {
      continue;
    }
    QTest::keyClicks(editor->KeyTarget(), "hello world");
    typed = bodyHas("hello world");
  }
  ASSERT_TRUE(typed);
  editor->SelectAll();
  ASSERT_TRUE(QTest::qWaitFor([&] { return editor->CommandStates().canCopy; }, kStepMs));
  editor->ExecCommand(QStringLiteral("Bold"));
  ASSERT_TRUE(bodyHas("<b>") || bodyHas("<strong>"));
  // The picture goes at the caret after the text, not over the selection.
  QTest::keyClick(editor->KeyTarget(), Qt::Key_End, Qt::ControlModifier);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !editor->CommandStates().canCopy; }, kStepMs));
  page.InsertPictures();
  ASSERT_TRUE(bodyHas("<img"));
  ASSERT_TRUE(bodyHas("hello world"));

  page.ReceiverField()->setEditText(QStringLiteral("you@y.cn"));
  page.SubjectField()->setText(QStringLiteral("图表"));
  page.SenderSelector()->setEditText(QStringLiteral("me@x.cn"));
  ASSERT_TRUE(read());
  send::SendingPage sending(QString::fromStdString(root.Path()));
  send::SendSetup setup;
  setup.programFolder = QString::fromStdString(root.Path());
  setup.mail = [&] { return mail.get(); };
  setup.accounts = [&] { return accounts.get(); };
  setup.state = &state;
  setup.registry = &registry;
  send::SendController controller(setup, &sending, &page);
  controller.SetConfigureClient([](maillib::TRapSMTP& client) { client.DataPauseMs = 0; });
  QSignalSpy finished(&controller, &send::SendController::finished);
  ASSERT_TRUE(controller.Send(*snapshot));
  ASSERT_TRUE(QTest::qWaitFor([&] { return finished.count() > 0; }, kWaitMs));
  ASSERT_TRUE(finished.at(0).at(0).toBool()) << sending.ErrorText().toStdString();

  maillib::TRapMsg arrived;
  arrived.RawLines = maillib::SplitLines(server.Data());
  arrived.Parse();
  const std::string html = maillib::JoinLines(arrived.HtmlLines);
  EXPECT_NE(html.find("hello world"), std::string::npos) << html;
  EXPECT_TRUE(html.find("<b>") != std::string::npos || html.find("<strong>") != std::string::npos)
      << html;
  // The picture travelled as a part of its own, not as a path on this disk.
  EXPECT_EQ(html.find(root.Path()), std::string::npos) << html;
  EXPECT_EQ(arrived.InlineFiles.Count(), 1);
  EXPECT_NE(maillib::JoinLines(arrived.Text).find("hello world"), std::string::npos);
}

}  // namespace
