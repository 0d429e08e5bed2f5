#include "editor/ScreenCapture.h"

#include <QFile>
#include <QGuiApplication>
#include <QScreen>

#include "editor/CaptureSelection.h"
#include "editor/CopyScreenFrm.h"
#include "editor/JpegFile.h"
#include "platform/Dialogs.h"

namespace editor {

namespace {

bool WriteJpeg(const QString& bmp, const QString& target, QString* why) {
  const QImage picture = QImage(bmp).convertToFormat(QImage::Format_RGB888);
  if (picture.isNull()) {
    *why = bmp + QStringLiteral(" 无法读取");
    return false;
  }
  std::string error;
  if (WriteJpegFile(target.toStdString(), picture.constBits(), picture.width(), picture.height(),
                    static_cast<int>(picture.bytesPerLine()), &error))
    return true;
  *why = QString::fromStdString(error);
  return false;
}

bool CopyBmp(const QString& bmp, const QString& target, QString* why) {
  QFile source(bmp);
  if (source.copy(target)) return true;
  *why = source.errorString();
  return false;
}

}  // namespace

QImage GrabWholeScreen() {
  if (QGuiApplication::platformName() == QLatin1String("wayland")) return {};
  QScreen* screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return {};
  const QImage picture = screen->grabWindow(0).toImage();
  return AllBlack(picture) ? QImage() : picture;
}

bool AllBlack(const QImage& picture) {
  if (picture.isNull()) return true;
  const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
  for (int y = 0; y < rgb.height(); ++y) {
    const auto* row = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
    for (int x = 0; x < rgb.width(); ++x) {
      if ((row[x] & 0x00ffffffu) != 0) return false;
    }
  }
  return true;
}

ScreenCapture::ScreenCapture(QString programFolder, QObject* parent)
    : QObject(parent), programFolder_(std::move(programFolder)), grabber_(GrabWholeScreen) {
  grabTimer_.setSingleShot(true);
  grabTimer_.setInterval(kGrabDelay);
  TmrSaveCopy.setSingleShot(true);
  TmrSaveCopy.setInterval(kSaveDelay);
  connect(&grabTimer_, &QTimer::timeout, this, &ScreenCapture::Grab);
  connect(&TmrSaveCopy, &QTimer::timeout, this, &ScreenCapture::SaveCopy);
}

void ScreenCapture::Start(Mode mode) {
  if (busy_) return;
  busy_ = true;
  mode_ = mode;
  saved_.clear();
  grabTimer_.start();
}

void ScreenCapture::Grab() {
  const QImage screen = grabber_();
  if (AllBlack(screen)) {
    platform::CurrentDialogs().Message(nullptr, QStringLiteral("提示"),
                                       QString::fromUtf8(kNoGrabMessage), platform::Buttons::Ok,
                                       platform::Icon::Warning);
    Finish();
    return;
  }
  window_ = new TCopyScreenForm(screen, programFolder_);
  connect(window_, &TCopyScreenForm::regionSaved, this, [this](const QString& path) {
    saved_ = path;
    if (mode_ == Mode::Insert) emit inserted(path);
  });
  connect(window_, &TCopyScreenForm::closed, this, &ScreenCapture::WindowClosed);
  if (QScreen* s = QGuiApplication::primaryScreen()) window_->setGeometry(s->geometry());
  window_->showFullScreen();
  window_->activateWindow();
  window_->setFocus();
}

void ScreenCapture::WindowClosed() {
  if (mode_ == Mode::Save && !saved_.isEmpty()) {
    TmrSaveCopy.start();
    return;
  }
  Finish();
}

void ScreenCapture::SaveCopy() {
  int filter = 0;
  const QString chosen = platform::CurrentDialogs().SaveFileNameAndFilter(
      nullptr, QStringLiteral("保存截图"), QString(), QString::fromUtf8(kSavedName),
      QString::fromUtf8(kSaveFilter), &filter);
  if (!chosen.isEmpty()) SaveCaptureAs(nullptr, saved_, chosen, filter);
  Finish();
}

void ScreenCapture::Finish() {
  busy_ = false;
  emit finished(mode_);
}

bool SaveCaptureAs(QWidget* parent, const QString& bmp, const QString& chosen, int filterIndex) {
  const QString target =
      QString::fromStdString(SavedCaptureName(chosen.toStdString(), filterIndex));
  if (target.isEmpty()) return false;
  if (QFile::exists(target)) {
    if (!platform::ConfirmYesNo(parent, QStringLiteral("提示"),
                                target + QStringLiteral(" 已存在，是否替换？")))
      return true;
    QFile::remove(target);
  }
  QString why;
  const bool written = filterIndex == 0 ? CopyBmp(bmp, target, &why) : WriteJpeg(bmp, target, &why);
  if (!written) {
    platform::CurrentDialogs().Message(parent, QStringLiteral("提示"),
                                       QStringLiteral("截图保存失败：") + target + "\n" + why,
                                       platform::Buttons::Ok, platform::Icon::Warning);
  }
  return written;
}

}  // namespace editor
