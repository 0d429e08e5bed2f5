#pragma once
// New-mail notices: the receive-finished pop-up that slides up at the bottom right of the
// screen, the notice sound, and the task-bar flash that asks for the user's attention.

#include <QPushButton>  // the public buttons are used by the owner and its tests
#include <QRect>
#include <QTimer>
#include <QWidget>

class QLabel;

namespace receive {

class TMailTixing2Fin : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kWidth = 265;
  static constexpr int kHeight = 110;
  static constexpr int kStartHeight = 16;
  static constexpr int kStepMs = 10;

  explicit TMailTixing2Fin(QWidget* parent = nullptr);

  // Fills the account line and the total line ("您收到" + count + "封邮件") and slides the
  // window in from a height of 16 (again from the start when it is already shown). The slide
  // runs on a timer, one pixel every 10 ms, so the program stays responsive meanwhile.
  void ShowReceived(const QString& account, int count);
  QString AccountLine() const;
  QString TotalLine() const;
  bool Sliding() const { return slide_.isActive(); }

  QPushButton* btnClose = nullptr;  // "x", hint 关闭

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void SlideStep();
  void FinishSlide();

  QLabel* account_ = nullptr;
  QLabel* total_ = nullptr;
  QTimer slide_;
  // Where the window is while it slides in; kept here rather than read back from the window
  // system, which may report a move late.
  QRect slideRect_;
  // False from the start of a slide-in until it has reached the full height.
  bool slid_ = false;
};

// Plays Sound/type.mid of the program folder once; silent when it cannot be played.
void PlayNoticeSound(const QString& programFolder);

// Flashes the program's task-bar entry once when `mainWindow` is not the active window.
void FlashForAttention(QWidget* mainWindow);

}  // namespace receive
