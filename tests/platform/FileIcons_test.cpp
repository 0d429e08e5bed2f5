#include "platform/FileIcons.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

namespace {

TEST(FileIcons, AttachmentsGetTheThemesIconForTheirType) {
  platform::UseDesktopIconTheme();
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString pdf = dir.filePath("报告.pdf");
  QFile file(pdf);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("%PDF-1.4\n");
  file.close();
  // The type comes from the name, so a file that is gone still shows its kind.
  const QString pdfIcon = platform::FileTypeIconName(pdf);
  const QString textIcon = platform::FileTypeIconName(dir.filePath("gone.txt"));
  const QString pictureIcon = platform::FileTypeIconName(dir.filePath("photo.JPG"));
  EXPECT_FALSE(pdfIcon.isEmpty());
  EXPECT_FALSE(textIcon.isEmpty());
  EXPECT_FALSE(pictureIcon.isEmpty());
  EXPECT_NE(pdfIcon, pictureIcon);
  EXPECT_NE(textIcon, pictureIcon);
  EXPECT_FALSE(platform::FileTypeIcon(pdf).isNull());
  // A name without a known type still gets an icon.
  EXPECT_FALSE(platform::FileTypeIcon(dir.filePath("data.zzzunknown")).isNull());
}

}  // namespace
