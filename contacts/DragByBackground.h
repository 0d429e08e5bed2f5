// Lets the mouse drag a window by any free spot: a press that no control of the window takes
// (the window's own background, a label, a frame) starts moving the whole window.
//
//   contacts::DragByBackground::Install(this);  // in the window's constructor
#pragma once

#include <QObject>
#include <QPoint>

class QWidget;

namespace contacts {

class DragByBackground : public QObject {
  Q_OBJECT

 public:
  // Watches `window` (a top-level widget), which owns the returned filter.
  static DragByBackground* Install(QWidget* window);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  explicit DragByBackground(QWidget* window);

  QWidget* window_;
  // Set while the filter moves the window itself (the window system could not).
  bool dragging_ = false;
  QPoint grabOffset_;
};

}  // namespace contacts
