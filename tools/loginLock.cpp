#include "tools/loginLock.h"

#include <QFrame>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "tools/InforTishi.h"
#include "tools/MaskedField.h"

namespace tools {

TLockLogin::TLockLogin(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint) {
  setWindowTitle(QStringLiteral("Tenvel 202"));
  prompt_ = new TInforTishi(this);
  // Without a border of the window system the lock draws its own edge.
  auto* frame = new QFrame(this);
  frame->setFrameShape(QFrame::Box);
  auto* inner = new QVBoxLayout(frame);
  inner->setContentsMargins(24, 18, 24, 14);
  inner->addWidget(BuildFields());
  inner->addWidget(BuildButtons());
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(frame);
}

QWidget* TLockLogin::BuildFields() {
  auto* fields = new QWidget(this);
  auto* grid = new QGridLayout(fields);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->addWidget(new QLabel(QStringLiteral("用户名：Tenv客户端"), fields), 0, 0, 1, 2);
  grid->addWidget(new QLabel(QStringLiteral("密  码："), fields), 1, 0);
  edtPassword = MaskedField(fields);
  edtPassword->setMinimumWidth(160);
  grid->addWidget(edtPassword, 1, 1);
  return fields;
}

QWidget* TLockLogin::BuildButtons() {
  auto* buttons = new QWidget(this);
  auto* row = new QHBoxLayout(buttons);
  row->setContentsMargins(0, 8, 0, 0);
  btnForget = new QPushButton(QStringLiteral("忘记密码"), buttons);
  btnForget->setFlat(true);
  btnForget->setAutoDefault(false);
  btnOk = new QPushButton(QStringLiteral("确定"), buttons);
  btnOk->setDefault(true);
  btnCancel = new QPushButton(QStringLiteral("取消"), buttons);
  btnCancel->setAutoDefault(false);
  row->addWidget(btnForget);
  row->addStretch();
  row->addWidget(btnOk);
  row->addWidget(btnCancel);
  connect(btnOk, &QPushButton::clicked, this, &TLockLogin::btnOkClick);
  connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
  return buttons;
}

void TLockLogin::ShowOver(const QWidget* window) {
  adjustSize();
  const QRect over =
      window != nullptr ? window->frameGeometry() : QGuiApplication::primaryScreen()->geometry();
  move(over.center() - rect().center());
  setWindowModality(Qt::ApplicationModal);
  show();
  raise();
  activateWindow();
  edtPassword->setFocus();
}

void TLockLogin::btnOkClick() {
  if (edtPassword->text() != password_) {
    prompt_->ShowMessage(QString::fromUtf8(kWrongLockPassword));
    return;
  }
  accept();
}

}  // namespace tools
