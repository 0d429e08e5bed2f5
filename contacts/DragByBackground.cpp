#include "contacts/DragByBackground.h"

#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

namespace contacts {

DragByBackground* DragByBackground::Install(QWidget* window) {
  auto* filter = new DragByBackground(window);
  window->installEventFilter(filter);
  return filter;
}

DragByBackground::DragByBackground(QWidget* window) : QObject(window), window_(window) {}

// Only the window's own events pass here. A press on a control that takes it (an input, a
// button) never reaches the window; a press a child ignores (a label, a frame, the spaces of
// a layout) is passed on to its parent and so arrives here as the window's own.
bool DragByBackground::eventFilter(QObject* watched, QEvent* event) {
  if (watched != window_) return false;
  switch (event->type()) {
    case QEvent::MouseButtonPress: {
      auto* press = static_cast<QMouseEvent*>(event);
      if (press->button() != Qt::LeftButton) return false;
      // Let the window system move the window (it also snaps and respects screen edges);
      // where it cannot, the filter follows the mouse itself.
      QWindow* handle = window_->windowHandle();
      if (handle != nullptr && handle->startSystemMove()) return true;
      dragging_ = true;
      grabOffset_ = press->globalPosition().toPoint() - window_->frameGeometry().topLeft();
      return true;
    }
    case QEvent::MouseMove: {
      auto* move = static_cast<QMouseEvent*>(event);
      if (!dragging_) return false;
      // The release went elsewhere (another window took the mouse): the drag is over.
      if (!(move->buttons() & Qt::LeftButton)) {
        dragging_ = false;
        return false;
      }
      window_->move(move->globalPosition().toPoint() - grabOffset_);
      return true;
    }
    case QEvent::MouseButtonRelease:
      if (!dragging_) return false;
      dragging_ = false;
      return true;
    default:
      return false;
  }
}

}  // namespace contacts
