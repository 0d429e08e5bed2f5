// The sending page: its pictures, the texts of a new send and the progress bar.
#include "send/SendingPage.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QProgressBar>
#include <QPushButton>
#include <QSet>

namespace {

// A folder holding Images/SendImg/ as the program folder does: the resources of the source
// tree above the test program, or the built program folder (build/app) beside it.
QString ResourcesFolder() {
  QDir dir(QCoreApplication::applicationDirPath());
  for (int up = 0; up < 8; ++up) {
    for (const QString& sub : {QStringLiteral("resources"), QStringLiteral("app")}) {
      if (QFileInfo::exists(dir.filePath(sub + QStringLiteral("/Images/SendImg/0.jpg"))))
        return dir.filePath(sub);
    }
    if (!dir.cdUp()) break;
  }
  return {};
}

TEST(SendingPage, EveryShippedPictureIsAJpegAndEachShowDrawsOne) {
  const QString folder = ResourcesFolder();
  ASSERT_FALSE(folder.isEmpty());
  for (int n = 0; n < send::SendingPage::kPictureCount; ++n) {
    const QString path = folder + QStringLiteral("/Images/SendImg/%1.jpg").arg(n);
    QImage image;
    EXPECT_TRUE(image.load(path, "JPG")) << path.toStdString();
    EXPECT_GE(image.width(), 100);
  }

  send::SendingPage page(folder);
  EXPECT_EQ(page.PicturePath(), QString());
  QSet<QString> drawn;
  for (int shown = 0; shown < 200; ++shown) {
    page.show();
    EXPECT_TRUE(QFileInfo::exists(page.PicturePath())) << page.PicturePath().toStdString();
    drawn.insert(page.PicturePath());
    page.hide();
  }
  EXPECT_EQ(drawn.size(), send::SendingPage::kPictureCount);
}

TEST(SendingPage, BeginShowsANewSendAndClearsWhatTheLastOneLeft) {
  send::SendingPage page(QString{});
  page.SetStatus(QStringLiteral("发送失败"), send::StatusColour::Red);
  page.SetErrorLine(QStringLiteral("连接到SMTP服务器失败"));
  page.SetProgressRange(100);
  page.AddProgress(60);
  page.CancelButton()->setEnabled(false);

  page.Begin(QStringLiteral("me@x.cn"), QStringLiteral("a@x.cn<抄送>c@x.cn"));
  EXPECT_EQ(page.StatusText(), QStringLiteral("正在连接..."));
  EXPECT_EQ(page.StatusColourShown(), send::StatusColour::Black);
  EXPECT_EQ(page.ErrorText(), QString());
  EXPECT_EQ(page.SenderText(), QStringLiteral("me@x.cn"));
  EXPECT_EQ(page.RecipientText(), QStringLiteral("a@x.cn<抄送>c@x.cn"));
  EXPECT_EQ(page.ProgressPosition(), 0);
  EXPECT_EQ(page.ProgressBar()->value(), 0);
  EXPECT_TRUE(page.CancelButton()->isEnabled());
  EXPECT_EQ(page.CancelButton()->text(), QStringLiteral("取消发送"));
}

TEST(SendingPage, TheBarFillsForMessagesBeyondTheIntRangeAndStopsAtFull) {
  send::SendingPage page(QString{});
  const std::int64_t total = 5'000'000'000;
  page.SetProgressRange(total);
  page.AddProgress(total / 2);
  QProgressBar* bar = page.ProgressBar();
  EXPECT_NEAR(static_cast<double>(bar->value()) / bar->maximum(), 0.5, 0.01);
  page.AddProgress(total);  // line ends and dot-stuffing make more than announced
  EXPECT_EQ(bar->value(), bar->maximum());
  page.ResetProgress();
  EXPECT_EQ(bar->value(), 0);
}

}  // namespace
