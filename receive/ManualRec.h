#pragma once
// The receive progress window: a small borderless window at the bottom right of the screen
// that shows the account being received and the worker's status line while the user receives
// by hand (receive-all or one account). "-" minimises it, "x" closes it and lets the receive go
// on unseen, the cancel button ends the receive.

#include <QPushButton>  // the public buttons are used by the owner and its tests
#include <QRect>
#include <QTimer>
#include <QWidget>

class QLabel;

namespace receive {

class TManualRec1 : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kWidth = 270;
  static constexpr int kHeight = 117;
  static constexpr int kTidyMs = 1000;

  explicit TManualRec1(QWidget* parent = nullptr);

  void SetAccountLine(const QString& account);
  void SetStatusLine(const QString& status);
  QString AccountLine() const;
  QString StatusLine() const;
  // Moves the window to the bottom right of the screen it is on (top at screen height -
  // window height - 30, left at screen width - window width - 2) and shows it.
  void ShowAtCorner();
  // Starts the tidy timer: after 1000 ms an empty status line becomes "接收完毕", and the
  // status "没有收到新邮件!" closes the window.
  void StartTidyTimer() { tmrTidy.start(); }

  QTimer tmrTidy;
  QPushButton* btnMinimise = nullptr;  // "-"
  QPushButton* btnClose = nullptr;     // "x"
  QPushButton* btnCancel = nullptr;    // the cancel picture button

 signals:
  // "x" was pressed: the window has started its tidy timer and closed itself.
  void closedByUser();
  // The cancel button was pressed: the window has closed itself.
  void cancelRequested();

 private:
  void tmrTidyTimer();

  QLabel* account_ = nullptr;
  QLabel* status_ = nullptr;
};

// The usable area (without the desktop's panels) of the screen that a corner window belongs
// to: the screen of its owner window when it has one, else its own or the primary screen.
QRect CornerArea(const QWidget* window);

}  // namespace receive
