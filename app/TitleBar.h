#pragma once
// The main window's own title area (the window has no caption of its own): the panel that
// drags the window, and the small buttons that minimise, maximise/restore and close it.

#include <QPoint>
#include <QPushButton>
#include <QWidget>

namespace app {

// A button whose caption ("0", "2", "1", "r") is drawn as a glyph; text() keeps the caption.
class TitleButton : public QPushButton {
  Q_OBJECT

 public:
  TitleButton(const QString& caption, const QString& hint, QWidget* parent = nullptr);
  QSize sizeHint() const override { return {30, 24}; }

 protected:
  void paintEvent(QPaintEvent* event) override;
};

// The top panel pnl1: pressing the mouse on it drags the whole window.
class TitlePanel : public QWidget {
  Q_OBJECT

 public:
  explicit TitlePanel(QWidget* parent = nullptr);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  // Set while the panel moves the window itself (the window system could not).
  bool dragging_ = false;
  QPoint grabOffset_;
};

}  // namespace app
