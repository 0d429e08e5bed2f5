// The emoticon picker offscreen: its pictures and hints, where it opens, what a click pastes,
// and the ways it closes.
#include "editor/biaoqing.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QEvent>
#include <QImage>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QWindow>
#include <memory>

#include "editor/EmoticonPictures.h"
#include "platform/TextHtmlEditor.h"

namespace {

const QString kShipped = QStringLiteral(TENVEL_SOURCE_DIR "/resources");

// The light editor, recording what was pasted and how often it was given the focus.
class PasteRecorder : public platform::TextHtmlEditor {
 public:
  QStringList pasted;
  int focusRequests = 0;
  void InsertHtml(const QString& html) override {
    pasted << html;
    TextHtmlEditor::InsertHtml(html);
  }
  void FocusEditor() override {
    ++focusRequests;
    TextHtmlEditor::FocusEditor();
  }
};

class Picker : public ::testing::Test {
 protected:
  void SetUp() override {
    // Frameless as the program's main window is.
    main_.setWindowFlag(Qt::FramelessWindowHint);
    main_.setGeometry(100, 60, 640, 480);
    main_.show();
    button_ = new QToolButton(&main_);
    button_->setGeometry(40, 8, 30, 22);
  }
  std::unique_ptr<editor::TbiaoqingFRM> Make(const QString& folder = kShipped) {
    return std::make_unique<editor::TbiaoqingFRM>(folder, &editor_, &main_);
  }

  QWidget main_;
  QToolButton* button_ = nullptr;
  PasteRecorder editor_;
};

TEST(EmoticonFiles, EveryShippedPictureIsASmallGifWithATransparentBackground) {
  for (const editor::Emoticon& e : editor::Emoticons()) {
    const QString path =
        QString::fromStdString(editor::EmoticonPath(kShipped.toStdString(), e.file));
    QImage picture;
    ASSERT_TRUE(picture.load(path, "GIF")) << path.toStdString();
    EXPECT_EQ(picture.size(), QSize(24, 24)) << e.file;
    EXPECT_TRUE(picture.hasAlphaChannel()) << e.file;
    EXPECT_EQ(qAlpha(picture.pixel(0, 0)), 0) << e.file;  // a corner lies outside the face
    EXPECT_EQ(qAlpha(picture.pixel(12, 12)), 255) << e.file;
  }
}

TEST_F(Picker, ShowsTheTwentyEightPicturesInOrderWithTheirHints) {
  const auto picker = Make();
  ASSERT_EQ(picker->Pictures().size(), editor::kEmoticonCount);
  for (std::size_t i = 0; i < editor::kEmoticonCount; ++i) {
    const QToolButton* b = picker->Pictures()[i];
    EXPECT_EQ(b->toolTip().toStdString(), editor::Emoticons()[i].hint);
    EXPECT_FALSE(b->icon().isNull()) << i;
    EXPECT_TRUE(b->text().isEmpty()) << i;
  }
  EXPECT_EQ(picker->Pictures()[0]->toolTip(), QStringLiteral("爱死你了"));
  // Every picture is shown, none under another.
  picker->ShowFor(&main_, button_);
  EXPECT_NE(picker->Pictures()[0]->geometry().topLeft(),
            picker->Pictures()[7]->geometry().topLeft());
  EXPECT_TRUE(picker->rect().contains(picker->Pictures().back()->geometry()));
}

TEST_F(Picker, WithoutItsPicturesEachButtonStillOffersItsHint) {
  QTemporaryDir empty;
  const auto picker = Make(empty.path());
  EXPECT_EQ(picker->Pictures()[0]->text(), QStringLiteral("爱死你了"));
  EXPECT_EQ(picker->Pictures()[27]->text().toStdString(), editor::Emoticons()[27].hint);
}

TEST_F(Picker, ClickingAPicturePastesItsImageFocusesTheEditorAndCloses) {
  const auto picker = Make(QStringLiteral("/opt/tenvel"));
  QSignalSpy pasted(picker.get(), &editor::TbiaoqingFRM::picturePasted);
  picker->ShowFor(&main_, button_);
  ASSERT_TRUE(picker->isVisible());
  QTest::mouseClick(picker->Pictures()[25], Qt::LeftButton);
  EXPECT_EQ(editor_.pasted,
            QStringList{"<img src=\"/opt/tenvel/Images/biaoqing/26.gif \"align=\"absMiddle\" "
                        "hspace=\"1\">"});
  EXPECT_EQ(editor_.focusRequests, 1);
  EXPECT_FALSE(picker->isVisible());
  ASSERT_EQ(pasted.size(), 1);
  EXPECT_EQ(pasted[0][0].toString(), QStringLiteral("/opt/tenvel/Images/biaoqing/26.gif"));

  // Opened again, the last picture pastes b26.gif.
  picker->ShowFor(&main_, button_);
  QTest::mouseClick(picker->Pictures()[27], Qt::LeftButton);
  EXPECT_TRUE(editor_.pasted.last().contains("/Images/biaoqing/b26.gif \""));
}

TEST_F(Picker, OpensBesideTheButtonAsTheMainWindowPlacesIt) {
  EXPECT_EQ(editor::PickerPosition(QRect(100, 60, 640, 480), QRect(40, 8, 30, 22)),
            QPoint(100 + 40 + 2, 60 + 8 + 30 + 114));
  const auto picker = Make();
  picker->ShowFor(&main_, button_);
  EXPECT_EQ(picker->pos(), QPoint(100 + 40 + 2, 60 + 8 + 30 + 114));
}

TEST(PickerPlacement, AWindowNearTheScreensEdgeIsMovedBackOntoIt) {
  const QRect screen(0, 0, 800, 600);
  const QSize size(200, 120);
  EXPECT_EQ(editor::KeptOnScreen({10, 20}, size, screen), QPoint(10, 20));
  EXPECT_EQ(editor::KeptOnScreen({700, 550}, size, screen), QPoint(600, 480));
  EXPECT_EQ(editor::KeptOnScreen({-30, -5}, size, screen), QPoint(0, 0));
  // Larger than the screen: the top-left corner stays on it.
  EXPECT_EQ(editor::KeptOnScreen({50, 50}, QSize(900, 700), screen), QPoint(0, 0));
  // A second screen to the right.
  EXPECT_EQ(editor::KeptOnScreen({1700, 10}, size, QRect(800, 0, 1024, 768)), QPoint(1624, 10));
}

TEST_F(Picker, ClosesWhenItLosesTheFocusAndPastesNothing) {
  const auto picker = Make();
  picker->ShowFor(&main_, button_);
  ASSERT_TRUE(picker->isVisible());
  QEvent deactivate(QEvent::WindowDeactivate);
  QApplication::sendEvent(picker.get(), &deactivate);
  EXPECT_FALSE(picker->isVisible());

  // A click elsewhere closes it as well.
  picker->ShowFor(&main_, button_);
  ASSERT_TRUE(picker->isVisible());
  // (Through the window system, as a real click comes: the popup sees it outside itself.)
  QTest::mouseClick(main_.windowHandle(), Qt::LeftButton, {}, QPoint(300, 300));
  EXPECT_FALSE(picker->isVisible());

  // So does Esc.
  picker->ShowFor(&main_, button_);
  QTest::keyClick(picker.get(), Qt::Key_Escape);
  EXPECT_FALSE(picker->isVisible());
  EXPECT_TRUE(editor_.pasted.isEmpty());
  EXPECT_EQ(editor_.focusRequests, 0);
}

TEST_F(Picker, AnEditorThatIsGoneTakesNoPaste) {
  auto gone = std::make_unique<PasteRecorder>();
  editor::TbiaoqingFRM picker(kShipped, gone.get(), &main_);
  QSignalSpy pasted(&picker, &editor::TbiaoqingFRM::picturePasted);
  gone.reset();
  picker.ShowFor(&main_, button_);
  QTest::mouseClick(picker.Pictures()[0], Qt::LeftButton);
  EXPECT_FALSE(picker.isVisible());
  EXPECT_EQ(pasted.size(), 0);
}

}  // namespace
