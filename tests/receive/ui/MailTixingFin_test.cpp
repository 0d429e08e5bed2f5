#include "receive/MailTixingFin.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPushButton>
#include <QTest>

#include "receive/ManualRec.h"

namespace {

using receive::TMailTixing2Fin;

class NewMailPopup : public ::testing::Test {
 protected:
  // The slide takes about a second; the bound only guards against a slide that never ends.
  void WaitForSlide() {
    ASSERT_TRUE(QTest::qWaitFor([this] { return !popup_.Sliding(); }, 8000));
  }

  TMailTixing2Fin popup_;
};

TEST_F(NewMailPopup, FillsItsLinesAndStartsLowAndShort) {
  popup_.ShowReceived(QStringLiteral("wang@example.com"), 3);
  EXPECT_EQ(popup_.AccountLine(), QStringLiteral("wang@example.com"));
  EXPECT_EQ(popup_.TotalLine(), QStringLiteral("您收到3封邮件"));
  EXPECT_EQ(popup_.btnClose->toolTip(), QStringLiteral("关闭"));
  const QRect area = receive::CornerArea(&popup_);
  EXPECT_TRUE(popup_.isVisible());
  EXPECT_TRUE(popup_.Sliding());
  EXPECT_EQ(popup_.height(), TMailTixing2Fin::kStartHeight);
  EXPECT_EQ(popup_.x(), area.x() + area.width() - 265 - 2);
  EXPECT_EQ(popup_.y(), area.y() + area.height() - 40);
}

TEST_F(NewMailPopup, SlidesUpToTheFullHeightAndTakesItsShape) {
  popup_.ShowReceived(QStringLiteral("wang@example.com"), 1);
  const int startTop = popup_.y();
  WaitForSlide();
  EXPECT_EQ(popup_.height(), TMailTixing2Fin::kHeight);
  // The bottom edge stayed put while the window grew upwards.
  EXPECT_EQ(popup_.y(), startTop - (TMailTixing2Fin::kHeight - TMailTixing2Fin::kStartHeight));
  EXPECT_EQ(popup_.palette().color(QPalette::Window), QColor(157, 186, 244));

  const QRegion shape = popup_.mask();
  EXPECT_FALSE(shape.contains(QPoint(0, 0)));  // round top corners
  EXPECT_FALSE(shape.contains(QPoint(264, 0)));
  EXPECT_TRUE(shape.contains(QPoint(0, 109)));  // square bottom corners
  EXPECT_TRUE(shape.contains(QPoint(264, 109)));
  EXPECT_TRUE(shape.contains(QPoint(132, 5)));

  const QImage drawn = popup_.grab().toImage();
  EXPECT_EQ(drawn.pixelColor(0, 60), QColor(107, 121, 190));     // outline
  EXPECT_EQ(drawn.pixelColor(3, 60), QColor(157, 186, 244));     // background beside the body
  EXPECT_NE(drawn.pixelColor(132, 100), QColor(157, 186, 244));  // the body is filled
}

TEST_F(NewMailPopup, SecondNoticeRefillsAndSlidesInAgain) {
  popup_.ShowReceived(QStringLiteral("wang@example.com"), 1);
  WaitForSlide();
  popup_.ShowReceived(QStringLiteral("zhao@example.com"), 12);
  EXPECT_EQ(popup_.AccountLine(), QStringLiteral("zhao@example.com"));
  EXPECT_EQ(popup_.TotalLine(), QStringLiteral("您收到12封邮件"));
  EXPECT_EQ(popup_.height(), TMailTixing2Fin::kStartHeight);
  EXPECT_TRUE(popup_.mask().isEmpty());
  EXPECT_TRUE(popup_.Sliding());
  WaitForSlide();
  EXPECT_EQ(popup_.height(), TMailTixing2Fin::kHeight);
}

TEST_F(NewMailPopup, CloseButtonOnlyHidesIt) {
  popup_.ShowReceived(QStringLiteral("wang@example.com"), 2);
  QTest::mouseClick(popup_.btnClose, Qt::LeftButton);
  EXPECT_FALSE(popup_.isVisible());
  EXPECT_FALSE(popup_.Sliding());
  EXPECT_EQ(popup_.TotalLine(), QStringLiteral("您收到2封邮件"));
}

}  // namespace
