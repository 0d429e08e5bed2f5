#include "receive/MailTixingFin.h"

#include <QApplication>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>

#include "platform/Sound.h"
#include "receive/ManualRec.h"

namespace receive {
namespace {

// The pop-up's drawing: a title strip along the top, a body inset from the other edges.
constexpr int kTitleHeight = 15;
constexpr int kBodyInset = 5;
// Where the slide-in starts: this far above the bottom of the usable screen area, and this far
// from its right edge.
constexpr int kStartAboveBottom = 40;
constexpr int kCornerRight = 2;
// The window's shape: round top corners (a 4 x 4 corner ellipse), square from here down.
constexpr qreal kShapeRadius = 2;
constexpr int kSquareFrom = 11;

const QColor kBackground(157, 186, 244);
const QColor kBodyBorder(85, 127, 201);
const QColor kOutline(107, 121, 190);

QRegion Shape(const QSize& size) {
  QPainterPath rounded;
  rounded.addRoundedRect(QRectF(QPointF(0, 0), size), kShapeRadius, kShapeRadius);
  const QRegion round(rounded.toFillPolygon().toPolygon());
  return round.united(QRect(0, kSquareFrom, size.width(), size.height() - kSquareFrom));
}

void PaintTitleBar(QPainter& p, int width) {
  QLinearGradient strip(0, 0, 0, kTitleHeight);
  strip.setColorAt(0, QColor(126, 152, 222));
  strip.setColorAt(1, QColor(70, 100, 180));
  p.fillRect(QRect(0, 0, width, kTitleHeight), strip);
}

void PaintBody(QPainter& p, const QRect& window) {
  const QRect body = window.adjusted(kBodyInset, kTitleHeight, -kBodyInset, -kBodyInset);
  QLinearGradient fill(body.topLeft(), body.bottomLeft());
  fill.setColorAt(0, Qt::white);
  fill.setColorAt(1, QColor(222, 232, 252));
  p.fillRect(body, fill);
  p.setPen(kBodyBorder);
  p.setBrush(Qt::NoBrush);
  p.drawRoundedRect(body, 6, 6);
  // A 2 pixel pen centred one pixel inside the edge covers the outermost two pixels.
  p.setPen(QPen(kOutline, 2));
  p.drawRect(QRectF(window).adjusted(1, 1, -1, -1));
}

QLabel* BodyLabel(const QString& text, const QRect& where, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setGeometry(where);
  return label;
}

}  // namespace

TMailTixing2Fin::TMailTixing2Fin(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
  setWindowTitle(QStringLiteral("新邮件到~"));
  resize(kWidth, kHeight);
  // A notice must not take the keyboard from what the user is typing.
  setAttribute(Qt::WA_ShowWithoutActivating);

  auto* title = BodyLabel(QStringLiteral("新邮件到~"), QRect(8, 0, 150, kTitleHeight), this);
  title->setStyleSheet(QStringLiteral("color: white; font-size: 11px;"));
  btnClose = new QPushButton(QStringLiteral("x"), this);
  btnClose->setGeometry(kWidth - 20, 0, 18, kTitleHeight);
  btnClose->setFlat(true);
  btnClose->setToolTip(QStringLiteral("关闭"));
  btnClose->setFocusPolicy(Qt::NoFocus);
  btnClose->setStyleSheet(QStringLiteral("color: white; border: none; font-size: 11px;"));
  BodyLabel(QStringLiteral("账号："), QRect(16, 30, 44, 20), this);
  account_ = BodyLabel(QString(), QRect(60, 30, kWidth - 76, 20), this);
  total_ = BodyLabel(QString(), QRect(16, 62, kWidth - 32, 20), this);

  slide_.setInterval(kStepMs);
  connect(&slide_, &QTimer::timeout, this, &TMailTixing2Fin::SlideStep);
  // The pop-up is kept for the next notice: closing only hides it.
  connect(btnClose, &QPushButton::clicked, this, [this] {
    slide_.stop();
    hide();
  });
}

void TMailTixing2Fin::ShowReceived(const QString& account, int count) {
  account_->setText(account);
  total_->setText(QStringLiteral("您收到") + QString::number(count) + QStringLiteral("封邮件"));
  slide_.stop();
  slid_ = false;
  clearMask();
  const QRect area = CornerArea(this);
  slideRect_ = QRect(area.x() + area.width() - kWidth - kCornerRight,
                     area.y() + area.height() - kStartAboveBottom, kWidth, kStartHeight);
  setGeometry(slideRect_);
  show();
  raise();
  update();
  slide_.start();
}

QString TMailTixing2Fin::AccountLine() const {
  return account_->text();
}

QString TMailTixing2Fin::TotalLine() const {
  return total_->text();
}

void TMailTixing2Fin::SlideStep() {
  // One pixel taller, its bottom edge staying where it is.
  if (slideRect_.height() < kHeight) slideRect_.setTop(slideRect_.top() - 1);
  setGeometry(slideRect_);
  if (slideRect_.height() >= kHeight) return FinishSlide();
  update();
}

void TMailTixing2Fin::FinishSlide() {
  slide_.stop();
  QPalette colours = palette();
  colours.setColor(QPalette::Window, kBackground);
  setPalette(colours);
  setMask(Shape(size()));
  slid_ = true;
  update();
}

void TMailTixing2Fin::paintEvent(QPaintEvent* /*event*/) {
  QPainter p(this);
  PaintTitleBar(p, width());
  if (slid_) PaintBody(p, rect());
}

void PlayNoticeSound(const QString& programFolder) {
  // A missing file or no installed player means no sound; the notice itself goes on.
  platform::PlaySoundFile(programFolder + QStringLiteral("/Sound/type.mid"));
}

void FlashForAttention(QWidget* mainWindow) {
  if (mainWindow == nullptr || mainWindow->isActiveWindow()) return;
  QApplication::alert(mainWindow);
}

}  // namespace receive
