#include "app/Unit1.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>

#include "app/AppIcons.h"
#include "app/CompanionTools.h"
#include "app/EnterKeyFilter.h"
#include "app/FrameGeometry.h"
#include "app/StartupSettings.h"
#include "boxes/MailBoxes.h"
#include "boxes/MailMoves.h"
#include "platform/Dialogs.h"
#include "platform/HotKey.h"
#include "platform/HtmlEditor.h"
#include "platform/TrayIcon.h"
#include "platform/WorkingSet.h"
#include "receive/ReceiveSchedule.h"
#include "send/ComposePage.h"
#include "store/DataFiles.h"
#include "store/Stores.h"

namespace app {
namespace {

// Timers of the main window: interval in milliseconds as the window is created.
constexpr int kInitInterval = 100;
constexpr int kSettingsInterval = 500;
constexpr int kReminderInterval = 50000;
constexpr const char* kTraceFile = "/Tenvel.log";  // below the program's DB folder

}  // namespace

TForm1::TForm1(QString programFolder, TDataQX* dataModule, QWidget* parent)
    : QMainWindow(parent), programFolder_(std::move(programFolder)), data_(dataModule) {
  setWindowTitle(QStringLiteral("Tenvel 202"));
  setWindowIcon(MailIcon());
  // The window draws its own title area and has no sizing frame.
  setWindowFlags(Qt::Window | Qt::FramelessWindowHint);

  const boxes::MailDatabase mail = [this] { return data_->ADOCDUser.get(); };
  boxes_ = new boxes::MailBoxes(mail, programFolder_, this);
  moves_ = std::make_unique<boxes::MailMoves>(mail, programFolder_.toStdString());
  compose_ = new send::ComposePage(platform::CreateHtmlEditor(nullptr), &sendState_,
                                   store::RecentRecipientsPath(programFolder_.toStdString()));
  compose_->SetSenderSource([this] {
    return data_->IsOpen() ? SenderAddresses(*data_->ADOQueryMailAcc) : QStringList();
  });
  boxes_->SetMoves(moves_.get());
  tools2_ = new CompanionTools(programFolder_, this);
  receive::ReceiveDatabases databases;
  databases.mail = [this] { return data_->ADOCDUser.get(); };
  databases.account = [this] { return data_->ADOConnectionAcc.get(); };
  trace_ = std::make_unique<maillib::FileTrace>(
      store::DatabaseFolder(programFolder_.toStdString()) + kTraceFile);
  schedule_ =
      std::make_unique<receive::ReceiveSchedule>(programFolder_, std::move(databases), this);
  schedule_->SetTrace(trace_.get());
  menus_ = BuildMainMenus(this);
  BuildSending();
  BuildForm();

  tray_ = new platform::TrayIcon(MailIcon(), QStringLiteral("Tenvel 202"), this);
  hideToTray_ = platform::TrayIcon::Available();
  connect(tray_, &platform::TrayIcon::clicked, this, &TForm1::ShowFromTray);
  tray_->Show();
  hotKey_ = new platform::GlobalHotKey(this);
  connect(hotKey_, &platform::GlobalHotKey::pressed, this, &TForm1::ShowFromTray);
  enterFilter_ = new EnterKeyFilter(this);
  enterFilter_->SetEditor(compose_->Editor());
  qApp->installEventFilter(enterFilter_);
  platform::TrimOnApplicationStateChanges(this);
  ConnectMenus();
  ConnectBoxes();
  ConnectCompose();
  ConnectContacts();
  ConnectSettings();
  ConnectReminders();
  ConnectNotes();
  ConnectQuickReplies();
  ConnectEmoticons();
  ConnectCapture();

  TinitTimer1.setInterval(kInitInterval);
  tmr1.setInterval(kSettingsInterval);
  TmrTvTix.setInterval(kReminderInterval);
  for (QTimer* once : {&TinitTimer1, &tmr1})
    once->setSingleShot(true);
  connect(&TinitTimer1, &QTimer::timeout, this, &TForm1::TinitTimer1Timer);
  connect(&tmr1, &QTimer::timeout, this, &TForm1::tmr1Timer);
  FormCreate();
  TinitTimer1.start();
  tmr1.start();
  TmrTvTix.start();
}

TForm1::~TForm1() {
  // Running receives end (cancelled and waited for) before anything they report to or write
  // through goes.
  schedule_.reset();
  // The filter is the window's child; take it off the application before it goes.
  qApp->removeEventFilter(enterFilter_);
}

bool TForm1::SoundOn() const {
  return schedule_->SoundOn();
}

bool TForm1::AutoReceive() const {
  return schedule_->AutoReceive();
}

void TForm1::FormCreate() {
  setGeometry(NormalGeometry(QGuiApplication::primaryScreen()->geometry()));
  ShowStartPage();
  hotKey_->RegisterCtrlM();

  const std::string root = programFolder_.toStdString();
  std::string error;
  if (!store::EnsureProgramFolders(root, &error)) {
    ReportError(QStringLiteral("无法创建数据文件夹"), error);
    return;
  }
  tools_ = store::OpenToolsStore(root, &error);
  if (!tools_) {
    ReportError(QStringLiteral("无法打开工具数据库"), error);
  } else {
    qryTX = std::make_unique<store::Query>(*tools_);
  }
  store::WriteToolSeat(root, {});
}

void TForm1::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (shownOnce_) return;
  shownOnce_ = true;
  // 加入通讯录 of the message menu belongs to the reading page, which enables it.
  boxes_->pm5()
      ->actions()
      .at(static_cast<int>(boxes::MessageMenuItem::AddToAddressBook))
      ->setEnabled(false);
  RunReminderPass();
  TmrTvTix.start();
}

void TForm1::TinitTimer1Timer() {
  TinitTimer1.stop();
  const std::string root = programFolder_.toStdString();
  std::string error;
  if (!store::EnsureProgramFolders(root, &error) || !data_->OpenDatabases(root, &error)) {
    ReportError(QStringLiteral("无法打开邮件数据库"), error);
    return;
  }
  ShowStatus(tr("邮件数据库: %1").arg(QString::fromStdString(data_->ADOCDUser->Path())));
  recentRecipients_ = store::RecentRecipients(root);
  defaultAccount_ = store::DefaultAccount(root);
  FillRuntimeMenus();
  StartSendController();
}

void TForm1::FillRuntimeMenus() {
  // The start-up fills these once; the windows that change quick replies or accounts
  // rebuild them with the same functions.
  if (menusFilled_) return;
  menusFilled_ = true;
  showKuaihuiMenu();
  RebuildReceiveMenus();
}

void TForm1::RebuildReceiveMenus() {
  if (!data_->IsOpen()) return;
  const QList<QAction*> entries =
      FillAccountMenus(menus_.trayMail, menus_.popupmenuManualRec, *data_->ADOQueryMailAcc);
  for (QAction* entry : entries) {
    const QString address = entry->toolTip();
    connect(entry, &QAction::triggered, this, [this, address] { schedule_->ReceiveOne(address); });
  }
}

void TForm1::tmr1Timer() {
  tmr1.stop();
  std::string error;
  // A running worker writes through the account connection: it is never replaced under one
  // (a receive can be started from the menus before this step runs).
  const bool mayReopen = !schedule_->Receiving();
  if (data_->IsOpen() && (!mayReopen || data_->ReopenAccountDatabase(&error))) {
    StartupSettings settings;
    if (ReadStartupSettings(*data_->ADOConnectionAcc, &settings, &error)) {
      locked_ = settings.locked;
      schedule_->SetSoundOn(settings.soundOn);
      schedule_->SetAutoReceive(settings.autoReceive);
      if (locked_) lockPassword_ = settings.lockPassword;
    } else if (!error.empty()) {
      ReportError(QStringLiteral("无法读取个人设置"), error);
    }
  } else if (!error.empty()) {
    ReportError(QStringLiteral("无法打开帐户数据库"), error);
  }
  // Locked: nothing is received and the tray has no menu until the lock is opened.
  if (locked_) {
    ShowLock();
  } else {
    OpenAfterSettings();
  }
  startUpDone_ = true;
  emit startUpFinished();
}

void TForm1::OpenAfterSettings() {
  tray_->SetMenu(menus_.PopMinMenu);
  schedule_->StartReceiving();
}

void TForm1::ShowStatus(const QString& line) {
  statusLine_ = line;
  if (status_ != nullptr) status_->setText(line);
}

void TForm1::ShowHoveredLink(const QString& url) {
  // The real address shows while the pointer is over a link; the status line comes back after.
  if (status_ != nullptr) status_->setText(url.isEmpty() ? statusLine_ : url);
}

void TForm1::ReportError(const QString& what, const std::string& detail) {
  const QString text = what + "\n" + QString::fromStdString(detail);
  ShowStatus(what);
  platform::CurrentDialogs().Message(this, QStringLiteral("Tenvel 202"), text,
                                     platform::Buttons::Ok, platform::Icon::Critical);
}

}  // namespace app
