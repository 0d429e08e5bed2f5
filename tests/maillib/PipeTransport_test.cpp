// The in-memory connection: both directions, time-outs, closing, and a peer on another thread.
#include "maillib/PipeTransport.h"

#include <gtest/gtest.h>

#include <thread>

#include "maillib/RapTCPClient.h"
#include "tests/maillib/NetTestUtil.h"

namespace maillib {
namespace {

TEST(PipeTransportTest, CarriesBytesBothWays) {
  auto [a, b] = PipeTransport::MakePair();
  std::string error;
  ASSERT_EQ(a->Send("ping", error), IoStatus::Ok);
  ASSERT_EQ(a->Send("!", error), IoStatus::Ok);
  std::string got;
  ASSERT_EQ(b->Receive(got, 0, error), IoStatus::Ok);
  EXPECT_EQ(got, "ping!");
  ASSERT_EQ(b->Send("pong", error), IoStatus::Ok);
  got.clear();
  ASSERT_EQ(a->Receive(got, 0, error), IoStatus::Ok);
  EXPECT_EQ(got, "pong");
}

TEST(PipeTransportTest, EmptyPipeTimesOut) {
  auto [a, b] = PipeTransport::MakePair();
  std::string got;
  std::string error;
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(a->Receive(got, 50, error), IoStatus::TimedOut);
  EXPECT_GE(net_test::MsSince(start), 45);
  EXPECT_TRUE(got.empty());
}

TEST(PipeTransportTest, CloseDeliversWhatWasSentThenReportsClosed) {
  auto [a, b] = PipeTransport::MakePair();
  std::string error;
  ASSERT_EQ(a->Send("last words", error), IoStatus::Ok);
  a->Close();
  a->Close();
  EXPECT_FALSE(a->IsOpen());
  EXPECT_FALSE(b->IsOpen());
  std::string got;
  EXPECT_EQ(b->Receive(got, 0, error), IoStatus::Ok);
  EXPECT_EQ(got, "last words");
  EXPECT_EQ(b->Receive(got, -1, error), IoStatus::Closed);
  EXPECT_EQ(b->Send("late", error), IoStatus::Closed);
  EXPECT_EQ(a->Send("after close", error), IoStatus::Closed);
}

TEST(PipeTransportTest, ServesAClientFromAnotherThread) {
  auto [clientEnd, serverEnd] = PipeTransport::MakePair();
  std::jthread server([&serverEnd = serverEnd] {
    std::string error;
    serverEnd->Send("+OK ready\r\n", error);
    std::string got;
    if (net_test::ReadUntil(*serverEnd, got, "\r\n")) serverEnd->Send("+OK " + got, error);
    serverEnd->Close();
  });
  std::string line;
  std::string error;
  std::string got;
  ASSERT_TRUE(net_test::ReadUntil(*clientEnd, got, "\r\n"));
  EXPECT_EQ(got, "+OK ready\r\n");
  ASSERT_EQ(clientEnd->Send("NOOP\r\n", error), IoStatus::Ok);
  got.clear();
  ASSERT_TRUE(net_test::ReadUntil(*clientEnd, got, "NOOP\r\n"));
  EXPECT_EQ(got, "+OK NOOP\r\n");
  server.join();
  EXPECT_EQ(clientEnd->Receive(got, 1000, error), IoStatus::Closed);
}

}  // namespace
}  // namespace maillib
