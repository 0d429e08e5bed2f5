#pragma once
// The reminder window (caption 事件提醒): a small frameless panel that slides in from above the
// top edge of the desktop with a reminder's big mark, time and text, and a sound. It stays
// until its close picture at the corner is clicked.

#include <QPointer>
#include <QWidget>
#include <functional>

#include "tools/Reminders.h"

class QLabel;
class QPropertyAnimation;

namespace tools {

// The reminder sound below the program folder: TVToolsIcon/2.mp3 when it is there, else the
// chime shipped with the program (Sound/reminder.wav).
QString ReminderSoundFile(const QString& programFolder);

class TForm3 : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kWidth = 290;
  static constexpr int kHeight = 134;

  explicit TForm3(QString programFolder, QWidget* parent = nullptr);

  // Places the window just above the top edge of the desktop, shows it, starts the sound and
  // slides the window down by its height (without holding the interface), then shows the row's
  // texts. A second reminder while one is shown starts again from the top with its own texts.
  void ShowReminder(const Reminder& row);

  // Plays a sound file; platform::PlaySoundFile unless a test puts in its own. Returns whether
  // a sound was started.
  using SoundPlayer = std::function<bool(const QString& file)>;
  void SetSoundPlayer(SoundPlayer player) { player_ = std::move(player); }

  // The slide's duration in milliseconds (one pixel per millisecond).
  int SlideDuration() const;

  QLabel* MarkLabel() const { return mark_; }
  QLabel* TimeLabel() const { return time_; }
  QLabel* TextLabel() const { return text_; }
  QLabel* ClosePicture() const { return close_; }
  QPropertyAnimation* Slide() const { return slide_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildLabels();
  void PlaySound();

  QString programFolder_;
  SoundPlayer player_;
  QLabel* mark_ = nullptr;
  QLabel* time_ = nullptr;
  QLabel* text_ = nullptr;
  QLabel* close_ = nullptr;
  QPropertyAnimation* slide_ = nullptr;
};

}  // namespace tools
