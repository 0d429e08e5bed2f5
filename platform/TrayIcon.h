#pragma once
// The notification-area icon. Without a notification area (no tray on this desktop, or no
// display) the object still exists, shows nothing and reports nothing, and the program runs.

#include <QIcon>
#include <QObject>
#include <QString>

class QMenu;
class QSystemTrayIcon;

namespace platform {

class TrayIcon : public QObject {
  Q_OBJECT

 public:
  TrayIcon(const QIcon& icon, const QString& toolTip, QObject* parent = nullptr);

  // True when the desktop has a notification area.
  static bool Available();

  // Gives the icon its menu (nullptr: none). The menu is not owned.
  void SetMenu(QMenu* menu);
  QMenu* Menu() const { return menu_; }
  void Show();
  void Hide();
  bool Visible() const;
  // A balloon notice, where the desktop supports one.
  void Notify(const QString& title, const QString& text);

 signals:
  // The icon was clicked or double-clicked (not the menu button).
  void clicked();

 private:
  QSystemTrayIcon* icon_ = nullptr;
  QMenu* menu_ = nullptr;
};

}  // namespace platform
