#include "receive/ManualRec.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace receive {
namespace {

const char* const kStatusChecking = "正在检测...";
const char* const kStatusFinished = "接收完毕";
const char* const kStatusNothingNew = "没有收到新邮件!";

// Gap between the window and the right and bottom edges of the usable screen area.
constexpr int kCornerRight = 2;
constexpr int kCornerBottom = 30;

// The picture of the cancel button: a red disc with a white cross.
QIcon CancelIcon() {
  QPixmap picture(18, 18);
  picture.fill(Qt::transparent);
  QPainter p(&picture);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0xd9, 0x3b, 0x3b));
  p.drawEllipse(QRectF(1, 1, 16, 16));
  p.setPen(QPen(Qt::white, 2, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(6, 6), QPointF(12, 12));
  p.drawLine(QPointF(12, 6), QPointF(6, 12));
  return QIcon(picture);
}

QPushButton* SmallButton(const QString& caption, const QString& hint, QWidget* parent) {
  auto* button = new QPushButton(caption, parent);
  button->setToolTip(hint);
  button->setFlat(true);
  button->setFixedSize(20, 18);
  button->setFocusPolicy(Qt::NoFocus);
  return button;
}

}  // namespace

QRect CornerArea(const QWidget* window) {
  const QWidget* owner =
      window->parentWidget() != nullptr ? window->parentWidget()->window() : window;
  QScreen* screen = owner->screen();
  if (screen == nullptr) screen = QGuiApplication::primaryScreen();
  // Without any screen there is no corner; the origin keeps the window somewhere sensible.
  return screen != nullptr ? screen->availableGeometry() : QRect(0, 0, 800, 600);
}

TManualRec1::TManualRec1(QWidget* parent) : QWidget(parent, Qt::Window | Qt::FramelessWindowHint) {
  setObjectName(QStringLiteral("TManualRec1"));
  setWindowTitle(QStringLiteral("正在收信"));
  setFixedSize(kWidth, kHeight);
  // The window appears while the user works elsewhere: it must not take the keyboard.
  setAttribute(Qt::WA_ShowWithoutActivating);
  setAttribute(Qt::WA_StyledBackground);
  setStyleSheet(
      QStringLiteral("#TManualRec1 { background: #eef3fc; border: 1px solid #6b79be; }"
                     "#header { background: #557fc9; }"
                     "#header QLabel, #header QPushButton { color: white; }"));

  auto* header = new QWidget(this);
  header->setObjectName(QStringLiteral("header"));
  header->setAttribute(Qt::WA_StyledBackground);
  auto* title = new QLabel(QStringLiteral("收取邮件..."), header);
  btnMinimise = SmallButton(QStringLiteral("-"), QStringLiteral("最小化"), header);
  btnClose = SmallButton(QStringLiteral("x"), QStringLiteral("关闭"), header);
  auto* headerRow = new QHBoxLayout(header);
  headerRow->setContentsMargins(8, 2, 4, 2);
  headerRow->addWidget(title);
  headerRow->addStretch();
  headerRow->addWidget(btnMinimise);
  headerRow->addWidget(btnClose);

  account_ = new QLabel(this);
  status_ = new QLabel(QString::fromUtf8(kStatusChecking), this);
  // Long addresses and status texts are cut at the window's edge instead of widening it.
  account_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  status_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  btnCancel = new QPushButton(this);
  btnCancel->setIcon(CancelIcon());
  btnCancel->setIconSize(QSize(18, 18));
  btnCancel->setFixedSize(26, 24);
  btnCancel->setToolTip(QStringLiteral("取消收信"));
  btnCancel->setFocusPolicy(Qt::NoFocus);

  auto* accountRow = new QHBoxLayout;
  accountRow->setSpacing(8);
  accountRow->addWidget(new QLabel(QStringLiteral("收信"), this));
  accountRow->addWidget(account_, 1);
  auto* statusRow = new QHBoxLayout;
  statusRow->addWidget(status_, 1);
  statusRow->addWidget(btnCancel);
  auto* body = new QVBoxLayout;
  body->setContentsMargins(10, 4, 8, 6);
  body->addLayout(accountRow);
  body->addLayout(statusRow);
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(1, 1, 1, 1);
  column->setSpacing(0);
  column->addWidget(header);
  column->addLayout(body, 1);

  tmrTidy.setInterval(kTidyMs);
  tmrTidy.setSingleShot(true);
  connect(&tmrTidy, &QTimer::timeout, this, &TManualRec1::tmrTidyTimer);
  connect(btnMinimise, &QPushButton::clicked, this, &QWidget::showMinimized);
  connect(btnClose, &QPushButton::clicked, this, [this] {
    StartTidyTimer();
    close();
    emit closedByUser();
  });
  connect(btnCancel, &QPushButton::clicked, this, [this] {
    close();
    emit cancelRequested();
  });
}

void TManualRec1::SetAccountLine(const QString& account) {
  account_->setText(account);
}

void TManualRec1::SetStatusLine(const QString& status) {
  status_->setText(status);
}

QString TManualRec1::AccountLine() const {
  return account_->text();
}

QString TManualRec1::StatusLine() const {
  return status_->text();
}

void TManualRec1::ShowAtCorner() {
  const QRect area = CornerArea(this);
  move(area.x() + area.width() - width() - kCornerRight,
       area.y() + area.height() - height() - kCornerBottom);
  // A window minimised with "-" comes back for the next receive.
  if (isMinimized()) showNormal();
  show();
}

void TManualRec1::tmrTidyTimer() {
  tmrTidy.stop();
  const QString status = StatusLine();
  if (status.isEmpty())
    SetStatusLine(QString::fromUtf8(kStatusFinished));
  else if (status == QString::fromUtf8(kStatusNothingNew))
    close();
}

}  // namespace receive
