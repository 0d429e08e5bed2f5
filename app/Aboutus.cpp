#include "app/Aboutus.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/AppIcons.h"

namespace app {

TAboutus::TAboutus(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("关于我们"));
  auto* icon = new QLabel(this);
  icon->setPixmap(MailIcon().pixmap(64, 64));
  auto* product = new QLabel(QStringLiteral("Tenvel 202"), this);
  product->setObjectName(QStringLiteral("product"));
  product->setStyleSheet(QStringLiteral("font-size: 18pt; font-weight: bold;"));
  auto* line = new QLabel(QStringLiteral("电子邮件客户端"), this);
  auto* text = new QVBoxLayout;
  text->addWidget(product);
  text->addWidget(line);
  auto* top = new QHBoxLayout;
  top->addWidget(icon);
  top->addLayout(text, 1);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("确定"));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(buttons);
}

}  // namespace app
