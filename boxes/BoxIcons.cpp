#include "boxes/BoxIcons.h"

#include <QPainter>
#include <QPixmap>
#include <array>

namespace boxes {
namespace {

constexpr int kSide = 16;

QPixmap Blank() {
  QPixmap pixmap(kSide, kSide);
  pixmap.fill(Qt::transparent);
  return pixmap;
}

QPixmap Clip() {
  QPixmap pixmap = Blank();
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(90, 90, 90), 1.5));
  p.drawRoundedRect(QRectF(5, 2, 6, 12), 3, 3);
  p.drawLine(QPointF(8, 5), QPointF(8, 11));
  return pixmap;
}

QPixmap Dot(const QColor& color) {
  QPixmap pixmap = Blank();
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(color);
  p.drawEllipse(QRectF(3, 3, 10, 10));
  return pixmap;
}

QPixmap Envelope() {
  QPixmap pixmap = Blank();
  QPainter p(&pixmap);
  p.setPen(QPen(QColor(30, 80, 160), 1));
  p.setBrush(QColor(255, 236, 150));
  p.drawRect(QRect(1, 4, 13, 9));
  p.drawLine(1, 4, 8, 9);
  p.drawLine(14, 4, 8, 9);
  return pixmap;
}

QPixmap Cross() {
  QPixmap pixmap = Blank();
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(200, 30, 30), 2.5));
  p.drawLine(QPointF(4, 4), QPointF(12, 12));
  p.drawLine(QPointF(12, 4), QPointF(4, 12));
  return pixmap;
}

}  // namespace

QIcon BoxIcon(RowImage image) {
  // Painted once, on first use (a QPixmap needs the application object).
  static const std::array<QIcon, 5> icons = {QIcon(Clip()), QIcon(Dot(QColor(220, 40, 40))),
                                             QIcon(Dot(QColor(40, 90, 220))), QIcon(Envelope()),
                                             QIcon(Cross())};
  const int i = static_cast<int>(image);
  return (i >= 0 && i < static_cast<int>(icons.size())) ? icons[static_cast<std::size_t>(i)]
                                                        : QIcon();
}

}  // namespace boxes
