#include "tools/InforTishi.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace tools {

TInforTishi::TInforTishi(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("提示"));
  line_ = new QLabel(this);
  line_->setObjectName(QStringLiteral("message"));
  line_->setAlignment(Qt::AlignCenter);
  line_->setMinimumWidth(220);
  btnOk = new QPushButton(QStringLiteral("确定"), this);
  btnOk->setDefault(true);
  connect(btnOk, &QPushButton::clicked, this, &QDialog::accept);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(btnOk);
  buttons->addStretch();
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(line_);
  layout->addLayout(buttons);
}

void TInforTishi::ShowMessage(const QString& text) {
  line_->setText(text);
  setWindowModality(Qt::ApplicationModal);
  show();
  raise();
  activateWindow();
}

QString TInforTishi::Message() const {
  return line_->text();
}

}  // namespace tools
