#include "platform/SingleInstance.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTemporaryDir>

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
