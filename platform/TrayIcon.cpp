#include "platform/TrayIcon.h"

#include <QMenu>
#include <QSystemTrayIcon>

namespace platform {

TrayIcon::TrayIcon(const QIcon& icon, const QString& toolTip, QObject* parent) : QObject(parent) {
  if (!Available()) return;
  icon_ = new QSystemTrayIcon(icon, this);
  icon_->setToolTip(toolTip);
  connect(icon_, &QSystemTrayIcon::activated, this,
          [this](QSystemTrayIcon::ActivationReason reason) {
            if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick)
              emit clicked();
          });
}

bool TrayIcon::Available() {
  return QSystemTrayIcon::isSystemTrayAvailable();
}

void TrayIcon::SetMenu(QMenu* menu) {
  menu_ = menu;
  if (icon_ != nullptr) icon_->setContextMenu(menu);
}

void TrayIcon::Show() {
  if (icon_ != nullptr) icon_->show();
}

void TrayIcon::Hide() {
  if (icon_ != nullptr) icon_->hide();
}

bool TrayIcon::Visible() const {
  return icon_ != nullptr && icon_->isVisible();
}

void TrayIcon::Notify(const QString& title, const QString& text) {
  if (icon_ != nullptr && QSystemTrayIcon::supportsMessages()) icon_->showMessage(title, text);
}

}  // namespace platform
