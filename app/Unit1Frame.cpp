// The frame operations of the main window: minimise, maximise toggle, hide to and show from
// the notification area, exit, and the launchers (companion tools, help, feedback, about).

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDate>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QStackedWidget>
#include <QUrl>

#include "accounts/AccountLedger.h"
#include "app/Aboutus.h"
#include "app/CompanionTools.h"
#include "app/Feedback.h"
#include "app/FrameGeometry.h"
#include "app/SiteConfig.h"
#include "app/Unit1.h"
#include "boxes/DraftOpen.h"
#include "boxes/MailBoxes.h"
#include "platform/Shell.h"
#include "platform/SingleInstance.h"
#include "platform/WorkingSet.h"
#include "receive/ReceiveSchedule.h"
#include "send/ComposeFill.h"
#include "send/ComposePage.h"

namespace app {
namespace {

QRect ScreenOf(const QWidget* window) {
  const QScreen* screen = window->screen();
  if (screen == nullptr) screen = QGuiApplication::primaryScreen();
  return screen->geometry();
}

}  // namespace

void TForm1::btn14Click() {
  if (hideToTray_) {
    hide();
  } else {
    showMinimized();
  }
  platform::TrimWorkingSet();
}

void TForm1::btn15Click() {
  const ToggleResult next = ToggleMaximised(btn15->text(), ScreenOf(this));
  setGeometry(next.geometry);
  btn15->setText(next.caption);
  btn15->setToolTip(next.caption == QLatin1String(kCaptionMaximise) ? QStringLiteral("最大化")
                                                                    : QStringLiteral("还原"));
  btn15->update();
}

void TForm1::btn28Click() {
  if (hideToTray_) {
    hide();
  } else {
    // Without a notification area a hidden window could not be found again.
    showMinimized();
  }
  // The compose page stays as it is: a mail being written is there when the window returns.
  platform::TrimWorkingSet();
}

void TForm1::closeEvent(QCloseEvent* event) {
  // Closing the window (also from the window system) keeps the program running; it ends
  // only through "退出程序".
  event->ignore();
  btn28Click();
}

void TForm1::ResetComposePage() {
  compose_->Clear();
}

void TForm1::ShowFromTray() {
  if (isVisible() && !isMinimized()) return;  // a window on the screen is left as it is
  setGeometry(NormalGeometry(ScreenOf(this)));
  btn15->setText(QString::fromLatin1(kCaptionMaximise));
  showNormal();
  raise();
  activateWindow();
  // A mail being written is shown again where it was left; any other page gives way to the
  // start page.
  if (PageControl1->currentWidget() != compose_) ShowStartPage();
}

void TForm1::BringToFront() {
  ShowFromTray();
  // A window already on the screen may lie behind others.
  raise();
  activateWindow();
}

void TForm1::FollowLaterStarts(platform::SingleInstance* instance) {
  connect(instance, &platform::SingleInstance::messageReceived, this,
          [this](const QByteArray& message) {
            if (message == platform::kInstanceMessage) BringToFront();
          });
}

void TForm1::ShowPage(QWidget* page) {
  PageControl1->setCurrentWidget(page);
}

void TForm1::ShowStartPage() {
  ShowPage(ts1);
}

void TForm1::ExitProgram() {
  // Receives are told to stop now and the windows go at once: waiting for a worker that is
  // reading from a slow server then happens out of sight.
  schedule_->PrepareExit();
  hide();
  QCoreApplication::quit();
}

void TForm1::OpenTool(int n) {
  if (OpenOwnReminderTool(n)) return;
  tools2_->Open(n);
}

void TForm1::HelpClick() {
  platform::OpenExternalUrl(
      QUrl(QString::fromLatin1(kMakerSite) + QString::fromLatin1(kHelpPagePath)));
}

void TForm1::FeedbackClick() {
  send::ComposePage* compose = compose_;
  ShowPage(compose);
  ResetComposePage();
  compose->SenderSelector()->clear();
  if (!data_->IsOpen()) return;
  const FeedbackMail mail = PrepareFeedback(QDate::currentDate(), *data_->ADOQueryMailAcc);
  compose->SubjectField()->setText(mail.subject);
  compose->ReceiverField()->setEditText(mail.recipient);
  compose->SenderSelector()->addItems(mail.senders);
}

void TForm1::ShowDraft(const boxes::DraftFields& fields) {
  send::ComposeFields page;
  page.recipientField = fields.recipients;
  page.subject = fields.subject;
  page.sender = fields.sender;
  page.bodyHtml = fields.body;
  // The bar shows the draft's attachments; a hidden bar would drop them from the next save.
  page.attachments = fields.attachments;
  page.pictureFiles = send::DraftPictureFiles(fields.body);
  compose_->Fill(page);
  ShowPage(compose_);
}

void TForm1::AccountManagerClick() {
  if (!data_->IsOpen()) return;  // the start-up already said why the databases are closed
  accounts::TMailManager manager(programFolder_, *data_->ADOConnectionAcc, AccountRefreshHooks(),
                                 this);
  manager.exec();
}

accounts::AccountHooks TForm1::AccountRefreshHooks() {
  accounts::AccountHooks hooks;
  hooks.reloadSenders = [this] { ReloadSenders(); };
  hooks.rebuildReceiveMenus = [this] { RebuildReceiveMenus(); };
  hooks.resetSchedule = [this] { schedule_->ResetSchedule(); };
  hooks.accountChanged = [this](const accounts::AccountChange& change) { KeepLedger(change); };
  hooks.defaultChanged = [this](const QString& address) { SetDefaultAccount(address); };
  return hooks;
}

void TForm1::ReloadSenders() {
  // The page reads the account list through the source set in the constructor.
  if (data_->IsOpen()) compose_->ReloadSenders();
}

void TForm1::KeepLedger(const accounts::AccountChange& change) {
  if (!data_->IsOpen()) return;
  std::string error;
  if (accounts::FollowLedger(accounts::StoreLedgers(*data_->ADOCDUser), change, &error)) return;
  trace_->Trace("account change: the ledger of unique ids was not kept: " + error);
}

void TForm1::SetDefaultAccount(const QString& address) {
  defaultAccount_ = address.toStdString();
  compose_->SenderSelector()->setEditText(address);
}

TAboutus* TForm1::Aboutus() {
  if (aboutus_ == nullptr) aboutus_ = new TAboutus(this);
  return aboutus_;
}

void TForm1::AboutClick() {
  TAboutus* about = Aboutus();
  about->show();
  about->raise();
}

}  // namespace app
