#include "app/TitleBar.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyleOption>
#include <QWindow>

#include "app/AppIcons.h"

namespace app {

TitleButton::TitleButton(const QString& caption, const QString& hint, QWidget* parent)
    : QPushButton(caption, parent) {
  setToolTip(hint);
  setFlat(true);
  setAttribute(Qt::WA_Hover);  // repaint when the mouse enters and leaves
  setFocusPolicy(Qt::NoFocus);
  setCursor(Qt::PointingHandCursor);
}

void TitleButton::paintEvent(QPaintEvent* /*event*/) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const bool hot = underMouse() || isDown();
  if (hot)
    p.fillRect(rect(), text() == QLatin1String(kCaptionClose) ? QColor(0xd9, 0x3b, 0x3b)
                                                              : QColor(255, 255, 255, 60));
  p.setPen(QPen(Qt::white, 1.5));
  PaintTitleGlyph(p, rect(), text());
}

TitlePanel::TitlePanel(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("pnl1"));
  setAttribute(Qt::WA_StyledBackground);
}

void TitlePanel::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
  // Let the window system move the window (it also snaps and respects screen edges); where
  // it cannot, the panel follows the mouse itself.
  QWindow* handle = window()->windowHandle();
  if (handle != nullptr && handle->startSystemMove()) return;
  dragging_ = true;
  grabOffset_ = event->globalPosition().toPoint() - window()->frameGeometry().topLeft();
}

void TitlePanel::mouseMoveEvent(QMouseEvent* event) {
  if (!dragging_) return QWidget::mouseMoveEvent(event);
  window()->move(event->globalPosition().toPoint() - grabOffset_);
}

void TitlePanel::mouseReleaseEvent(QMouseEvent* event) {
  dragging_ = false;
  QWidget::mouseReleaseEvent(event);
}

void TitlePanel::paintEvent(QPaintEvent* /*event*/) {
  QStyleOption option;
  option.initFrom(this);
  QPainter p(this);
  style()->drawPrimitive(QStyle::PE_Widget, &option, &p, this);
}

}  // namespace app
