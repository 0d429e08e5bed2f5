#pragma once
// The screen-capture window: a borderless full-screen window showing a picture of the whole
// screen, with an information panel (the pixel under the mouse and what to do next) that
// jumps to the other side whenever the mouse enters it. The selection follows
// editor::CaptureSelection; the rectangle is drawn with an inverting 1-pixel pen.
//
// An accepted selection is saved as a BMP (CaptureFile below the program folder), regionSaved
// tells its path and the window closes. Right button or Esc in idle close it without saving; a
// BMP that cannot be written is reported in a message and the window closes too. closed is
// emitted whenever the window closes.

#include <QImage>
#include <QRect>
#include <QString>
#include <QWidget>
#include <functional>

#include "editor/CaptureSelection.h"

namespace editor {

class TCopyScreenForm : public QWidget {
  Q_OBJECT

 public:
  // screen: the grabbed picture, one picture pixel per window pixel.
  TCopyScreenForm(QImage screen, QString programFolder, QWidget* parent = nullptr);

  // The millisecond tick of the saved file's name (a steady clock unless a test sets one).
  void SetTick(std::function<long long()> tick) { tick_ = std::move(tick); }

  const CaptureSelection& Selection() const { return selection_; }
  QRect Panel() const { return panel_; }
  // The panel's lines as shown now.
  QStringList PanelLines() const;

 signals:
  // The selection was saved to path (the window is closing).
  void regionSaved(const QString& path);
  void closed();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void React(CaptureReaction reaction);
  void AcceptSelection();
  void FollowPanel(QPoint at);
  QString SaveRegion() const;

  QImage screen_;
  QString programFolder_;
  CaptureSelection selection_;
  std::function<long long()> tick_;
  QRect panel_;
  bool inPanel_ = false;
  QPoint mouse_;
};

}  // namespace editor
