// The program folder and the files shipped beside the executable.
#include "app/ProgramFolder.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

void Write(const QString& path, const QByteArray& bytes) {
  QDir().mkpath(QFileInfo(path).path());
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(bytes);
}

QByteArray Read(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST(ProgramFolderTest, ShippedFilesAreCopiedOnlyWhereMissing) {
  QTemporaryDir exe;
  QTemporaryDir data;
  Write(exe.path() + "/POPSmtp.ini", "[qq.com]\npop3=pop.qq.com\n");
  Write(exe.path() + "/Sound/type.mid", "MThd");
  Write(exe.path() + "/Images/SendImg/3.jpg", "JFIF");
  Write(exe.path() + "/other.txt", "not shipped");
  // The user's own preset file stays as it is.
  Write(data.path() + "/POPSmtp.ini", "[mine]\n");

  app::CopyShippedResources(exe.path(), data.path());

  EXPECT_EQ(Read(data.path() + "/POPSmtp.ini"), "[mine]\n");
  EXPECT_EQ(Read(data.path() + "/Sound/type.mid"), "MThd");
  // The sending page's pictures, in their sub-folder.
  EXPECT_EQ(Read(data.path() + "/Images/SendImg/3.jpg"), "JFIF");
  EXPECT_FALSE(QFileInfo::exists(data.path() + "/other.txt"));
}

TEST(ProgramFolderTest, SameFolderIsLeftAlone) {
  QTemporaryDir exe;
  Write(exe.path() + "/POPSmtp.ini", "x");
  app::CopyShippedResources(exe.path(), exe.path() + "/");
  EXPECT_EQ(Read(exe.path() + "/POPSmtp.ini"), "x");
}

}  // namespace
