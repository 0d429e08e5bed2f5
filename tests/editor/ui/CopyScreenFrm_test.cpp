// The screen-capture window driven by synthetic mouse and key events offscreen, and the
// capture tool around it: the saved BMP, the panel, the grab that is refused, and the save
// step's BMP and JPEG files.

#include "editor/CopyScreenFrm.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "editor/ScreenCapture.h"
#include "platform/ScriptedDialogs.h"

namespace {

using editor::CaptureState;
using editor::ScreenCapture;
using editor::TCopyScreenForm;

// A picture in which every pixel's colour tells where it is.
QImage Gradient(int w = 400, int h = 300) {
  QImage picture(w, h, QImage::Format_RGB32);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      picture.setPixel(x, y, qRgb(x % 256, y % 256, (x / 256) * 64 + 10));
  return picture;
}

void Mouse(QWidget* w, QEvent::Type type, QPoint at, Qt::MouseButton button,
           Qt::MouseButtons held) {
  QMouseEvent event(type, QPointF(at), QPointF(w->mapToGlobal(at)), button, held, Qt::NoModifier);
  QApplication::sendEvent(w, &event);
}
void Press(QWidget* w, QPoint at, Qt::MouseButton b = Qt::LeftButton) {
  Mouse(w, QEvent::MouseButtonPress, at, b, b);
}
void Release(QWidget* w, QPoint at, Qt::MouseButton b = Qt::LeftButton) {
  Mouse(w, QEvent::MouseButtonRelease, at, b, Qt::NoButton);
}
void Move(QWidget* w, QPoint at, Qt::MouseButtons held = Qt::LeftButton) {
  Mouse(w, QEvent::MouseMove, at, Qt::NoButton, held);
}
void DoubleClick(QWidget* w, QPoint at) {
  Press(w, at);
  Release(w, at);
  Mouse(w, QEvent::MouseButtonDblClick, at, Qt::LeftButton, Qt::LeftButton);
  Release(w, at);
}
void Drag(QWidget* w, QPoint from, QPoint to) {
  Press(w, from);
  Move(w, (from + to) / 2);
  Move(w, to);
  Release(w, to);
}
void Key(QWidget* w, int key) {
  QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
  QApplication::sendEvent(w, &event);
}

class CaptureTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(dir_.isValid()); }

  // A capture window over the gradient, shown, its file names numbered from 1000.
  TCopyScreenForm* Window(QSize size = {400, 300}) {
    auto* w = new TCopyScreenForm(Gradient(size.width(), size.height()), dir_.path());
    w->SetTick([this] { return tick_; });
    w->show();
    return w;
  }
  QString Folder() const { return dir_.path() + "/P2PHistory/Image"; }
  QStringList Saved() const { return QDir(Folder()).entryList(QDir::Files, QDir::Name); }

  QTemporaryDir dir_;
  long long tick_ = 1000;
  platform::ScriptedDialogs script_;
  platform::ScopedDialogs use_{&script_};
};

TEST_F(CaptureTest, ABottomRightToTopLeftDragSavesTheSameRegion) {
  QImage saved[2];
  const std::pair<QPoint, QPoint> drags[2] = {{{30, 40}, {130, 110}}, {{130, 110}, {30, 40}}};
  for (int i = 0; i < 2; ++i) {
    TCopyScreenForm* w = Window();
    QSignalSpy spy(w, &TCopyScreenForm::regionSaved);
    Drag(w, drags[i].first, drags[i].second);
    Key(w, i == 0 ? Qt::Key_Return : Qt::Key_Space);
    ASSERT_EQ(spy.count(), 1);
    const QString path = spy.at(0).at(0).toString();
    EXPECT_EQ(path, Folder() + QStringLiteral("/SC%1.bmp").arg(tick_));
    EXPECT_EQ(QImageReader(path).format(), "bmp");
    saved[i] = QImage(path);
    ++tick_;
  }
  EXPECT_EQ(saved[0].size(), QSize(100, 70));
  EXPECT_EQ(saved[0].pixel(0, 0), qRgb(30, 40, 10));  // the region's top-left pixel
  EXPECT_EQ(saved[0].convertToFormat(QImage::Format_RGB32),
            saved[1].convertToFormat(QImage::Format_RGB32));
}

TEST_F(CaptureTest, ADoubleClickAcceptsOnlyACompletedSelection) {
  QPointer<TCopyScreenForm> w = Window();
  QSignalSpy saved(w.data(), &TCopyScreenForm::regionSaved);
  DoubleClick(w, {50, 50});  // nothing selected: nothing happens
  EXPECT_EQ(saved.count(), 0);
  EXPECT_EQ(w->Selection().State(), CaptureState::Idle);
  EXPECT_TRUE(w->isVisible());
  Key(w, Qt::Key_Return);  // nor does Enter
  EXPECT_TRUE(Saved().isEmpty());

  Drag(w, {60, 60}, {100, 80});
  DoubleClick(w, {70, 70});  // inside the selection: it is sent
  ASSERT_EQ(saved.count(), 1);
  EXPECT_EQ(QImage(saved.at(0).at(0).toString()).size(), QSize(40, 20));
  EXPECT_FALSE(w->isVisible());
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(w.isNull());  // the window goes with its closing
}

TEST_F(CaptureTest, ASelectionDraggedAgainstTheEdgeIsSavedWhereItStopped) {
  TCopyScreenForm* w = Window();
  QSignalSpy saved(w, &TCopyScreenForm::regionSaved);
  Drag(w, {100, 100}, {150, 130});
  Drag(w, {120, 110}, {-200, 115});  // moved left past the edge
  EXPECT_EQ(w->Selection().Region(), (editor::CaptureRect{0, 105, 50, 135}));
  Key(w, Qt::Key_Enter);
  ASSERT_EQ(saved.count(), 1);
  const QImage region(saved.at(0).at(0).toString());
  EXPECT_EQ(region.size(), QSize(50, 30));
  EXPECT_EQ(region.pixel(0, 0), qRgb(0, 105, 10));
}

TEST_F(CaptureTest, OnAScaledScreenTheRegionIsSavedInFullPixels) {
  QImage picture = Gradient(400, 300);
  picture.setDevicePixelRatio(2.0);  // a window of 200 x 150 shows it
  auto* w = new TCopyScreenForm(picture, dir_.path());
  w->show();
  EXPECT_EQ(w->size(), QSize(200, 150));
  QSignalSpy saved(w, &TCopyScreenForm::regionSaved);
  Drag(w, {30, 20}, {10, 10});
  Move(w, {50, 40}, Qt::NoButton);
  EXPECT_EQ(w->PanelLines().at(0), "当前像素RGB值（100、80、10）");
  Key(w, Qt::Key_Return);
  ASSERT_EQ(saved.count(), 1);
  const QImage region(saved.at(0).at(0).toString());
  EXPECT_EQ(region.size(), QSize(40, 20));
  EXPECT_EQ(region.pixel(0, 0), qRgb(20, 20, 10));
}

TEST_F(CaptureTest, RightButtonAndEscCancelTheSelectionThenCloseTheWindow) {
  TCopyScreenForm* w = Window();
  QSignalSpy closed(w, &TCopyScreenForm::closed);
  Drag(w, {10, 10}, {90, 90});
  Key(w, Qt::Key_Escape);
  EXPECT_EQ(w->Selection().State(), CaptureState::Idle);
  EXPECT_EQ(w->PanelLines().mid(1),
            (QStringList{"按住鼠标左键不放选择截取范围", "按鼠标右键退出", "按ESC键退出"}));
  Press(w, {20, 20});
  Move(w, {40, 40});
  Press(w, {40, 40}, Qt::RightButton);  // cancels while selecting
  EXPECT_EQ(w->Selection().State(), CaptureState::Idle);
  EXPECT_EQ(closed.count(), 0);
  Press(w, {40, 40}, Qt::RightButton);  // idle: the window closes, nothing saved
  EXPECT_EQ(closed.count(), 1);
  EXPECT_TRUE(Saved().isEmpty());
}

TEST_F(CaptureTest, ThePanelShowsThePixelAndJumpsAsideWhenTheMouseEntersIt) {
  TCopyScreenForm* w = Window({1000, 300});
  const QRect start = w->Panel();
  EXPECT_EQ(start.left(), 8);
  Move(w, {300, 200}, Qt::NoButton);
  EXPECT_EQ(w->PanelLines().at(0), "当前像素RGB值（44、200、74）");
  Move(w, start.center(), Qt::NoButton);  // enters it: off to the right edge
  EXPECT_EQ(w->Panel().left(), w->width() - start.width() - 8);
  Move(w, start.center() + QPoint(1, 0), Qt::NoButton);  // stays where it went
  EXPECT_EQ(w->Panel().left(), w->width() - start.width() - 8);
  Move(w, w->Panel().center(), Qt::NoButton);  // and back again
  EXPECT_EQ(w->Panel().left(), 8);
  Press(w, {200, 200});
  EXPECT_EQ(w->PanelLines().at(1), "松开鼠标左键以确定最终截取范围");
  Release(w, {250, 260});
  EXPECT_EQ(w->PanelLines().at(1), "按空格/回车/双击左键发送当前选区的图像");
  w->close();
}

TEST_F(CaptureTest, ABmpThatCannotBeWrittenIsReportedNotPassedOn) {
  // The picture folder's place is taken by a file.
  QDir().mkpath(dir_.path() + "/P2PHistory");
  QFile blocker(Folder());
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  TCopyScreenForm* w = Window();
  QSignalSpy saved(w, &TCopyScreenForm::regionSaved);
  Drag(w, {10, 10}, {50, 50});
  Key(w, Qt::Key_Return);
  EXPECT_EQ(saved.count(), 0);
  ASSERT_EQ(script_.asked.size(), 1u);
  EXPECT_TRUE(script_.asked[0].text.startsWith("截图无法保存"));
}

// The tool around the window, with a picture instead of the screen.
class ScreenCaptureTest : public CaptureTest {
 protected:
  // Waits for the window the tool opens 50 ms after Start.
  TCopyScreenForm* Opened(ScreenCapture& capture, ScreenCapture::Mode mode) {
    capture.Start(mode);
    EXPECT_TRUE(QTest::qWaitFor([&] { return capture.Window() != nullptr; }, 2000));
    return capture.Window();
  }
  // One selection of 60 x 40 from (20, 30), sent.
  void Select(TCopyScreenForm* w) {
    Drag(w, {80, 70}, {20, 30});
    Key(w, Qt::Key_Return);
  }
};

TEST_F(ScreenCaptureTest, ARefusedGrabIsSaidInOneMessageWithoutAWindow) {
  for (QImage picture : {QImage(), Gradient(50, 50)}) {
    if (!picture.isNull()) picture.fill(Qt::black);
    ScreenCapture capture(dir_.path());
    capture.SetGrabber([picture] { return picture; });
    QSignalSpy finished(&capture, &ScreenCapture::finished);
    capture.Start(ScreenCapture::Mode::Insert);
    EXPECT_TRUE(capture.Busy());
    ASSERT_TRUE(finished.wait(2000));
    EXPECT_EQ(capture.Window(), nullptr);
    EXPECT_FALSE(capture.Busy());
  }
  ASSERT_EQ(script_.asked.size(), 2u);
  for (const auto& asked : script_.asked) {
    EXPECT_EQ(asked.title, "提示");
    EXPECT_EQ(asked.text, editor::kNoGrabMessage);
  }
}

TEST_F(ScreenCaptureTest, InsertModeHandsOnTheSavedRegionThenFinishes) {
  ScreenCapture capture(dir_.path());
  capture.SetGrabber([] { return Gradient(); });
  QSignalSpy inserted(&capture, &ScreenCapture::inserted);
  QSignalSpy finished(&capture, &ScreenCapture::finished);
  TCopyScreenForm* w = Opened(capture, ScreenCapture::Mode::Insert);
  ASSERT_NE(w, nullptr);
  capture.Start(ScreenCapture::Mode::Insert);  // ignored while one is under way
  Select(w);
  ASSERT_EQ(inserted.count(), 1);
  EXPECT_EQ(QImage(inserted.at(0).at(0).toString()).size(), QSize(60, 40));
  ASSERT_EQ(finished.count(), 1);
  EXPECT_EQ(finished.at(0).at(0).value<ScreenCapture::Mode>(), ScreenCapture::Mode::Insert);
  EXPECT_TRUE(script_.asked.empty());  // no save dialog in insert mode
}

TEST_F(ScreenCaptureTest, SaveModeWritesAJpegOfTheSelectedSize) {
  ScreenCapture capture(dir_.path());
  capture.SetGrabber([] { return Gradient(); });
  QSignalSpy inserted(&capture, &ScreenCapture::inserted);
  QSignalSpy finished(&capture, &ScreenCapture::finished);
  const QString chosen = dir_.path() + "/shot";
  script_.texts = {chosen};
  script_.filterIndexes = {1};
  Select(Opened(capture, ScreenCapture::Mode::Save));
  EXPECT_EQ(finished.count(), 0);  // the save step is still to come
  ASSERT_TRUE(finished.wait(2000));
  EXPECT_EQ(inserted.count(), 0);
  ASSERT_EQ(script_.asked.size(), 1u);
  EXPECT_EQ(script_.asked[0].kind, platform::ScriptedDialogs::Kind::SaveFile);
  EXPECT_EQ(script_.asked[0].text, "Tenv截图");
  EXPECT_EQ(script_.asked[0].filter, "Bmp图片(*.bmp);;Jpeg图片(*.jpeg)");
  QImageReader reader(chosen + ".Jpeg");
  EXPECT_EQ(reader.format(), "jpeg");
  EXPECT_EQ(reader.size(), QSize(60, 40));
  EXPECT_FALSE(QFile::exists(chosen + ".Bmp"));
}

TEST_F(ScreenCaptureTest, SaveModeCopiesTheBmpAndACancelledDialogWritesNothing) {
  ScreenCapture capture(dir_.path());
  capture.SetGrabber([] { return Gradient(); });
  capture.SetDelays(1, 1);
  QSignalSpy finished(&capture, &ScreenCapture::finished);
  const QString chosen = dir_.path() + "/shot";
  script_.texts = {chosen, QString()};
  script_.filterIndexes = {0};
  Select(Opened(capture, ScreenCapture::Mode::Save));
  ASSERT_TRUE(finished.wait(2000));
  QFile copy(chosen + ".Bmp");
  ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
  QFile original(Folder() + "/" + Saved().value(0));
  ASSERT_TRUE(original.open(QIODevice::ReadOnly));
  EXPECT_EQ(copy.readAll(), original.readAll());

  Select(Opened(capture, ScreenCapture::Mode::Save));  // the dialog is cancelled this time
  ASSERT_TRUE(finished.wait(2000));
  EXPECT_EQ(QDir(dir_.path()).entryList({"shot*"}), QStringList{"shot.Bmp"});
}

TEST_F(CaptureTest, TheSaveStepAsksBeforeReplacingAndReportsAFailure) {
  const QString bmp = dir_.path() + "/in.bmp";
  ASSERT_TRUE(Gradient(20, 10).save(bmp, "BMP"));
  const QString chosen = dir_.path() + "/out";
  QFile existing(chosen + ".Jpeg");
  ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
  existing.write("old");
  existing.close();
  script_.answers = {platform::Answer::No, platform::Answer::Yes};
  EXPECT_TRUE(editor::SaveCaptureAs(nullptr, bmp, chosen, 1));  // kept
  EXPECT_EQ(QFileInfo(chosen + ".Jpeg").size(), 3);
  EXPECT_TRUE(editor::SaveCaptureAs(nullptr, bmp, chosen, 1));  // replaced
  EXPECT_EQ(QImageReader(chosen + ".Jpeg").size(), QSize(20, 10));
  ASSERT_EQ(script_.asked.size(), 2u);
  EXPECT_TRUE(script_.asked[0].text.endsWith("已存在，是否替换？"));

  EXPECT_FALSE(editor::SaveCaptureAs(nullptr, bmp, dir_.path() + "/no/such/x", 0));
  EXPECT_FALSE(editor::SaveCaptureAs(nullptr, dir_.path() + "/gone.bmp", chosen + "2", 1));
  ASSERT_EQ(script_.asked.size(), 4u);
  EXPECT_TRUE(script_.asked[2].text.startsWith("截图保存失败："));
  EXPECT_TRUE(script_.asked[3].text.startsWith("截图保存失败："));
  EXPECT_FALSE(QFile::exists(chosen + "2.Jpeg"));
}

}  // namespace
