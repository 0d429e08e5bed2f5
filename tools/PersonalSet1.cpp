#include "tools/PersonalSet1.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/Dialogs.h"
#include "tools/MaskedField.h"
#include "tools/PersonalSettings.h"

namespace tools {

TPersonalSet::TPersonalSet(AccountDatabase accounts, QWidget* parent)
    : QDialog(parent), accounts_(std::move(accounts)) {
  setWindowTitle(QStringLiteral("个人基本设置"));
  auto* header = new QLabel(QStringLiteral("个人基本设置"), this);
  header->setObjectName(QStringLiteral("header"));
  header->setStyleSheet(QStringLiteral("font-weight: bold; font-size: 12pt;"));
  btnApply = new QPushButton(QStringLiteral("应  用"), this);
  btnApply->setAutoDefault(false);
  connect(btnApply, &QPushButton::clicked, this, &TPersonalSet::btnApplyClick);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(btnApply);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(header);
  layout->addWidget(BuildChecks());
  layout->addWidget(BuildPasswords());
  layout->addStretch();
  layout->addLayout(buttons);
  setMinimumWidth(340);

  Timer1.setInterval(kFieldsTimerMs);
  connect(&Timer1, &QTimer::timeout, this, &TPersonalSet::Timer1Timer);
}

QWidget* TPersonalSet::BuildChecks() {
  auto* checks = new QWidget(this);
  auto* grid = new QGridLayout(checks);
  grid->setContentsMargins(0, 6, 0, 6);
  grid->addWidget(new QLabel(QStringLiteral("邮件到达声音提示："), checks), 0, 0);
  chkSound = new QCheckBox(QStringLiteral("开启"), checks);
  grid->addWidget(chkSound, 0, 1);
  chkAutoRec = new QCheckBox(QStringLiteral("启动时主动接收邮件"), checks);
  grid->addWidget(chkAutoRec, 1, 0, 1, 2);
  chkPassword = new QCheckBox(QStringLiteral("启动时须使用密码进入"), checks);
  grid->addWidget(chkPassword, 2, 0, 1, 2);
  grid->setColumnStretch(1, 1);
  return checks;
}

QWidget* TPersonalSet::BuildPasswords() {
  auto* fields = new QWidget(this);
  auto* grid = new QGridLayout(fields);
  grid->setContentsMargins(18, 0, 0, 0);
  edtPassword = MaskedField(fields);
  edtConfirm = MaskedField(fields);
  grid->addWidget(new QLabel(QStringLiteral("密码："), fields), 0, 0);
  grid->addWidget(edtPassword, 0, 1);
  grid->addWidget(new QLabel(QStringLiteral("再次确认："), fields), 1, 0);
  grid->addWidget(edtConfirm, 1, 1);
  return fields;
}

void TPersonalSet::ShowSettings() {
  ReadRow();
  Timer1Timer();
  Timer1.start();
  show();
  raise();
  activateWindow();
}

void TPersonalSet::hideEvent(QHideEvent* event) {
  Timer1.stop();
  QDialog::hideEvent(event);
}

void TPersonalSet::ReadRow() {
  store::Database* accounts = accounts_();
  if (accounts == nullptr) return;  // the start-up reports the database it could not open
  app::PersonalRow row;
  std::string error;
  if (!app::ReadPersonalRow(*accounts, &row, &error)) {
    rowId_.clear();
    if (!error.empty()) Report(QStringLiteral("无法读取个人设置"), error);
    return;
  }
  rowId_ = row.id;
  Show(ShownOf(row));
}

void TPersonalSet::Show(const PersonalShown& shown) {
  chkSound->setChecked(shown.sound);
  chkAutoRec->setChecked(shown.autoReceive);
  if (shown.lock == LockShown::AsItWas) return;
  chkPassword->setChecked(shown.lock == LockShown::Ticked);
  const QString password = QString::fromStdString(shown.password);
  edtPassword->setText(password);
  edtConfirm->setText(password);
}

void TPersonalSet::Timer1Timer() {
  const bool on = chkPassword->isChecked();
  edtPassword->setEnabled(on);
  edtConfirm->setEnabled(on);
}

void TPersonalSet::btnApplyClick() {
  const std::string problem =
      PasswordFieldsProblem(edtPassword->text().toStdString(), edtConfirm->text().toStdString());
  if (!problem.empty()) {
    platform::Inform(this, QStringLiteral("提示"), QString::fromStdString(problem));
    return;
  }
  PersonalChoice choice;
  choice.sound = chkSound->isChecked();
  choice.autoReceive = chkAutoRec->isChecked();
  choice.lock = chkPassword->isChecked();
  choice.password = edtPassword->text().toStdString();
  store::Database* accounts = accounts_();
  std::string error = "the account database is not open";
  if (accounts == nullptr || !SavePersonalRow(*accounts, RowOf(rowId_, choice), &error)) {
    Report(QStringLiteral("无法保存个人设置"), error);
    return;
  }
  emit soundChanged(choice.sound);
}

void TPersonalSet::Report(const QString& what, const std::string& detail) {
  platform::CurrentDialogs().Message(this, QStringLiteral("个人基本设置"),
                                     what + "\n" + QString::fromStdString(detail),
                                     platform::Buttons::Ok, platform::Icon::Critical);
}

}  // namespace tools
