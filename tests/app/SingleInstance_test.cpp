// Two real copies of the program: the second one tells the first and ends at once.

#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

constexpr int kStartWaitMs = 15000;

class TwoCopies : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(QDir(root_.path()).mkpath("run"));
    // The runtime folder must be the user's own (QStandardPaths checks its mode).
    QFile::setPermissions(RunFolder(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  }
  void TearDown() override {
    for (QProcess* p : {&first_, &second_}) {
      if (p->state() != QProcess::NotRunning) {
        p->kill();
        p->waitForFinished(5000);
      }
    }
  }
  QString RunFolder() const { return root_.path() + "/run"; }

  // A program folder of its own with a copy of the executable (the program folder is the
  // executable's folder).
  QString Install(const QString& name) {
    const QString folder = root_.path() + "/" + name;
    QDir().mkpath(folder);
    QFile::copy(QStringLiteral(TENVEL_EXE), folder + "/tenvel");
    return folder;
  }
  void Start(QProcess& process, const QString& folder) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("XDG_RUNTIME_DIR", RunFolder());
    env.insert("TENVEL_HTMLVIEW", "text");
    env.insert("QTWEBENGINE_CHROMIUM_FLAGS", "--no-sandbox");
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(folder + "/tenvel", {});
    ASSERT_TRUE(process.waitForStarted(kStartWaitMs));
  }
  // Waits until the running copy listens and has created its data folders.
  bool WaitUntilRunning(const QString& folder) {
    QDeadlineTimer deadline(kStartWaitMs);
    while (!deadline.hasExpired()) {
      if (QFileInfo::exists(RunFolder() + "/Tenvel1024") && QFileInfo::exists(folder + "/DB2"))
        return true;
      QTest::qWait(50);
    }
    return false;
  }

  QTemporaryDir root_;
  QProcess first_;
  QProcess second_;
};

TEST_F(TwoCopies, SecondCopyEndsAtOnceWithoutTouchingAnything) {
  const QString a = Install("a");
  const QString b = Install("b");
  Start(first_, a);
  ASSERT_TRUE(WaitUntilRunning(a));

  Start(second_, b);
  ASSERT_TRUE(second_.waitForFinished(kStartWaitMs));
  EXPECT_EQ(second_.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(second_.exitCode(), 0);
  // No data folder, no database: its program folder holds only the executable.
  EXPECT_EQ(QDir(b).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{"tenvel"});
  // The running copy goes on as it was.
  QTest::qWait(300);
  EXPECT_EQ(first_.state(), QProcess::Running);
}

TEST_F(TwoCopies, CopyThatCrashedDoesNotKeepTheNextOneOut) {
  const QString a = Install("a");
  Start(first_, a);
  ASSERT_TRUE(WaitUntilRunning(a));
  first_.kill();  // no clean-up: lock file and socket stay behind
  ASSERT_TRUE(first_.waitForFinished(kStartWaitMs));

  const QString b = Install("b");
  Start(second_, b);
  EXPECT_TRUE(WaitUntilRunning(b));
  EXPECT_EQ(second_.state(), QProcess::Running);
}

}  // namespace
