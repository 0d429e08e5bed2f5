#include "app/Unit1.h"

#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QScreen>
#include <QVBoxLayout>

#include "store/DataFiles.h"
#include "store/Schema.h"

namespace app {
namespace {

constexpr int kWidth = 700;
constexpr int kHeight = 550;

}  // namespace

TForm1::TForm1(QString programFolder, TDataQX* dataModule, QWidget* parent)
    : QMainWindow(parent), programFolder_(std::move(programFolder)), data_(dataModule) {
  setWindowTitle(QStringLiteral("Tenvel 202"));
  auto* central = new QWidget(this);
  auto* layout = new QVBoxLayout(central);
  auto* title = new QLabel(QStringLiteral("Tenvel 202"), central);
  title->setStyleSheet(QStringLiteral("font-size: 20pt; font-weight: bold;"));
  status_ = new QLabel(central);
  status_->setAlignment(Qt::AlignTop | Qt::AlignLeft);
  status_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  layout->addWidget(title);
  layout->addWidget(status_, 1);
  setCentralWidget(central);

  TinitTimer1.setInterval(100);
  tmr1.setInterval(500);
  connect(&TinitTimer1, &QTimer::timeout, this, &TForm1::TinitTimer1Timer);
  connect(&tmr1, &QTimer::timeout, this, &TForm1::tmr1Timer);
  FormCreate();
  TinitTimer1.start();
  tmr1.start();
}

void TForm1::FormCreate() {
  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  setGeometry((screen.width() - kWidth) / 2, (screen.height() - kHeight) / 2, kWidth, kHeight);
  ShowStatus(tr("程序文件夹: %1").arg(programFolder_));

  const std::string root = programFolder_.toStdString();
  std::string error;
  if (!store::EnsureProgramFolders(root, &error)) {
    ReportError(QStringLiteral("无法创建数据文件夹"), error);
    return;
  }
  tools_ = store::Database::Open(store::ToolsDatabasePath(root), &error);
  if (!tools_ || !store::EnsureToolsSchema(*tools_, &error)) {
    tools_.reset();
    ReportError(QStringLiteral("无法打开工具数据库"), error);
  } else {
    qryTX = std::make_unique<store::Query>(*tools_);
  }
  store::WriteToolSeat(root, {});
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
  ShowStatus(tr("帐户数据库: %1").arg(QString::fromStdString(data_->ADOConnectionAcc->Path())));
  recentRecipients_ = store::RecentRecipients(root);
  defaultAccount_ = store::DefaultAccount(root);
  ShowStatus(tr("最近收件人: %1 个").arg(recentRecipients_.size()));
}

void TForm1::tmr1Timer() {
  tmr1.stop();
  std::string error;
  if (data_->IsOpen() && data_->ReopenAccountDatabase(&error)) {
    store::Query& q = *data_->ADOQueryMailAcc;
    q.ClearSql();
    q.AddLine("select * from PersonalSet");
    if (q.Open() && !q.Eof()) {
      locked_ = q.FieldText("SetPassword") == "True";
      soundOn_ = q.FieldText("IsPlaySound") == "y";
      autoReceive_ = q.FieldText("IsAutoRecMail") == "y";
      if (locked_) lockPassword_ = q.FieldText("PasswordPWsys");
    }
    q.Close();
  } else if (!error.empty()) {
    ReportError(QStringLiteral("无法打开帐户数据库"), error);
  }
  ShowStatus(tr("新邮件声音: %1  启动时收信: %2")
                 .arg(soundOn_ ? tr("开") : tr("关"), autoReceive_ ? tr("开") : tr("关")));
  startUpDone_ = true;
  emit startUpFinished();
}

void TForm1::ShowStatus(const QString& line) {
  status_->setText(status_->text().isEmpty() ? line : status_->text() + "\n" + line);
}

void TForm1::ReportError(const QString& what, const std::string& detail) {
  const QString text = what + "\n" + QString::fromStdString(detail);
  ShowStatus(text);
  // Shown without blocking: the start-up steps after this one still run.
  auto* box = new QMessageBox(QMessageBox::Critical, QStringLiteral("Tenvel 202"), text,
                              QMessageBox::Ok, this);
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->open();
}

}  // namespace app
