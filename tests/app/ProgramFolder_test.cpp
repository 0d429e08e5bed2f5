// The program folder and the files shipped beside the executable.
#include "app/ProgramFolder.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtGlobal>

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

// An installed program: bin/tenvel and its shipped files in the installed resource folder, with
// the per-user data folder below the same scratch folder.
class InstalledLayoutTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(root_.isValid());
    bin_ = root_.path() + "/usr/bin";
    shared_ = QDir::cleanPath(bin_ + "/" + TENVEL_INSTALLED_RESOURCES);
    QDir().mkpath(bin_);
    Write(shared_ + "/POPSmtp.ini", "[qq.com]\n");
    Write(shared_ + "/Images/SendImg/3.jpg", "JFIF");
    Write(shared_ + "/Images/biaoqing/1.gif", "GIF89a");
    savedDataHome_ = qgetenv("XDG_DATA_HOME");
    hadDataHome_ = qEnvironmentVariableIsSet("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", QFile::encodeName(root_.path() + "/home/.local/share"));
  }
  void TearDown() override {
    if (hadDataHome_)
      qputenv("XDG_DATA_HOME", savedDataHome_);
    else
      qunsetenv("XDG_DATA_HOME");
  }

  QTemporaryDir root_;
  QString bin_;
  QString shared_;
  QByteArray savedDataHome_;
  bool hadDataHome_ = false;
};

TEST_F(InstalledLayoutTest, ShippedFilesComeFromTheInstalledFolder) {
  EXPECT_EQ(app::ShippedResourceFolder(bin_), shared_);
  EXPECT_EQ(app::ShippedResourceFolder(bin_ + "/"), shared_);
}

TEST_F(InstalledLayoutTest, DataGoesToThePerUserFolderEvenWhenBinIsWritable) {
  // The scratch bin folder is writable, like /usr/bin for root or ~/.local/bin for its user:
  // the mail database must still not land beside the executable.
  const QString folder = app::ResolveProgramFolder(bin_);
  EXPECT_TRUE(folder.startsWith(root_.path() + "/home/.local/share/")) << folder.toStdString();
  EXPECT_TRUE(QFileInfo(folder).isDir());
  EXPECT_FALSE(folder.endsWith('/'));
}

TEST_F(InstalledLayoutTest, FirstStartCopiesTheInstalledFilesToTheUser) {
  const QString folder = app::ResolveProgramFolder(bin_);
  app::CopyShippedResources(app::ShippedResourceFolder(bin_), folder);
  EXPECT_EQ(Read(folder + "/POPSmtp.ini"), "[qq.com]\n");
  EXPECT_EQ(Read(folder + "/Images/SendImg/3.jpg"), "JFIF");
  EXPECT_EQ(Read(folder + "/Images/biaoqing/1.gif"), "GIF89a");
  EXPECT_TRUE(QDir(bin_).isEmpty());
}

TEST_F(InstalledLayoutTest, FilesBesideTheExecutableMakeItPortable) {
  // A build or an unpacked portable copy that happens to sit beside an installed tree.
  Write(bin_ + "/POPSmtp.ini", "[portable]\n");
  EXPECT_EQ(app::ShippedResourceFolder(bin_), bin_);
  EXPECT_EQ(app::ResolveProgramFolder(bin_), bin_);
}

TEST(ProgramFolderTest, WithoutShippedFilesAnywhereTheExecutableFolderIsUsed) {
  QTemporaryDir exe;
  EXPECT_EQ(app::ShippedResourceFolder(exe.path()), QDir::cleanPath(exe.path()));
  EXPECT_EQ(app::ResolveProgramFolder(exe.path()), QDir::cleanPath(exe.path()));
}

}  // namespace
