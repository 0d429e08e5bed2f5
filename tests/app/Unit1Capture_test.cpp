// Screen capture from the main window: 截图 on the compose toolbar asks whether to minimise,
// then the captured region is pasted into the mail and counted among its pictures; 屏幕截图 of
// the tray menu hides the window and captures to a file.

#include <gtest/gtest.h>

#include <QEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <optional>

#include "app/Unit1.h"
#include "editor/EditorToolbar.h"
#include "platform/HtmlEditor.h"
#include "platform/ScriptedDialogs.h"
#include "send/ComposePage.h"

namespace {

using editor::ScreenCapture;

void Mouse(QWidget* w, QEvent::Type type, QPoint at, Qt::MouseButton button) {
  const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : button;
  QMouseEvent event(type, QPointF(at), QPointF(at), button, held, Qt::NoModifier);
  QApplication::sendEvent(w, &event);
}

class CaptureFromWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    window_.emplace(dir_.path(), &data_);
    window_->show();
    QImage screen(320, 240, QImage::Format_RGB32);
    screen.fill(qRgb(30, 120, 200));
    window_->Capture()->SetGrabber([screen] { return screen; });
    window_->Capture()->SetDelays(1, 1);
  }

  editor::TCopyScreenForm* Opened() {
    EXPECT_TRUE(QTest::qWaitFor([this] { return window_->Capture()->Window() != nullptr; }, 2000));
    return window_->Capture()->Window();
  }

  // A selection of 50 x 40, sent with Enter.
  void Select(editor::TCopyScreenForm* w) {
    ASSERT_NE(w, nullptr);
    Mouse(w, QEvent::MouseButtonPress, {60, 50}, Qt::LeftButton);
    Mouse(w, QEvent::MouseMove, {10, 10}, Qt::LeftButton);
    Mouse(w, QEvent::MouseButtonRelease, {10, 10}, Qt::LeftButton);
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(w, &enter);
  }

  QTemporaryDir dir_;
  app::TDataQX data_;
  std::optional<app::TForm1> window_;
  platform::ScriptedDialogs script_;
  platform::ScopedDialogs use_{&script_};
};

TEST_F(CaptureFromWindow, TheToolbarButtonPastesTheCaptureIntoTheMail) {
  auto* toolbar = window_->Compose()->findChild<editor::EditorToolbar*>();
  ASSERT_NE(toolbar, nullptr);
  QToolButton* button = toolbar->ButtonFor(editor::EditorToolbar::Button::Capture);
  ASSERT_TRUE(button->isEnabled());
  script_.answers = {platform::Answer::Ok};
  QSignalSpy inserted(window_->Capture(), &ScreenCapture::inserted);
  button->click();
  ASSERT_EQ(script_.asked.size(), 1u);
  EXPECT_EQ(script_.asked[0].title, "提示");
  EXPECT_EQ(script_.asked[0].text, "     Tenvel窗口最小化");
  EXPECT_EQ(script_.asked[0].buttons, platform::Buttons::OkCancel);
  EXPECT_TRUE(window_->isMinimized());
  Select(Opened());
  ASSERT_EQ(inserted.count(), 1);
  const QString path = inserted.at(0).at(0).toString();
  EXPECT_TRUE(path.startsWith(dir_.path() + "/P2PHistory/Image/SC"));
  EXPECT_EQ(QImage(path).size(), QSize(50, 40));
  // The window is back, and the mail carries the picture as one it was given.
  EXPECT_FALSE(window_->isMinimized());
  EXPECT_TRUE(window_->isVisible());
  std::optional<send::ComposeSnapshot> snapshot;
  window_->Compose()->ReadSnapshot([&](const send::ComposeSnapshot& s) { snapshot = s; });
  ASSERT_TRUE(QTest::qWaitFor([&] { return snapshot.has_value(); }, 2000));
  // The light editor of the tests writes the tag in its own way; the address is the file's.
  EXPECT_NE(snapshot->bodyOuterHtml.find("<img src=\"file://" + path.toStdString() + "\""),
            std::string::npos)
      << snapshot->bodyOuterHtml;
  EXPECT_EQ(snapshot->pictureFiles, std::vector<std::string>{path.toStdString()});
}

TEST_F(CaptureFromWindow, CancelKeepsTheWindowAndACancelledCaptureInsertsNothing) {
  script_.answers = {platform::Answer::Cancel};
  window_->CaptureForMail();
  EXPECT_FALSE(window_->isMinimized());
  editor::TCopyScreenForm* w = Opened();
  ASSERT_NE(w, nullptr);
  QSignalSpy finished(window_->Capture(), &ScreenCapture::finished);
  Mouse(w, QEvent::MouseButtonPress, {5, 5}, Qt::RightButton);  // idle: closes
  EXPECT_EQ(finished.count(), 1);
  std::optional<send::ComposeSnapshot> snapshot;
  window_->Compose()->ReadSnapshot([&](const send::ComposeSnapshot& s) { snapshot = s; });
  ASSERT_TRUE(QTest::qWaitFor([&] { return snapshot.has_value(); }, 2000));
  EXPECT_TRUE(snapshot->pictureFiles.empty());
}

TEST_F(CaptureFromWindow, TheTrayCommandHidesTheWindowAndSavesToAFile) {
  QAction* item = window_->Menus().screenCapture;
  ASSERT_TRUE(item->isEnabled());
  const QString chosen = dir_.path() + "/mine";
  script_.texts = {chosen};
  script_.filterIndexes = {1};
  QSignalSpy finished(window_->Capture(), &ScreenCapture::finished);
  item->trigger();
  EXPECT_FALSE(window_->isVisible());
  Select(Opened());
  ASSERT_TRUE(finished.wait(2000));
  EXPECT_EQ(QImage(chosen + ".Jpeg").size(), QSize(50, 40));
  EXPECT_FALSE(window_->isVisible());  // it stays in the notification area
}

}  // namespace
