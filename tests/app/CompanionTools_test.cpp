#include "app/CompanionTools.h"

#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "store/DataFiles.h"

namespace {

// A stand-in for the tools program: it notes each start with the seat file it found, then
// stays running until it is told to end. It writes the seat and the line end in two steps with a
// pause between them, so a wait that took an unfinished line for a start would end the copy
// between the two every time, not only on a loaded machine.
void InstallFakeTools(const QString& folder) {
  const QString path = folder + "/" + app::kToolsProgram;
  QFile script(path);
  ASSERT_TRUE(script.open(QIODevice::WriteOnly));
  script.write(
      "#!/bin/sh\n"
      "trap 'kill $! 2>/dev/null; exit 0' TERM\n"
      "tr -d '\\n' < \"$PWD/DB2/ToolSeat.db\" >> \"$PWD/starts.txt\"\n"
      "sleep 0.2\n"
      "echo >> \"$PWD/starts.txt\"\n"
      "sleep 30 &\n"
      "wait\n");
  script.close();
  ASSERT_TRUE(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
}

// The finished lines of starts.txt: a start still writing its line (no line end yet) is left out.
QStringList FinishedStarts(const QString& folder) {
  QFile file(folder + "/starts.txt");
  if (!file.open(QIODevice::ReadOnly)) return {};
  QByteArray text = file.readAll();
  text.truncate(text.lastIndexOf('\n') + 1);
  return QString::fromLatin1(text).split('\n', Qt::SkipEmptyParts);
}

// The finished starts once there are `expected` of them, or what there is after 5 s.
QStringList Starts(const QString& folder, int expected) {
  QDeadlineTimer deadline(5000);
  QStringList lines = FinishedStarts(folder);
  // Bounded by the deadline; each pass reads the file once.
  while (lines.size() < expected && !deadline.hasExpired()) {
    QTest::qWait(20);
    lines = FinishedStarts(folder);
  }
  return lines;
}

std::string Seat(const QString& folder) {
  std::string text;
  for (const std::string& line : store::ReadTextLines(folder.toStdString() + "/DB2/ToolSeat.db"))
    text += line;
  return text;
}

class Tools : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(store::EnsureProgramFolders(dir_.path().toStdString(), &error)) << error;
  }
  QTemporaryDir dir_;
};

TEST_F(Tools, ChoosingAToolWritesExactlyOneSeatAndStartsTheProgram) {
  InstallFakeTools(dir_.path());
  app::CompanionTools tools(dir_.path());
  ASSERT_TRUE(tools.Open(2));
  EXPECT_EQ(Seat(dir_.path()), "001000");
  EXPECT_EQ(Starts(dir_.path(), 1), (QStringList{"001000"}));
  EXPECT_TRUE(tools.Running());

  // A second choice while it runs closes it and starts it again on the new tool only.
  ASSERT_TRUE(tools.Open(5));
  EXPECT_EQ(Seat(dir_.path()), "000001");
  EXPECT_EQ(Starts(dir_.path(), 2), (QStringList{"001000", "000001"}));
  EXPECT_TRUE(tools.Running());
  tools.Close();
  EXPECT_FALSE(tools.Running());
}

TEST_F(Tools, StaleSeatOfAnEarlierChoiceIsCleared) {
  ASSERT_TRUE(
      store::WriteToolSeat(dir_.path().toStdString(), {true, false, false, true, false, false}));
  app::CompanionTools tools(dir_.path());
  EXPECT_FALSE(tools.Open(4));  // the program is not there
  EXPECT_EQ(Seat(dir_.path()), "000010");
  EXPECT_FALSE(tools.Running());
}

TEST_F(Tools, OutOfRangeChoiceChangesNothing) {
  ASSERT_TRUE(store::WriteToolSeat(dir_.path().toStdString(), {}));
  app::CompanionTools tools(dir_.path());
  EXPECT_FALSE(tools.Open(6));
  EXPECT_FALSE(tools.Open(-1));
  EXPECT_EQ(Seat(dir_.path()), "000000");
}

TEST_F(Tools, FileThatIsNotExecutableIsNotStarted) {
  QFile file(dir_.path() + "/" + app::kToolsProgram);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("not a program");
  file.close();
  app::CompanionTools tools(dir_.path());
  EXPECT_FALSE(tools.Open(1));
  EXPECT_EQ(Seat(dir_.path()), "010000");
}

}  // namespace
