#include "receive/ManualRec.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

namespace {

using receive::TManualRec1;

class ProgressWindow : public ::testing::Test {
 protected:
  // Lets the tidy timer fire at once; the rules it applies stay the same.
  void RunTidy() {
    window_.tmrTidy.setInterval(1);
    window_.StartTidyTimer();
    ASSERT_TRUE(QTest::qWaitFor([this] { return !window_.tmrTidy.isActive(); }, 3000));
  }

  TManualRec1 window_;
};

TEST_F(ProgressWindow, OpensWithItsTitleSizeAndCheckingStatus) {
  EXPECT_EQ(window_.windowTitle(), QStringLiteral("正在收信"));
  EXPECT_EQ(window_.size(), QSize(270, 117));
  EXPECT_TRUE(window_.windowFlags() & Qt::FramelessWindowHint);
  EXPECT_EQ(window_.StatusLine(), QStringLiteral("正在检测..."));
  EXPECT_EQ(window_.btnCancel->toolTip(), QStringLiteral("取消收信"));
  EXPECT_EQ(window_.tmrTidy.interval(), TManualRec1::kTidyMs);
  window_.SetAccountLine(QStringLiteral("li@example.com"));
  window_.SetStatusLine(QStringLiteral("正在接收第1封邮件"));
  EXPECT_EQ(window_.AccountLine(), QStringLiteral("li@example.com"));
  EXPECT_EQ(window_.StatusLine(), QStringLiteral("正在接收第1封邮件"));
}

TEST_F(ProgressWindow, TidyTimerFinishesAnEmptyStatusAndLeavesOthers) {
  window_.ShowAtCorner();
  window_.SetStatusLine(QString());
  RunTidy();
  EXPECT_EQ(window_.StatusLine(), QStringLiteral("接收完毕"));
  EXPECT_TRUE(window_.isVisible());

  window_.SetStatusLine(QStringLiteral("正在接收第2封邮件"));
  RunTidy();
  EXPECT_EQ(window_.StatusLine(), QStringLiteral("正在接收第2封邮件"));
  EXPECT_TRUE(window_.isVisible());
}

TEST_F(ProgressWindow, TidyTimerClosesTheWindowWhenNothingNewCame) {
  window_.ShowAtCorner();
  window_.SetStatusLine(QStringLiteral("没有收到新邮件!"));
  RunTidy();
  EXPECT_FALSE(window_.isVisible());
}

TEST_F(ProgressWindow, CloseButtonHidesStartsTheTidyTimerAndTellsTheOwner) {
  QSignalSpy closed(&window_, &TManualRec1::closedByUser);
  QSignalSpy cancelled(&window_, &TManualRec1::cancelRequested);
  window_.ShowAtCorner();
  QTest::mouseClick(window_.btnClose, Qt::LeftButton);
  EXPECT_EQ(closed.count(), 1);
  EXPECT_EQ(cancelled.count(), 0);
  EXPECT_FALSE(window_.isVisible());
  EXPECT_TRUE(window_.tmrTidy.isActive());
}

TEST_F(ProgressWindow, CancelButtonHidesAndAsksToCancel) {
  QSignalSpy closed(&window_, &TManualRec1::closedByUser);
  QSignalSpy cancelled(&window_, &TManualRec1::cancelRequested);
  window_.ShowAtCorner();
  QTest::mouseClick(window_.btnCancel, Qt::LeftButton);
  EXPECT_EQ(cancelled.count(), 1);
  EXPECT_EQ(closed.count(), 0);
  EXPECT_FALSE(window_.isVisible());
}

TEST_F(ProgressWindow, ShowsAtTheBottomRightOfTheUsableScreen) {
  window_.ShowAtCorner();
  const QRect area = receive::CornerArea(&window_);
  EXPECT_TRUE(window_.isVisible());
  EXPECT_EQ(window_.x(), area.x() + area.width() - 270 - 2);
  EXPECT_EQ(window_.y(), area.y() + area.height() - 117 - 30);
  // A minimised window comes back for the next receive.
  window_.showMinimized();
  window_.ShowAtCorner();
  EXPECT_FALSE(window_.isMinimized());
}

}  // namespace
