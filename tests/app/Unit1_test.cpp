#include "app/Unit1.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "store/DataFiles.h"

namespace {

int ModeOf(const QString& path) {
  struct stat st {};
  if (::stat(QFile::encodeName(path).constData(), &st) != 0) return -1;
  return static_cast<int>(st.st_mode & 0777);
}

void WriteFile(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(bytes);
}

// Runs the start-up of a main window on the program folder and waits for its last step.
void RunStartUp(app::TForm1& window) {
  if (window.StartUpDone()) return;
  QSignalSpy finished(&window, &app::TForm1::startUpFinished);
  ASSERT_TRUE(finished.wait(5000));
}

}  // namespace

TEST(StartUp, CreatesFoldersAndDatabasesOwnerOnly) {
  QTemporaryDir dir;
  app::TDataQX data;
  app::TForm1 window(dir.path(), &data);
  RunStartUp(window);

  EXPECT_TRUE(data.IsOpen());
  for (const char* folder : {"/DB", "/DB/EMF", "/DB/EMF/TemFile", "/DB2"}) {
    EXPECT_EQ(ModeOf(dir.path() + folder), 0700) << folder;
  }
  for (const char* file : {"/DB/MsgEx.mdb", "/DB/MailCheck.mdb", "/DB2/TVtools.mdb"}) {
    EXPECT_EQ(ModeOf(dir.path() + file), 0600) << file;
  }
  ASSERT_NE(window.ADOConnection1(), nullptr);
  EXPECT_FALSE(window.Locked());
  EXPECT_TRUE(window.SoundOn());
  EXPECT_FALSE(window.AutoReceive());
}

TEST(StartUp, ReadsRecentRecipientsAndResetsToolSeat) {
  QTemporaryDir dir;
  std::string error;
  ASSERT_TRUE(store::EnsureProgramFolders(dir.path().toStdString(), &error)) << error;
  WriteFile(dir.path() + "/DB/DefaultReceiver.db", "a@x.cn\n\nb@y.cn\r\n\n\n\n\n\nlate@z.cn\n");
  WriteFile(dir.path() + "/DB/Default.db", "me@x.cn\n");
  WriteFile(dir.path() + "/DB2/ToolSeat.db", "0\n1\n0\n0\n0\n0\n");

  app::TDataQX data;
  app::TForm1 window(dir.path(), &data);
  RunStartUp(window);

  EXPECT_EQ(window.RecentRecipients(), (std::vector<std::string>{"a@x.cn", "b@y.cn"}));
  EXPECT_EQ(window.DefaultAccount(), "me@x.cn");
  const auto seat = store::ReadToolSeat(dir.path().toStdString());
  for (bool on : seat)
    EXPECT_FALSE(on);
  EXPECT_EQ(store::ReadTextLines(dir.path().toStdString() + "/DB2/ToolSeat.db").size(), 6u);
}

TEST(StartUp, SecondStartKeepsDataAndLockSetting) {
  QTemporaryDir dir;
  {
    app::TDataQX data;
    app::TForm1 window(dir.path(), &data);
    RunStartUp(window);
    store::Query q(*data.ADOConnectionAcc);
    q.AddLine("update PersonalSet set SetPassword=\"True\", PasswordPWsys=\"密码\"");
    ASSERT_TRUE(q.ExecSql()) << q.Error();
  }
  app::TDataQX data;
  app::TForm1 window(dir.path(), &data);
  RunStartUp(window);
  EXPECT_TRUE(window.Locked());
}

TEST(StartUp, DatabaseThatIsNotADatabaseIsReportedNotEmptied) {
  QTemporaryDir dir;
  std::string error;
  ASSERT_TRUE(store::EnsureProgramFolders(dir.path().toStdString(), &error)) << error;
  const QByteArray junk("this is not a database file, keep me");
  WriteFile(dir.path() + "/DB/MsgEx.mdb", junk);

  app::TDataQX data;
  app::TForm1 window(dir.path(), &data);
  RunStartUp(window);

  EXPECT_FALSE(data.IsOpen());
  QFile f(dir.path() + "/DB/MsgEx.mdb");
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll(), junk);
}
