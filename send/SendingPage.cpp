#include "send/SendingPage.h"

#include <QColor>
#include <QFormLayout>
#include <QLabel>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QRandomGenerator>
#include <QVBoxLayout>
#include <algorithm>
#include <limits>

namespace send {

namespace {

constexpr const char* kConnectingText = "正在连接...";

void Paint(QLabel* label, StatusColour colour) {
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, ColourOf(colour));
  label->setPalette(palette);
}

}  // namespace

QColor ColourOf(StatusColour colour) {
  switch (colour) {
    case StatusColour::Red:
      return QColor(Qt::red);
    case StatusColour::Blue:
      return QColor(Qt::blue);
    case StatusColour::Black:
      break;
  }
  return QColor(Qt::black);
}

SendingPage::SendingPage(const QString& programFolder, QWidget* parent)
    : QWidget(parent),
      programFolder_(programFolder),
      picture_(new QLabel(this)),
      progress_(new QProgressBar(this)),
      status_(new QLabel(QString::fromUtf8(kConnectingText), this)),
      sender_(new QLabel(this)),
      recipient_(new QLabel(this)),
      error_(new QLabel(this)),
      cancel_(new QPushButton(QStringLiteral("取消发送"), this)) {
  picture_->setAlignment(Qt::AlignCenter);
  progress_->setRange(0, 1);
  progress_->setValue(0);
  progress_->setTextVisible(false);
  for (QLabel* line : {sender_, recipient_, error_}) {
    line->setTextInteractionFlags(Qt::TextSelectableByMouse);
    line->setWordWrap(true);
  }
  Paint(status_, StatusColour::Black);
  Paint(error_, StatusColour::Blue);

  auto* lines = new QFormLayout;
  lines->addRow(QStringLiteral("发件人："), sender_);
  lines->addRow(QStringLiteral("收件人："), recipient_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(picture_, 1);
  layout->addWidget(progress_);
  layout->addWidget(status_);
  layout->addLayout(lines);
  layout->addWidget(error_);
  layout->addWidget(cancel_, 0, Qt::AlignHCenter);
  connect(cancel_, &QPushButton::clicked, this, &SendingPage::cancelRequested);
}

void SendingPage::Begin(const QString& sender, const QString& recipient) {
  ResetProgress();
  cancel_->setEnabled(true);
  SetStatus(QString::fromUtf8(kConnectingText), StatusColour::Black);
  sender_->setText(sender);
  recipient_->setText(recipient);
  SetErrorLine(QString());
}

void SendingPage::SetStatus(const QString& text, StatusColour colour) {
  status_->setText(text);
  statusColour_ = colour;
  Paint(status_, colour);
}

QString SendingPage::StatusText() const {
  return status_->text();
}

void SendingPage::SetErrorLine(const QString& text) {
  error_->setText(text);
  Paint(error_, StatusColour::Blue);
}

QString SendingPage::ErrorText() const {
  return error_->text();
}
QString SendingPage::SenderText() const {
  return sender_->text();
}
QString SendingPage::RecipientText() const {
  return recipient_->text();
}

void SendingPage::SetProgressRange(std::int64_t total) {
  total_ = std::max<std::int64_t>(total, 0);
  constexpr std::int64_t kMax = std::numeric_limits<int>::max();
  scale_ = total_ / kMax + 1;
  progress_->setMaximum(static_cast<int>(std::max<std::int64_t>(total_ / scale_, 1)));
  ShowPosition();
}

void SendingPage::AddProgress(std::int64_t bytes) {
  if (bytes > 0) position_ += bytes;
  ShowPosition();
}

void SendingPage::ResetProgress() {
  position_ = 0;
  ShowPosition();
}

void SendingPage::ShowPosition() {
  // A transfer that writes more than it announced (line ends, dot-stuffing) stops at full.
  const std::int64_t steps = std::min(position_ / scale_, std::int64_t{progress_->maximum()});
  progress_->setValue(static_cast<int>(steps));
}

void SendingPage::DrawPicture() {
  const int n = QRandomGenerator::global()->bounded(kPictureCount);
  picturePath_ = programFolder_ + QStringLiteral("/Images/SendImg/%1.jpg").arg(n);
  // A missing or unreadable picture leaves the space empty; the page works without it.
  picture_->setPixmap(QPixmap(picturePath_));
}

void SendingPage::showEvent(QShowEvent* event) {
  DrawPicture();
  QWidget::showEvent(event);
}

}  // namespace send
