#include "tools/Unit3.h"

#include <QEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPropertyAnimation>
#include <QScreen>

#include "platform/Sound.h"

namespace tools {
namespace {

const QColor kFace(207, 224, 240);
const QColor kBand(92, 140, 196);
constexpr int kBandHeight = 24;
constexpr int kPicture = 25;       // the close picture is square
constexpr int kCornerEllipse = 3;  // the rounded corners' ellipse
const QRect kMarkArea(12, 40, 56, 56);
const QRect kTimeArea(80, 32, 190, 22);
const QRect kTextArea(80, 58, 169, 53);

QFont Verdana(int points, bool bold) {
  QFont font(QStringLiteral("Verdana"), points);
  font.setBold(bold);
  return font;
}

// The close picture: a light cross on a rounded square of the title band's colour.
QPixmap ClosePixmap() {
  QPixmap pixmap(kPicture, kPicture);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(Qt::NoPen);
  painter.setBrush(kBand.darker(115));
  painter.drawRoundedRect(QRectF(3, 3, kPicture - 6, kPicture - 6), 3, 3);
  painter.setPen(QPen(Qt::white, 2, Qt::SolidLine, Qt::RoundCap));
  painter.drawLine(QPointF(8.5, 8.5), QPointF(16.5, 16.5));
  painter.drawLine(QPointF(16.5, 8.5), QPointF(8.5, 16.5));
  return pixmap;
}

QLabel* Label(QWidget* parent, const QRect& area, const QFont& font, const QColor& colour) {
  auto* label = new QLabel(parent);
  label->setGeometry(area);
  label->setFont(font);
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, colour);
  label->setPalette(palette);
  return label;
}

}  // namespace

QString ReminderSoundFile(const QString& programFolder) {
  const QString own = programFolder + QStringLiteral("/TVToolsIcon/2.mp3");
  if (QFileInfo(own).isFile()) return own;
  return programFolder + QStringLiteral("/Sound/reminder.wav");
}

TForm3::TForm3(QString programFolder, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      programFolder_(std::move(programFolder)),
      player_(&platform::PlaySoundFile) {
  setWindowTitle(QStringLiteral("事件提醒"));
  setFixedSize(kWidth, kHeight);
  setAttribute(Qt::WA_ShowWithoutActivating);
  BuildLabels();
  slide_ = new QPropertyAnimation(this, "pos", this);
  slide_->setEasingCurve(QEasingCurve::Linear);
}

void TForm3::BuildLabels() {
  mark_ = Label(this, kMarkArea, Verdana(14, true), Qt::red);
  mark_->setAlignment(Qt::AlignCenter);
  time_ = Label(this, kTimeArea, Verdana(12, true), Qt::black);
  text_ = Label(this, kTextArea, Verdana(10, false), Qt::black);
  text_->setWordWrap(true);
  text_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  close_ = new QLabel(this);
  close_->setGeometry(kWidth - kPicture, 0, kPicture, kPicture);
  close_->setPixmap(ClosePixmap());
  close_->setCursor(Qt::PointingHandCursor);
  close_->setToolTip(QStringLiteral("关闭"));
  close_->installEventFilter(this);
}

int TForm3::SlideDuration() const {
  return height();
}

void TForm3::ShowReminder(const Reminder& row) {
  mark_->setText(QString::fromStdString(BigMark(row.pagekey)));
  time_->setText(QString::fromStdString(row.timeH) + QStringLiteral(" : ") +
                 QString::fromStdString(row.timeM));
  text_->setText(QString::fromStdString(row.content));

  const QScreen* screen = QGuiApplication::primaryScreen();
  const QRect desktop = screen ? screen->availableGeometry() : QRect(0, 0, kWidth, kHeight);
  const QPoint start(desktop.left() + 2, desktop.top() - height() + 2);
  slide_->stop();
  move(start);
  show();
  raise();
  PlaySound();
  slide_->setStartValue(start);
  slide_->setEndValue(start + QPoint(0, height()));
  slide_->setDuration(SlideDuration());
  slide_->start();
}

void TForm3::PlaySound() {
  const QString file = ReminderSoundFile(programFolder_);
  const QString chime = programFolder_ + QStringLiteral("/Sound/reminder.wav");
  // A file no installed player can play falls back to the shipped chime; without any player
  // the reminder stays silent.
  if (!player_(file) && file != chime) player_(chime);
}

void TForm3::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  QPainterPath outline;
  outline.addRoundedRect(QRectF(rect()), kCornerEllipse / 2.0, kCornerEllipse / 2.0);
  setMask(QRegion(outline.toFillPolygon().toPolygon()));
}

void TForm3::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  QLinearGradient face(0, kBandHeight, 0, height());
  face.setColorAt(0, kFace.lighter(108));
  face.setColorAt(1, kFace);
  painter.fillRect(rect(), face);
  QLinearGradient band(0, 0, 0, kBandHeight);
  band.setColorAt(0, kBand.lighter(120));
  band.setColorAt(1, kBand);
  painter.fillRect(QRect(0, 0, width(), kBandHeight), band);
  painter.setPen(Qt::white);
  painter.setFont(Verdana(9, true));
  painter.drawText(QRect(8, 0, width() - kPicture - 8, kBandHeight), Qt::AlignVCenter,
                   windowTitle());
  // The round seat of the big mark.
  painter.setPen(QPen(kBand, 1.5));
  painter.setBrush(Qt::white);
  painter.drawEllipse(kMarkArea.adjusted(4, 4, -4, -4));
  painter.setPen(QPen(kBand.darker(120), 1));
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

bool TForm3::eventFilter(QObject* watched, QEvent* event) {
  if (watched == close_ && event->type() == QEvent::MouseButtonRelease) {
    slide_->stop();
    hide();
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace tools
