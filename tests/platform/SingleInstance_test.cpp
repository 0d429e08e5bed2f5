#include "platform/SingleInstance.h"

#include <gtest/gtest.h>

#include <QLocalSocket>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <vector>

namespace {

TEST(SingleInstance, LaterCopyIsRefusedAndTheRunningOneHearsIt) {
  QTemporaryDir dir;
  platform::SingleInstance running(dir.path());
  ASSERT_TRUE(running.Claim());
  ASSERT_TRUE(running.Listen());
  QSignalSpy heard(&running, &platform::SingleInstance::messageReceived);

  platform::SingleInstance later(dir.path());
  EXPECT_FALSE(later.Claim());
  EXPECT_FALSE(later.Listen());  // a refused copy never opens the socket
  ASSERT_TRUE(heard.wait(3000));
  EXPECT_EQ(heard.at(0).at(0).toByteArray(), QByteArray("1034"));
}

// Writes the pieces to the running copy's socket one after the other, giving the running copy
// time to read each before the next, then hangs up.
void SendInPieces(const QString& path, const std::vector<QByteArray>& pieces) {
  QLocalSocket socket;
  socket.connectToServer(path);
  ASSERT_TRUE(socket.waitForConnected(3000));
  for (const QByteArray& piece : pieces) {
    socket.write(piece);
    ASSERT_TRUE(socket.waitForBytesWritten(3000));
    QTest::qWait(100);
  }
  socket.disconnectFromServer();
}

TEST(SingleInstance, MessageInPiecesArrivesWholeAndOnce) {
  QTemporaryDir dir;
  platform::SingleInstance running(dir.path());
  ASSERT_TRUE(running.Claim());
  ASSERT_TRUE(running.Listen());
  QSignalSpy heard(&running, &platform::SingleInstance::messageReceived);

  SendInPieces(running.ServerPath(), {"10", "3", "4"});
  ASSERT_TRUE(QTest::qWaitFor([&heard] { return heard.size() >= 1; }, 3000));
  QTest::qWait(100);
  ASSERT_EQ(heard.size(), 1);
  EXPECT_EQ(heard.at(0).at(0).toByteArray(), QByteArray("1034"));

  // A sender that hangs up early is heard with what it sent; one that sends nothing is not.
  SendInPieces(running.ServerPath(), {"10"});
  SendInPieces(running.ServerPath(), {});
  ASSERT_TRUE(QTest::qWaitFor([&heard] { return heard.size() >= 2; }, 3000));
  QTest::qWait(100);
  ASSERT_EQ(heard.size(), 2);
  EXPECT_EQ(heard.at(1).at(0).toByteArray(), QByteArray("10"));
}

TEST(SingleInstance, FolderIsFreeAgainWhenTheRunningCopyEnds) {
  QTemporaryDir dir;
  {
    platform::SingleInstance running(dir.path());
    ASSERT_TRUE(running.Claim());
    ASSERT_TRUE(running.Listen());
  }
  platform::SingleInstance next(dir.path());
  EXPECT_TRUE(next.Claim());
  EXPECT_TRUE(next.Listen());
}

TEST(SingleInstance, SocketLeftBehindIsReplaced) {
  QTemporaryDir dir;
  platform::SingleInstance probe(dir.path());
  QFile leftover(probe.ServerPath());
  ASSERT_TRUE(leftover.open(QIODevice::WriteOnly));  // a stale file where the socket goes
  leftover.close();
  ASSERT_TRUE(probe.Claim());
  EXPECT_TRUE(probe.Listen());
}

}  // namespace
