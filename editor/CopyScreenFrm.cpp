#include "editor/CopyScreenFrm.h"

#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <chrono>

#include "platform/Dialogs.h"

namespace editor {

namespace {

constexpr int kPanelWidth = 330;
constexpr int kLineHeight = 22;
constexpr int kPanelLines = 4;  // the pixel and at most three hints

QString Q(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

CapturePoint Point(QPoint p) {
  return {p.x(), p.y()};
}

// The window's size: on a scaled screen the picture has more pixels than the window.
QSize LogicalSize(const QImage& picture) {
  return picture.deviceIndependentSize().toSize();
}

// A rectangle of the window in the picture's pixels.
QRect InPixels(const QImage& picture, const QRect& r) {
  const qreal scale = picture.devicePixelRatio();
  return QRectF(r.x() * scale, r.y() * scale, r.width() * scale, r.height() * scale)
      .toAlignedRect();
}

long long SteadyTick() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace

TCopyScreenForm::TCopyScreenForm(QImage screen, QString programFolder, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      screen_(std::move(screen)),
      programFolder_(std::move(programFolder)),
      selection_(LogicalSize(screen_).width(), LogicalSize(screen_).height()),
      tick_(SteadyTick),
      panel_(kPanelMargin, kPanelMargin, kPanelWidth, kPanelLines * kLineHeight + 12) {
  setAttribute(Qt::WA_DeleteOnClose);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(true);
  setCursor(Qt::CrossCursor);
  setFocusPolicy(Qt::StrongFocus);
  resize(LogicalSize(screen_));
}

QStringList TCopyScreenForm::PanelLines() const {
  const QPoint at = InPixels(screen_, QRect(mouse_, QSize(1, 1))).topLeft();
  const QColor pixel = screen_.valid(at) ? screen_.pixelColor(at) : QColor(Qt::black);
  QStringList lines{QString::fromStdString(PixelLine(pixel.red(), pixel.green(), pixel.blue()))};
  for (std::string_view hint : selection_.Hints())
    lines << Q(hint);
  return lines;
}

void TCopyScreenForm::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.drawImage(0, 0, screen_);
  const CaptureRect r = selection_.Region();
  if (selection_.State() != CaptureState::Idle) {
    // White XOR the picture inverts it: the rectangle shows on any background.
    painter.save();
    painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    painter.setPen(QPen(Qt::white, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRect(r.left, r.top, std::max(r.Width(), 1), std::max(r.Height(), 1)));
    painter.restore();
  }
  painter.setPen(QColor(0x40, 0x40, 0x40));
  painter.setBrush(QColor(255, 255, 225, 235));
  painter.drawRect(panel_.adjusted(0, 0, -1, -1));
  painter.setPen(Qt::black);
  int y = panel_.top() + 6;
  for (const QString& line : PanelLines()) {
    painter.drawText(QRect(panel_.left() + 8, y, panel_.width() - 16, kLineHeight),
                     Qt::AlignVCenter | Qt::AlignLeft, line);
    y += kLineHeight;
  }
}

void TCopyScreenForm::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) React(selection_.LeftDown(Point(event->pos())));
  if (event->button() == Qt::RightButton) React(selection_.Cancel());
}

void TCopyScreenForm::mouseMoveEvent(QMouseEvent* event) {
  mouse_ = event->pos();
  FollowPanel(mouse_);
  selection_.MoveTo(Point(mouse_));
  update();  // the pixel line changes with every move
}

void TCopyScreenForm::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) React(selection_.LeftUp(Point(event->pos())));
}

void TCopyScreenForm::mouseDoubleClickEvent(QMouseEvent* event) {
  // The press and release before it have already been handled; the double click only accepts.
  if (event->button() == Qt::LeftButton) AcceptSelection();
}

void TCopyScreenForm::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Escape:
      React(selection_.Cancel());
      break;
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
      AcceptSelection();
      break;
    default:
      QWidget::keyPressEvent(event);
  }
}

void TCopyScreenForm::closeEvent(QCloseEvent* event) {
  emit closed();
  QWidget::closeEvent(event);
}

void TCopyScreenForm::React(CaptureReaction reaction) {
  if (reaction == CaptureReaction::Close) close();
  if (reaction == CaptureReaction::Redraw) update();
}

void TCopyScreenForm::FollowPanel(QPoint at) {
  const bool inside = panel_.contains(at);
  if (inside && !inPanel_) panel_.moveLeft(PanelJump(panel_.left(), panel_.width(), width()));
  // After the jump the mouse is outside again, so the next entry jumps back.
  inPanel_ = inside && panel_.contains(at);
}

void TCopyScreenForm::AcceptSelection() {
  if (!selection_.Accept()) return;
  const QString path = SaveRegion();
  if (path.isEmpty()) {
    platform::CurrentDialogs().Message(
        this, QStringLiteral("提示"),
        QStringLiteral("截图无法保存到 ") +
            QString::fromStdString(CaptureFolder(programFolder_.toStdString())),
        platform::Buttons::Ok, platform::Icon::Warning);
  } else {
    emit regionSaved(path);
  }
  close();
}

QString TCopyScreenForm::SaveRegion() const {
  const std::string root = programFolder_.toStdString();
  if (!QDir().mkpath(QString::fromStdString(CaptureFolder(root)))) return {};
  const CaptureRect r = selection_.Region();
  QImage region = screen_.copy(InPixels(screen_, QRect(r.left, r.top, r.Width(), r.Height())));
  region.setDevicePixelRatio(1.0);
  // Two captures within one millisecond keep both files.
  long long tick = tick_();
  QString path = QString::fromStdString(CaptureFile(root, tick));
  for (int i = 0; i < 1000 && QFileInfo::exists(path); ++i)
    path = QString::fromStdString(CaptureFile(root, ++tick));
  return region.save(path, "BMP") ? path : QString();
}

}  // namespace editor
