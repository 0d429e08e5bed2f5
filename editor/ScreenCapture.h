#pragma once
// The screen-capture tool: 50 ms after Start the whole screen is grabbed and shown in the
// capture window (editor::TCopyScreenForm). In insert mode the saved region's BMP is handed
// on through inserted (the compose page pastes it); in save mode a save dialog follows 200 ms
// after the window closed, offering the BMP as it is (".Bmp") or converted to JPEG (".Jpeg").
// When the desktop does not let the program grab the screen (a Wayland session, or a grab
// that comes back empty or all black) one message says so and no window is shown.
//
//   auto* capture = new editor::ScreenCapture(programFolder, parent);
//   connect(capture, &editor::ScreenCapture::inserted, page, &Page::PastePicture);
//   connect(capture, &editor::ScreenCapture::finished, window, &Window::showNormal);
//   capture->Start(editor::ScreenCapture::Mode::Insert);

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <functional>

#include "editor/CopyScreenFrm.h"

namespace editor {

inline constexpr const char* kNoGrabMessage = "当前桌面不允许截取屏幕，请在 X11 会话中使用截图";
inline constexpr const char* kSavedName = "Tenv截图";
inline constexpr const char* kSaveFilter = "Bmp图片(*.bmp);;Jpeg图片(*.jpeg)";

// The whole primary screen, or a null picture when the desktop does not allow grabbing it.
QImage GrabWholeScreen();
// Whether every pixel of the picture is black (what a refused grab gives on some desktops).
bool AllBlack(const QImage& picture);

class ScreenCapture : public QObject {
  Q_OBJECT

 public:
  enum class Mode { Insert, Save };
  static constexpr int kGrabDelay = 50;   // ms before the grab: the minimised window is gone
  static constexpr int kSaveDelay = 200;  // ms from the window's closing to the save dialog

  explicit ScreenCapture(QString programFolder, QObject* parent = nullptr);

  // Where the picture comes from (GrabWholeScreen unless a test gives one).
  void SetGrabber(std::function<QImage()> grabber) { grabber_ = std::move(grabber); }
  // The waits before the grab and before the save dialog (kGrabDelay and kSaveDelay unless a
  // test shortens them).
  void SetDelays(int grabMs, int saveMs) {
    grabTimer_.setInterval(grabMs);
    TmrSaveCopy.setInterval(saveMs);
  }
  // Starts a capture in mode; nothing while one is under way.
  void Start(Mode mode);
  bool Busy() const { return busy_; }
  // The capture window while it is open.
  TCopyScreenForm* Window() const { return window_; }

 signals:
  // Insert mode: the region was saved to path.
  void inserted(const QString& path);
  // The capture is over (saved, cancelled, or no picture to be had).
  void finished(Mode mode);

 private:
  void Grab();
  void WindowClosed();
  void SaveCopy();
  void Finish();

  QString programFolder_;
  std::function<QImage()> grabber_;
  Mode mode_ = Mode::Insert;
  bool busy_ = false;
  QString saved_;  // the region's BMP of the present capture
  QPointer<TCopyScreenForm> window_;
  QTimer grabTimer_;
  QTimer TmrSaveCopy;
};

// Save mode's file: the BMP at bmp copied to chosen + ".Bmp" (filter 0) or written as JPEG to
// chosen + ".Jpeg" (filter 1). An existing file is replaced only after the user said yes.
// False, with the message shown, when the file could not be written; true when it was or the
// user kept the existing file.
bool SaveCaptureAs(QWidget* parent, const QString& bmp, const QString& chosen, int filterIndex);

}  // namespace editor
