// The main window's side of screen capture: the compose toolbar's 截图 (into the mail, after
// the minimise question) and the tray menu's 屏幕截图 (to a picture file, the window hidden).
#include <QToolButton>

#include "app/Unit1.h"
#include "editor/EditorToolbar.h"
#include "platform/Dialogs.h"
#include "platform/HtmlEditor.h"
#include "platform/WorkingSet.h"
#include "send/ComposePage.h"

namespace app {

void TForm1::ConnectCapture() {
  capture_ = new editor::ScreenCapture(programFolder_, this);
  // The region's BMP goes into the mail as an inserted picture does, carried as an inline part.
  connect(capture_, &editor::ScreenCapture::inserted, this, [this](const QString& path) {
    compose_->Editor()->InsertHtml(send::PictureHtml(path));
    compose_->AddPictureFile(path);
    compose_->Editor()->FocusEditor();
  });
  connect(capture_, &editor::ScreenCapture::finished, this, &TForm1::CaptureFinished);
  connect(menus_.screenCapture, &QAction::triggered, this, &TForm1::CaptureToFile);
  auto* toolbar = compose_->findChild<editor::EditorToolbar*>();
  if (toolbar == nullptr) return;
  toolbar->ButtonFor(editor::EditorToolbar::Button::Capture)->setEnabled(true);
  connect(toolbar, &editor::EditorToolbar::captureWanted, this, &TForm1::CaptureForMail);
}

void TForm1::CaptureForMail() {
  if (capture_->Busy()) return;
  if (platform::ConfirmOkCancel(this, QStringLiteral("提示"),
                                QStringLiteral("     Tenvel窗口最小化")))
    showMinimized();
  capture_->Start(editor::ScreenCapture::Mode::Insert);
}

void TForm1::CaptureToFile() {
  if (capture_->Busy()) return;
  hide();
  platform::TrimWorkingSet();
  capture_->Start(editor::ScreenCapture::Mode::Save);
}

void TForm1::CaptureFinished(editor::ScreenCapture::Mode mode) {
  // Save mode leaves the window in the notification area, where the command came from.
  if (mode != editor::ScreenCapture::Mode::Insert) return;
  setWindowState(windowState() & ~Qt::WindowMinimized);
  show();
  raise();
  activateWindow();
}

}  // namespace app
