#pragma once
// The sending page of the main window: a picture, the progress bar of the transfer, the status
// line in its colour, the sender and recipient of the mail being sent, the error line and the
// "取消发送" button. The picture is one of Images/SendImg/0.jpg ... 5.jpg below the program
// folder, chosen at random each time the page is shown.

#include <QString>
#include <QWidget>
#include <cstdint>

#include "send/sendmThread.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QShowEvent;

namespace send {

class SendingPage : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kPictureCount = 6;

  explicit SendingPage(const QString& programFolder, QWidget* parent = nullptr);

  // The start of a send: progress 0, "取消发送" enabled, status "正在连接..." in black, the
  // sender and recipient shown, the error line emptied.
  void Begin(const QString& sender, const QString& recipient);

  void SetStatus(const QString& text, StatusColour colour);
  QString StatusText() const;
  StatusColour StatusColourShown() const { return statusColour_; }
  // The error line, always blue.
  void SetErrorLine(const QString& text);
  QString ErrorText() const;
  QString SenderText() const;
  QString RecipientText() const;

  // The bar runs from 0 to total bytes; each report of bytes sent moves it on. Totals beyond
  // the bar's int range are scaled down so the bar still fills.
  void SetProgressRange(std::int64_t total);
  void AddProgress(std::int64_t bytes);
  void ResetProgress();
  std::int64_t ProgressPosition() const { return position_; }
  QProgressBar* ProgressBar() const { return progress_; }

  QPushButton* CancelButton() const { return cancel_; }

  // The picture file drawn when the page was last shown ("" before that).
  QString PicturePath() const { return picturePath_; }
  // Draws a new picture chosen at random.
  void DrawPicture();

 signals:
  void cancelRequested();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void ShowPosition();

  QString programFolder_;
  QString picturePath_;
  QLabel* picture_;
  QProgressBar* progress_;
  QLabel* status_;
  QLabel* sender_;
  QLabel* recipient_;
  QLabel* error_;
  QPushButton* cancel_;
  StatusColour statusColour_ = StatusColour::Black;
  std::int64_t total_ = 0;
  std::int64_t position_ = 0;
  std::int64_t scale_ = 1;  // bytes per step of the bar
};

// The colour a status colour is drawn in.
QColor ColourOf(StatusColour colour);

}  // namespace send
