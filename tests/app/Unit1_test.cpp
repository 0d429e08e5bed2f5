#include "app/Unit1.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QLocalSocket>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <functional>

#include "app/Aboutus.h"
#include "app/Feedback.h"
#include "app/FrameGeometry.h"
#include "app/SiteConfig.h"
#include "app/TitleBar.h"
#include "boxes/BoxListModel.h"
#include "boxes/BoxPage.h"
#include "boxes/MailBoxes.h"
#include "platform/HtmlEditor.h"
#include "platform/HtmlView.h"
#include "platform/SingleInstance.h"
#include "platform/TrayIcon.h"
#include "receive/ManualRec.h"
#include "receive/ReceiveSchedule.h"
#include "send/ComposePage.h"
#include "send/SendController.h"
#include "send/SendingPage.h"
#include "store/DataFiles.h"
#include "store/MessageRecord.h"
#include "store/Query.h"

namespace {

int ModeOf(const QString& path) {
  struct stat st {};
  if (::stat(QFile::encodeName(path).constData(), &st) != 0) return -1;
  return static_cast<int>(st.st_mode & 0777);
}

void WriteFile(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(bytes);
}

// Runs the start-up of a main window on the program folder and waits for its last step.
void RunStartUp(app::TForm1& window) {
  if (window.StartUpDone()) return;
  QSignalSpy finished(&window, &app::TForm1::startUpFinished);
  ASSERT_TRUE(finished.wait(5000));
}

}  // namespace

TEST(StartUp, CreatesFoldersAndDatabasesOwnerOnly) {
  QTemporaryDir dir;
  app::TDataQX data;
  app::TForm1 window(dir.path(), &data);
  RunStartUp(window);

  EXPECT_TRUE(data.IsOpen());
  for (const char* folder : {"/DB", "/DB/EMF", "/DB/EMF/TemFile", "/DB2"}) {
    EXPECT_EQ(ModeOf(dir.path() + folder), 0700) << folder;
  }
  for (const char* file : {"/DB/MsgEx.mdb", "/DB/MailCheck.mdb", "/DB2/TVtools.mdb"}) {
    EXPECT_EQ(ModeOf(dir.path() + file), 0600) << file;
  }
  ASSERT_NE(window.ADOConnection1(), nullptr);
  EXPECT_FALSE(window.Locked());
  EXPECT_TRUE(window.SoundOn());
  EXPECT_FALSE(window.AutoReceive());
}

TEST(StartUp, ReadsRecentRecipientsAndResetsToolSeat) {
  QTemporaryDir dir;
  std::string error;
  ASSERT_TRUE(store::EnsureProgramFolders(dir.path().toStdString(), &error)) << error;
  WriteFile(dir.path() + "/DB/DefaultReceiver.db", "a@x.cn\n\nb@y.cn\r\n\n\n\n\n\nlate@z.cn\n");
  WriteFile(dir.path() + "/DB/Default.db", "me@x.cn\n");
  WriteFile(dir.path() + "/DB2/ToolSeat.db", "0\n1\n0\n0\n0\n0\n");

  app::TDataQX data;
  app::TForm1 window(dir.path(), &data);
  RunStartUp(window);

  EXPECT_EQ(window.RecentRecipients(), (std::vector<std::string>{"a@x.cn", "b@y.cn"}));
  EXPECT_EQ(window.DefaultAccount(), "me@x.cn");
  const auto seat = store::ReadToolSeat(dir.path().toStdString());
  for (bool on : seat)
    EXPECT_FALSE(on);
  EXPECT_EQ(store::ReadTextLines(dir.path().toStdString() + "/DB2/ToolSeat.db").size(), 6u);
}

TEST(StartUp, SecondStartKeepsDataAndLockSetting) {
  QTemporaryDir dir;
  {
    app::TDataQX data;
    app::TForm1 window(dir.path(), &data);
    RunStartUp(window);
    store::Query q(*data.ADOConnectionAcc);
    q.AddLine("update PersonalSet set SetPassword=\"True\", PasswordPWsys=\"密码\"");
    ASSERT_TRUE(q.ExecSql()) << q.Error();
  }
  app::TDataQX data;
  app::TForm1 window(dir.path(), &data);
  RunStartUp(window);
  EXPECT_TRUE(window.Locked());
}

TEST(StartUp, DatabaseThatIsNotADatabaseIsReportedNotEmptied) {
  QTemporaryDir dir;
  std::string error;
  ASSERT_TRUE(store::EnsureProgramFolders(dir.path().toStdString(), &error)) << error;
  const QByteArray junk("this is not a database file, keep me");
  WriteFile(dir.path() + "/DB/MsgEx.mdb", junk);

  app::TDataQX data;
  app::TForm1 window(dir.path(), &data);
  RunStartUp(window);

  EXPECT_FALSE(data.IsOpen());
  QFile f(dir.path() + "/DB/MsgEx.mdb");
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll(), junk);
}

namespace {

// Runs statements on a program folder's databases before a window starts on it.
void Seed(const QString& folder, const std::vector<std::string>& mail,
          const std::vector<std::string>& accounts) {
  app::TDataQX data;
  std::string error;
  ASSERT_TRUE(store::EnsureProgramFolders(folder.toStdString(), &error)) << error;
  ASSERT_TRUE(data.OpenDatabases(folder.toStdString(), &error)) << error;
  for (const std::string& sql : mail) {
    store::Query q(*data.ADOCDUser);
    q.AddLine(sql);
    ASSERT_TRUE(q.ExecSql()) << q.Error();
  }
  for (const std::string& sql : accounts) {
    store::Query q(*data.ADOConnectionAcc);
    q.AddLine(sql);
    ASSERT_TRUE(q.ExecSql()) << q.Error();
  }
}

// The captions of a menu's entries joined with "|", separators as "-".
std::string Captions(const QMenu* menu) {
  QStringList captions;
  for (const QAction* action : menu->actions())
    captions << (action->isSeparator() ? QStringLiteral("-") : action->text());
  return captions.join('|').toStdString();
}

// A window started on a fresh program folder, shown, with its start-up done.
struct StartedWindow {
  QTemporaryDir dir;
  app::TDataQX data;
  std::unique_ptr<app::TForm1> window;

  explicit StartedWindow(const std::vector<std::string>& mail = {},
                         const std::vector<std::string>& accounts = {}) {
    if (!mail.empty() || !accounts.empty()) Seed(dir.path(), mail, accounts);
    window = std::make_unique<app::TForm1>(dir.path(), &data);
    window->show();
    RunStartUp(*window);
  }
};

}  // namespace

TEST(StartUp, FillsQuickRepliesAndAccountMenusOnce) {
  // Table order, not alphabetical order; the built-in ones of the new database first.
  StartedWindow w({"insert into kuaihuifu (Subject, content) values (\"周报\", \"\")",
                   "insert into kuaihuifu (Subject, content) values (\"会议\", \"<b>x</b>\")"},
                  {"insert into MailAcc (MailAccount) values (\"z@x.cn\")",
                   "insert into MailAcc (MailAccount) values (\"b@y.cn\")"});
  const app::MainMenus& m = w.window->Menus();
  EXPECT_EQ(Captions(m.QuickReturn), "快捷回复菜单|-|时间/日期|公告栏|意见栏|周报|会议");
  EXPECT_EQ(m.QuickReturn->actions().at(6)->toolTip().toStdString(), "会议");
  const std::string accounts = "接收全部邮件|-|z@x.cn|b@y.cn";
  EXPECT_EQ(Captions(m.trayMail), accounts);
  EXPECT_EQ(Captions(m.popupmenuManualRec), accounts);

  // The start-up step runs once: firing its timer again adds nothing.
  w.window->TinitTimer1.start();
  QTest::qWait(250);
  EXPECT_EQ(Captions(m.trayMail), accounts);
  EXPECT_EQ(m.QuickReturn->actions().size(), 7);
}

TEST(StartUp, EmptyTablesLeaveTheFixedMenuEntries) {
  StartedWindow w({"delete * from kuaihuifu"});
  const app::MainMenus& m = w.window->Menus();
  EXPECT_EQ(Captions(m.QuickReturn), "快捷回复菜单|-");
  EXPECT_EQ(Captions(m.trayMail), "接收全部邮件|-");
  // The tray icon gets its menu once the settings check ran.
  EXPECT_EQ(w.window->Tray()->Menu(), m.PopMinMenu);
  EXPECT_FALSE(w.window->Schedule()->tmrAutoRecM.isActive());
}

TEST(Menus, TrayAndSettingsMenusHoldTheirCaptionsInOrder) {
  StartedWindow w;
  const app::MainMenus& m = w.window->Menus();
  EXPECT_EQ(
      Captions(m.PopMinMenu),
      "便签纸|常用电话薄|天天记事本|事件提醒|计算器|日历|-|屏幕截图|-|邮件收发|-|打开客户端|-|"
      "退出程序");
  EXPECT_EQ(m.PopMinMenu->actions().at(app::kTrayMailPosition)->menu(), m.trayMail);
  EXPECT_EQ(Captions(m.settings), "基本设置|通讯录|帮助说明|意见反馈|退出程序");
  EXPECT_EQ(Captions(m.basicSettings), "个人设置|邮件收发|关于我们");
  // Entries whose windows do not exist yet are there but cannot be chosen.
  EXPECT_TRUE(m.accountSet->isEnabled());
  EXPECT_TRUE(m.receiveAllTray->isEnabled());
  EXPECT_TRUE(m.receiveAllManual->isEnabled());
  EXPECT_TRUE(m.personalSet->isEnabled());
  EXPECT_TRUE(m.addressBook->isEnabled());
  EXPECT_TRUE(m.aboutUs->isEnabled());
  EXPECT_TRUE(m.feedback->isEnabled());
}

TEST(Frame, CaptionlessWindowCentredAtItsSize) {
  StartedWindow w;
  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  EXPECT_TRUE(w.window->windowFlags().testFlag(Qt::FramelessWindowHint));
  EXPECT_EQ(w.window->geometry(), app::NormalGeometry(screen));
  EXPECT_EQ(w.window->PageControl1->currentWidget(), w.window->ts1);
  EXPECT_FALSE(w.window->StartBrowser->IsBlank());
}

TEST(Frame, MaximiseButtonTogglesGeometryAndCaption) {
  StartedWindow w;
  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  ASSERT_EQ(w.window->btn15->text(), "2");
  QTest::mouseClick(w.window->btn15, Qt::LeftButton);
  EXPECT_EQ(w.window->btn15->text(), "1");
  EXPECT_EQ(w.window->geometry(),
            QRect(screen.left(), screen.top(), screen.width(), screen.height() - 27));
  QTest::mouseClick(w.window->btn15, Qt::LeftButton);
  EXPECT_EQ(w.window->btn15->text(), "2");
  EXPECT_EQ(w.window->geometry(), QRect(screen.left() + (screen.width() - 700) / 2,
                                        screen.top() + (screen.height() - 550) / 2, 700, 550));
}

TEST(Frame, CloseHidesToTrayAndTrayClickBringsTheStartPageBack) {
  StartedWindow w;
  w.window->SetHideToTray(true);
  send::ComposePage* compose = w.window->Compose();
  compose->SubjectField()->setText("half written");
  compose->AddAttachment(w.dir.path() + "/DB2/ToolSeat.db");
  QTest::mouseClick(w.window->btn15, Qt::LeftButton);  // maximised before closing
  w.window->Boxes()->OpenBox(boxes::Box::Inbox);

  QTest::mouseClick(w.window->btn28, Qt::LeftButton);
  EXPECT_FALSE(w.window->isVisible());
  // The mail being written stays.
  EXPECT_EQ(compose->SubjectField()->text(), "half written");
  EXPECT_EQ(compose->AttachmentPaths().size(), 1);

  w.window->ShowFromTray();
  EXPECT_TRUE(w.window->isVisible());
  EXPECT_EQ(w.window->btn15->text(), "2");
  EXPECT_EQ(w.window->size(), QSize(700, 550));
  EXPECT_EQ(w.window->PageControl1->currentWidget(), w.window->ts1);

  // A shown window is left as it is by a second tray click.
  w.window->Boxes()->OpenBox(boxes::Box::Sent);
  w.window->ShowFromTray();
  EXPECT_NE(w.window->PageControl1->currentWidget(), w.window->ts1);

  // Closing through the window system hides too; the window is not destroyed.
  EXPECT_FALSE(w.window->close());
  EXPECT_FALSE(w.window->isVisible());
}

TEST(Frame, WithoutTrayCloseMinimisesSoTheWindowStaysReachable) {
  StartedWindow w;
  w.window->SetHideToTray(false);
  QTest::mouseClick(w.window->btn28, Qt::LeftButton);
  EXPECT_TRUE(w.window->isVisible());
  EXPECT_TRUE(w.window->isMinimized());
  w.window->ShowFromTray();
  EXPECT_FALSE(w.window->isMinimized());
}

namespace {

// The text of the compose page's body (the light editor of the tests answers at once).
QString BodyText(send::ComposePage* compose) {
  QString text = QStringLiteral("(no answer)");
  compose->Editor()->ReadContent([&](const platform::EditorContent& c) { text = c.bodyText; });
  return text;
}

// A mail half written on the compose page: receiver, subject, text and one attachment.
void WriteHalfAMail(send::ComposePage* compose, const QString& attachment) {
  compose->ReceiverField()->setEditText("li@x.cn");
  compose->SubjectField()->setText("half written");
  compose->Editor()->SetBodyHtml("Dear Li,");
  compose->AddAttachment(attachment);
  compose->AttachmentBar()->show();
}

void ExpectHalfAMail(send::ComposePage* compose, const QString& attachment, const char* how) {
  EXPECT_EQ(compose->ReceiverField()->currentText(), "li@x.cn") << how;
  EXPECT_EQ(compose->SubjectField()->text(), "half written") << how;
  EXPECT_EQ(BodyText(compose), "Dear Li,") << how;
  EXPECT_EQ(compose->AttachmentPaths(), QStringList{attachment}) << how;
  EXPECT_FALSE(compose->AttachmentBar()->isHidden()) << how;
}

}  // namespace

TEST(Frame, EveryWayOfHidingTheWindowKeepsTheMailBeingWritten) {
  StartedWindow w;
  send::ComposePage* compose = w.window->Compose();
  const QString attachment = w.dir.path() + "/DB2/ToolSeat.db";
  WriteHalfAMail(compose, attachment);

  const std::pair<const char*, std::function<void()>> ways[] = {
      {"close to the tray", [&] { QTest::mouseClick(w.window->btn28, Qt::LeftButton); }},
      {"minimise to the tray", [&] { QTest::mouseClick(w.window->btn14, Qt::LeftButton); }},
      {"closed by the window system", [&] { w.window->close(); }},
  };
  for (const auto& [how, hide] : ways) {
    w.window->SetHideToTray(true);
    hide();
    EXPECT_FALSE(w.window->isVisible()) << how;
    ExpectHalfAMail(compose, attachment, how);
    w.window->ShowFromTray();
    ExpectHalfAMail(compose, attachment, how);
  }
  // Without a notification area closing minimises; the mail stays as well.
  w.window->SetHideToTray(false);
  QTest::mouseClick(w.window->btn28, Qt::LeftButton);
  EXPECT_TRUE(w.window->isMinimized());
  w.window->ShowFromTray();
  ExpectHalfAMail(compose, attachment, "close without a tray");
}

TEST(Frame, TheStatusLineShowsAHoveredLinksRealAddressAndThenItsOwnText) {
  StartedWindow w;
  auto* status = w.window->findChild<QLabel*>(QStringLiteral("statusLine"));
  ASSERT_NE(status, nullptr);
  const QString before = status->text();
  emit w.window->Boxes()->linkHovered(QStringLiteral("https://real.example.com/login"));
  EXPECT_EQ(status->text(), "https://real.example.com/login");
  emit w.window->Boxes()->linkHovered(QString());
  EXPECT_EQ(status->text(), before);
}

TEST(Frame, AMailBeingWrittenIsShownAgainWhenTheWindowComesBack) {
  StartedWindow w;
  w.window->FeedbackClick();  // shows the compose page
  ASSERT_EQ(w.window->PageControl1->currentWidget(), w.window->Compose());
  w.window->SetHideToTray(true);
  QTest::mouseClick(w.window->btn28, Qt::LeftButton);
  w.window->ShowFromTray();
  EXPECT_EQ(w.window->PageControl1->currentWidget(), w.window->Compose());
  // From any other page the window comes back on the start page.
  w.window->Boxes()->OpenBox(boxes::Box::Inbox);
  QTest::mouseClick(w.window->btn28, Qt::LeftButton);
  w.window->ShowFromTray();
  EXPECT_EQ(w.window->PageControl1->currentWidget(), w.window->ts1);
}

TEST(Frame, FeedbackStartsAFreshMailWithoutTheLastOnesAttachments) {
  StartedWindow w;
  send::ComposePage* compose = w.window->Compose();
  WriteHalfAMail(compose, w.dir.path() + "/DB2/ToolSeat.db");
  w.window->FeedbackClick();
  EXPECT_TRUE(compose->AttachmentPaths().isEmpty());
  EXPECT_TRUE(compose->AttachmentBar()->isHidden());
  EXPECT_TRUE(BodyText(compose).isEmpty());
  EXPECT_EQ(compose->ReceiverField()->currentText(), app::kSupportAddress);
}

TEST(Frame, FeedbackPreparesACompositionToSupport) {
  StartedWindow w({}, {"insert into MailAcc (MailAccount) values (\"z@x.cn\")",
                       "insert into MailAcc (MailAccount) values (\"\")",
                       "insert into MailAcc (MailAccount) values (\"b@y.cn\")"});
  w.window->FeedbackClick();
  send::ComposePage* compose = w.window->Compose();
  EXPECT_EQ(w.window->PageControl1->currentWidget(), compose);
  EXPECT_EQ(compose->ReceiverField()->currentText(), app::kSupportAddress);
  EXPECT_EQ(compose->SubjectField()->text(), app::FeedbackSubject(QDate::currentDate()));
  EXPECT_TRUE(compose->SubjectField()->text().startsWith("Tenvel使用反馈 "));
  ASSERT_EQ(compose->SenderSelector()->count(), 2);
  EXPECT_EQ(compose->SenderSelector()->itemText(0).toStdString(), "z@x.cn");
  EXPECT_EQ(compose->SenderSelector()->itemText(1).toStdString(), "b@y.cn");
  EXPECT_FALSE(compose->AttachmentBar()->isVisible());
}

TEST(Frame, AboutBoxNamesTheProduct) {
  StartedWindow w;
  w.window->AboutClick();
  app::TAboutus* about = w.window->Aboutus();
  EXPECT_EQ(about->windowTitle(), "关于我们");
  auto* product = about->findChild<QLabel*>("product");
  ASSERT_NE(product, nullptr);
  EXPECT_EQ(product->text(), "Tenvel 202");
  about->close();
}

TEST(Frame, TitlePanelDragsTheWindow) {
  StartedWindow w;
  const QPoint before = w.window->pos();
  QWidget* panel = w.window->pnl1;
  QTest::mousePress(panel, Qt::LeftButton, {}, QPoint(100, 5));
  QMouseEvent move(QEvent::MouseMove, QPointF(140, 25), panel->mapToGlobal(QPointF(140, 25)),
                   Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(panel, &move);
  QTest::mouseRelease(panel, Qt::LeftButton, {}, QPoint(140, 25));
  EXPECT_EQ(w.window->pos(), before + QPoint(40, 20));
}

TEST(Frame, EnterInTheMailEditorBreaksTheLineInsteadOfStartingAParagraph) {
  StartedWindow w;
  // The light editor of the tests edits in a text widget inside the editor.
  auto* editor = w.window->Compose()->Editor()->findChild<QTextEdit*>();
  ASSERT_NE(editor, nullptr);
  QTest::keyClicks(editor, "ab");
  QTest::keyClick(editor, Qt::Key_Return);
  QTest::keyClicks(editor, "cd");
  EXPECT_EQ(editor->document()->blockCount(), 1);
  EXPECT_EQ(editor->toPlainText().toStdString(), "ab\ncd");  // one block, a line break
  // The subject line is not the editor: its keys pass unchanged.
  QSignalSpy entered(w.window->Compose()->SubjectField(), &QLineEdit::returnPressed);
  QTest::keyClick(w.window->Compose()->SubjectField(), Qt::Key_Return);
  EXPECT_EQ(entered.size(), 1);
}

namespace {

// The running copy's socket in a folder of its own, followed by the window.
struct RunningCopy {
  QTemporaryDir folder;
  platform::SingleInstance instance{folder.path()};

  explicit RunningCopy(app::TForm1& window) {
    EXPECT_TRUE(instance.Claim());
    EXPECT_TRUE(instance.Listen());
    window.FollowLaterStarts(&instance);
  }
  // What a later start of the program does: it finds the lock taken and says so.
  void StartAgain() {
    platform::SingleInstance later(folder.path());
    EXPECT_FALSE(later.Claim());
  }
};

bool OnScreen(const QWidget* window) {
  return window->isVisible() && !window->isMinimized();
}

}  // namespace

TEST(SecondStart, BringsTheWindowBackFromTheTray) {
  StartedWindow w;
  RunningCopy running(*w.window);
  w.window->SetHideToTray(true);
  QTest::mouseClick(w.window->btn28, Qt::LeftButton);
  ASSERT_FALSE(w.window->isVisible());

  // Something else on the socket is not a later start.
  {
    QLocalSocket stranger;
    stranger.connectToServer(running.instance.ServerPath());
    ASSERT_TRUE(stranger.waitForConnected(3000));
    stranger.write("hello");
    ASSERT_TRUE(stranger.waitForBytesWritten(3000));
  }
  QTest::qWait(200);
  EXPECT_FALSE(w.window->isVisible());

  running.StartAgain();
  ASSERT_TRUE(QTest::qWaitFor([&w] { return OnScreen(w.window.get()); }, 3000));
  EXPECT_EQ(w.window->size(), QSize(700, 550));
}

TEST(SecondStart, RestoresAMinimisedWindowAndActivatesAShownOne) {
  StartedWindow w;
  RunningCopy running(*w.window);
  w.window->SetHideToTray(false);
  QTest::mouseClick(w.window->btn14, Qt::LeftButton);
  ASSERT_TRUE(w.window->isMinimized());
  running.StartAgain();
  ASSERT_TRUE(QTest::qWaitFor([&w] { return OnScreen(w.window.get()); }, 3000));

  // A window on the screen behind another one comes forward and keeps its page.
  w.window->Boxes()->OpenBox(boxes::Box::Inbox);
  QWidget* const shown = w.window->PageControl1->currentWidget();
  QWidget other;
  other.show();
  other.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&other, 3000));
  running.StartAgain();
  EXPECT_TRUE(QTest::qWaitFor([&w] { return w.window->isActiveWindow(); }, 3000));
  EXPECT_EQ(w.window->PageControl1->currentWidget(), shown);
}

TEST(BoxList, AtTheWindowsSizeEveryColumnUpToTheTimeIsInView) {
  // Enough rows for the vertical scroll bar, which narrows the list.
  std::vector<std::string> rows;
  for (int i = 0; i < 60; ++i) {
    rows.push_back(
        "insert into Historys (Sender, SendDateTime, MailSubject, MessageKind) values "
        "(\"Somebody Long <somebody.long@example.com>\", \"2024-12-28 23:58:59\", "
        "\"a subject\", \"MailUn\")");
  }
  StartedWindow w(rows);
  ASSERT_EQ(w.window->size(), QSize(700, 550));
  for (boxes::Box box : {boxes::Box::Inbox, boxes::Box::Sent}) {
    w.window->Boxes()->OpenBox(box);
    QTableView* list = w.window->Boxes()->Page(box)->List();
    QTest::qWait(50);  // the layout of the page just shown
    if (box == boxes::Box::Inbox) {
      EXPECT_TRUE(list->verticalScrollBar()->isVisible());
    }
    const int viewport = list->viewport()->width();
    EXPECT_LE(list->columnViewportPosition(boxes::kColTime) + list->columnWidth(boxes::kColTime),
              viewport);
    EXPECT_EQ(list->horizontalScrollBar()->maximum(), 0);
    // The whole time fits its column; the subject has the room the others leave.
    EXPECT_GT(list->columnWidth(boxes::kColTime),
              list->fontMetrics().horizontalAdvance("2024-12-28 23:58:59"));
    EXPECT_LE(list->columnWidth(boxes::kColCaption), 8);
    EXPECT_LT(list->columnWidth(boxes::kColAttachment), 50);
    EXPECT_LT(list->columnWidth(boxes::kColMark), 50);
    EXPECT_GT(list->columnWidth(boxes::kColSubject), list->columnWidth(boxes::kColThird));
    for (int c = boxes::kColBody; c < boxes::kColumnCount; ++c)
      EXPECT_TRUE(list->isColumnHidden(c)) << c;
  }
}

namespace {

// An account whose POP3 server refuses the connection at once (nothing listens on port 1).
std::string RefusedAccount(const char* address, const char* autoRecTime = "0") {
  return std::string(
             "insert into MailAcc (MailAccount, PasswordPw, popServer, Delect_Mail, "
             "AutoRecTime, Mail_Date) values (\"") +
         address + "\", \"pw\", \"127.0.0.1:1\", \"Nodelect\", \"" + autoRecTime +
         "\", \"2024-03-05 10:00:00\")";
}

}  // namespace

TEST(Receiving, MailStoredByAReceiveAppearsInTheShownInbox) {
  StartedWindow w(
      {"insert into Historys (MailSubject, MessageKind, SendDateTime) values "
       "(\"first\", \"Mailed\", \"2026-01-01 08:00:00\")"});
  w.window->Boxes()->OpenBox(boxes::Box::Inbox);
  boxes::BoxPage* inbox = w.window->Boxes()->Page(boxes::Box::Inbox);
  ASSERT_EQ(inbox->Model()->Count(), 1);
  store::Query add(*w.data.ADOCDUser);
  add.AddLine(
      "insert into Historys (MailSubject, MessageKind, SendDateTime) values "
      "(\"second\", \"MailUn\", \"2026-01-02 08:00:00\")");
  ASSERT_TRUE(add.ExecSql()) << add.Error();
  w.window->Schedule()->RouteReceived(QStringLiteral("z@x.cn"), 0);  // nothing stored
  EXPECT_EQ(inbox->Model()->Count(), 1);
  w.window->Schedule()->RouteReceived(QStringLiteral("z@x.cn"), 1);
  ASSERT_EQ(inbox->Model()->Count(), 2);
  EXPECT_EQ(inbox->Model()->Row(0).subject, "second");
}

TEST(Receiving, AutoReceiveSettingStartsReceiveAllAndTheScheduleAtStartUp) {
  StartedWindow w({}, {"update PersonalSet set IsAutoRecMail=\"y\", IsPlaySound=\"n\"",
                       RefusedAccount("auto@x.cn", "5")});
  receive::ReceiveSchedule* schedule = w.window->Schedule();
  EXPECT_TRUE(w.window->AutoReceive());
  EXPECT_FALSE(w.window->SoundOn());
  EXPECT_TRUE(schedule->tmrAutoRecM.isActive());
  EXPECT_EQ(schedule->tmrAutoRecM.interval(), receive::ReceiveSchedule::kFirstReceiveAllMs);
  // The builder runs a second after the settings check.
  ASSERT_TRUE(QTest::qWaitFor([schedule] { return schedule->SlotsUsed() == 1; }, 5000));
  EXPECT_EQ(schedule->Slot(1).timer.interval(), 5 * 60000);
  schedule->tmrAutoRecM.stop();
}

// The workers' failures in full go to one file below the program folder.
TEST(Receiving, TheScheduleHandsItsWorkersTheProgramsTraceFile) {
  StartedWindow w;
  ASSERT_NE(w.window->Trace(), nullptr);
  EXPECT_EQ(w.window->Schedule()->Trace(), w.window->Trace());
  EXPECT_EQ(w.window->Trace()->Path(), w.dir.path().toStdString() + "/DB/Tenvel.log");
}

TEST(Receiving, MenuEntriesReceiveOneAccountOrAllOfThem) {
  StartedWindow w({}, {RefusedAccount("one@x.cn"), RefusedAccount("two@x.cn")});
  receive::ReceiveSchedule* schedule = w.window->Schedule();
  const app::MainMenus& m = w.window->Menus();
  QAction* two = m.trayMail->actions().at(3);
  ASSERT_TRUE(two->isEnabled());
  two->trigger();
  EXPECT_TRUE(schedule->ProgressMode());
  EXPECT_EQ(schedule->ManualRec()->AccountLine(), "two@x.cn");
  ASSERT_TRUE(QTest::qWaitFor(
      [schedule] { return schedule->ManualRec()->StatusLine() == "连接POP3服务器失败"; }, 5000));
  ASSERT_TRUE(QTest::qWaitFor([schedule] { return !schedule->Receiving(); }, 5000));

  m.receiveAllManual->trigger();
  EXPECT_TRUE(schedule->tmrAutoRecM.isActive());
  schedule->tmrAutoRecM.stop();
}

TEST(Receiving, AccountChangesRefreshMenusSendersScheduleAndDefault) {
  StartedWindow w({}, {RefusedAccount("one@x.cn", "5")});
  const app::MainMenus& m = w.window->Menus();
  Seed(w.dir.path(), {}, {RefusedAccount("two@x.cn", "10")});
  const accounts::AccountHooks hooks = w.window->AccountRefreshHooks();

  hooks.rebuildReceiveMenus();
  EXPECT_EQ(Captions(m.trayMail), "接收全部邮件|-|one@x.cn|two@x.cn");
  EXPECT_EQ(Captions(m.popupmenuManualRec), "接收全部邮件|-|one@x.cn|two@x.cn");

  QComboBox* senders = w.window->Compose()->SenderSelector();
  senders->setEditText("one@x.cn");
  hooks.reloadSenders();
  ASSERT_EQ(senders->count(), 2);
  EXPECT_EQ(senders->itemText(1), "two@x.cn");
  EXPECT_EQ(senders->currentText(), "one@x.cn");

  hooks.defaultChanged("two@x.cn");
  EXPECT_EQ(w.window->DefaultAccount(), "two@x.cn");
  EXPECT_EQ(senders->currentText(), "two@x.cn");

  receive::ReceiveSchedule* schedule = w.window->Schedule();
  hooks.resetSchedule();
  EXPECT_EQ(schedule->SlotsUsed(), 0);
  ASSERT_TRUE(QTest::qWaitFor([schedule] { return schedule->SlotsUsed() == 2; }, 5000));
  EXPECT_EQ(schedule->Slot(2).timer.interval(), 10 * 60000);
}

TEST(Receiving, AccountManagerOpensModallyFromTheSettingsMenu) {
  StartedWindow w;
  QString shown;
  // Closes the manager once it is up; bounded by its number of tries.
  QTimer closer;
  int tries = 0;
  QObject::connect(&closer, &QTimer::timeout, [&] {
    if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
      shown = dialog->metaObject()->className();
      dialog->reject();
    }
    if (++tries > 100) closer.stop();
  });
  closer.start(20);
  w.window->Menus().accountSet->trigger();
  closer.stop();
  EXPECT_EQ(shown, "accounts::TMailManager");
}

namespace {

// The kinds of the sent box's rows, oldest first.
std::vector<std::string> SentKinds(app::TDataQX& data) {
  std::vector<std::string> kinds;
  store::Query q(*data.ADOCDUser);
  q.AddLine("select MessageKind from MailSendBox order by ID");
  if (!q.Open()) return kinds;
  for (; !q.Eof(); q.Next())
    kinds.push_back(q.FieldText("MessageKind"));
  return kinds;
}

}  // namespace

// SEND after the start-up (whose settings check opens the account database again) finds the
// account, runs the worker and records the outcome: here the server's port is closed, so the
// row says the send failed and the sending page says why.
TEST(Compose, SendAfterTheStartUpRecordsItsOutcome) {
  StartedWindow w({}, {"insert into MailAcc (MailAccount, PasswordPw, smtpServer, NiCheng) "
                       "values (\"a@x.cn\", \"pw\", \"127.0.0.1:1\", \"\")"});
  app::TForm1& window = *w.window;
  window.NewMailClick();
  ASSERT_EQ(window.PageControl1->currentWidget(), window.Compose());
  window.Compose()->ReceiverField()->setEditText(QStringLiteral("b@y.cn"));
  window.Compose()->SenderSelector()->setEditText(QStringLiteral("a@x.cn"));
  window.Compose()->SubjectField()->setText(QStringLiteral("你好"));
  window.SendClick();
  EXPECT_EQ(window.PageControl1->currentWidget(), static_cast<QWidget*>(window.Sending()));
  QTRY_VERIFY_WITH_TIMEOUT(window.Sender() && !window.Sender()->Running(), 10000);
  EXPECT_EQ(SentKinds(w.data), std::vector<std::string>{store::kind::kSendFailed});
}

// 回复 takes the one message selected in the inbox: the recipient is the bare address of its
// sender, the subject gets "Re:", and the compose page is shown.
TEST(Compose, ReplyFillsThePageFromTheSelectedInboxMessage) {
  StartedWindow w(
      {"insert into Historys (Sender, Receiver, SendDateTime, MailSubject, Content, "
       "MessageKind, Fujian, RefuseFujian, Mailcc) values (\"张三 <z@x.cn>\", "
       "\"me@y.cn\", \"2026-12-09 10:00:00\", \"周报\", \"<p>内容</p>\", "
       "\"Mailed\", \"S\", \"me@y.cn\", \"no\")"});
  app::TForm1& window = *w.window;
  window.ReplyClick();  // nothing selected: nothing happens
  EXPECT_NE(window.PageControl1->currentWidget(), window.Compose());
  window.Boxes()->OpenBox(boxes::Box::Inbox);
  window.Boxes()->Page(boxes::Box::Inbox)->List()->selectRow(0);
  window.ReplyClick();
  ASSERT_EQ(window.PageControl1->currentWidget(), window.Compose());
  EXPECT_EQ(window.Compose()->ReceiverField()->currentText(), "z@x.cn");
  EXPECT_EQ(window.Compose()->SubjectField()->text(), "Re:周报");
  EXPECT_EQ(window.Compose()->SenderSelector()->currentText(), "me@y.cn");
}

namespace {

// The notes box rows: Sender and Receiver of each, oldest first.
std::vector<std::string> NoteSenders(app::TDataQX& data) {
  store::Query q(*data.ADOCDUser);
  q.AddLine("select Sender from BianQianBox order by ID");
  EXPECT_TRUE(q.Open()) << q.Error();
  std::vector<std::string> senders;
  for (; !q.Eof(); q.Next())
    senders.push_back(q.FieldText("Sender"));
  return senders;
}

void ChooseComposeItem(app::TForm1& window, const QString& caption) {
  for (QAction* item : window.Compose()->pm2()->actions()) {
    if (item->text() == caption) item->trigger();
  }
}

}  // namespace

// 保存到便签箱 stores the page with the sender "Tenv"; a note opened again fills the page
// without recipients and keeps its own sender for the next save; the notes page deletes
// without asking and ends blank.
TEST(Notes, SaveOpenSaveAgainAndDeleteEveryNote) {
  StartedWindow w({}, {"insert into MailAcc (MailAccount) values (\"a@x.cn\")"});
  app::TForm1& window = *w.window;
  window.NewMailClick();
  window.Compose()->ReceiverField()->setEditText(QStringLiteral("b@y.cn<抄送>c@y.cn"));
  window.Compose()->SubjectField()->setText(QStringLiteral("想法"));
  ChooseComposeItem(window, QStringLiteral("保存到便签箱"));
  ChooseComposeItem(window, QStringLiteral("保存到便签箱"));
  QTRY_COMPARE_WITH_TIMEOUT(NoteSenders(w.data).size(), std::size_t{2}, 5000);
  EXPECT_EQ(NoteSenders(w.data), (std::vector<std::string>{"Tenv", "Tenv"}));

  store::Query older(*w.data.ADOCDUser);
  older.AddLine(
      "insert into BianQianBox (Sender, Receiver, Mailcc, MailBcc, SendDateTime, Content, "
      "MessageKind, FuJianPath, FilePath, MailSubject, Fujian) values (\" old@x.cn \", "
      "\"to@x.cn\", \"cc@x.cn\", \"bcc@x.cn\", \"2030-01-01 00:00:00\", \"<P>旧便签</P>\", "
      "\"MailBianQian\", \"\", \"\", \"旧\", \"F\")");
  ASSERT_TRUE(older.ExecSql()) << older.Error();
  window.Boxes()->OpenBox(boxes::Box::Notes);
  boxes::BoxPage* notes = window.Boxes()->Page(boxes::Box::Notes);
  ASSERT_EQ(notes->Model()->Count(), 3);
  notes->SelectOnly(0);  // the newest: the older note dated 2030
  emit notes->rowOpened();
  ASSERT_EQ(window.PageControl1->currentWidget(), window.Compose());
  EXPECT_EQ(window.Compose()->ReceiverField()->currentText(), "");
  EXPECT_EQ(window.Compose()->SubjectField()->text(), "旧");
  EXPECT_EQ(window.Compose()->SenderSelector()->currentText(), "old@x.cn");
  ChooseComposeItem(window, QStringLiteral("保存到便签箱"));
  QTRY_COMPARE_WITH_TIMEOUT(NoteSenders(w.data).size(), std::size_t{4}, 5000);
  EXPECT_EQ(NoteSenders(w.data).back(), "old@x.cn");

  window.Boxes()->OpenBox(boxes::Box::Notes);
  notes->List()->selectAll();
  QTest::keyClick(notes->List(), Qt::Key_Delete);
  EXPECT_EQ(notes->Model()->Count(), 0);
  EXPECT_TRUE(NoteSenders(w.data).empty());
  EXPECT_TRUE(notes->Preview()->IsBlank());
}
