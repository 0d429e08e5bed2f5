#include "app/AppIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include "app/FrameGeometry.h"

namespace app {
namespace {

QPixmap EnvelopePixmap(int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  const qreal m = size / 8.0;
  const QRectF body(m, size * 0.25, size - 2 * m, size * 0.5);
  p.setPen(QPen(QColor(0x1f, 0x4e, 0x9a), size / 16.0));
  p.setBrush(QColor(0x5b, 0x9b, 0xe6));
  p.drawRoundedRect(body, m / 2, m / 2);
  QPainterPath flap;
  flap.moveTo(body.topLeft());
  flap.lineTo(body.center().x(), body.top() + body.height() * 0.6);
  flap.lineTo(body.topRight());
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(Qt::white, size / 14.0));
  p.drawPath(flap);
  return pixmap;
}

}  // namespace

QIcon MailIcon() {
  QIcon icon;
  for (int size : {16, 22, 32, 48, 64})
    icon.addPixmap(EnvelopePixmap(size));
  return icon;
}

void PaintTitleGlyph(QPainter& painter, const QRect& area, const QString& caption) {
  const int s = qMin(area.width(), area.height()) / 3;
  const QRect box(area.center().x() - s / 2, area.center().y() - s / 2, s, s);
  if (caption == QLatin1String(kCaptionMinimise)) {
    painter.drawLine(box.left(), box.bottom(), box.right(), box.bottom());
  } else if (caption == QLatin1String(kCaptionMaximise)) {
    painter.drawRect(box);
  } else if (caption == QLatin1String(kCaptionRestore)) {
    const int d = s / 4;
    painter.drawRect(box.adjusted(0, d, -d, 0));
    painter.drawPolyline(QPolygon(
        {QPoint(box.left() + d, box.top() + d), QPoint(box.left() + d, box.top()), box.topRight(),
         QPoint(box.right(), box.bottom() - d), QPoint(box.right() - d, box.bottom() - d)}));
  } else if (caption == QLatin1String(kCaptionClose)) {
    painter.drawLine(box.topLeft(), box.bottomRight());
    painter.drawLine(box.topRight(), box.bottomLeft());
  }
}

}  // namespace app
