// TRapTCPClient over real TCP on 127.0.0.1, against a server thread of the test.
#include "maillib/TcpTransport.h"

#include <gtest/gtest.h>

#include <thread>

#include "maillib/RapTCPClient.h"
#include "tests/maillib/NetTestUtil.h"

namespace maillib {
namespace {

using net_test::Listener;

// Accepts one connection on `listener` and hands it to `serve` as a transport.
template <typename Serve>
std::jthread ServeOne(Listener& listener, Serve serve) {
  return std::jthread([&listener, serve] {
    int fd = listener.Accept();
    if (fd < 0) return;
    TcpTransport server(fd);
    serve(server);
  });
}

void Pause(int ms) {
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

class TcpClientTest : public ::testing::Test {
 protected:
  bool ConnectClient() {
    client_.Host = "127.0.0.1";
    client_.Port = listener_.Port();
    return client_.Connect(2000);
  }

  Listener listener_;
  TRapTCPClient client_;
};

TEST_F(TcpClientTest, ReadsLinesArrivingInSeparatePackets) {
  auto server = ServeOne(listener_, [](Transport& peer) {
    std::string error;
    for (const char* packet : {"+OK he", "llo\r", "\nsecond\nthi", "rd\r\n"}) {
      peer.Send(packet, error);
      Pause(20);
    }
    std::string got;
    net_test::ReadUntil(peer, got, "\r\n");
    peer.Send("echo " + got, error);
  });
  ASSERT_TRUE(ConnectClient()) << client_.LastError();
  std::string line;
  ASSERT_TRUE(client_.ReadLn(line, 2000)) << client_.LastError();
  EXPECT_EQ(line, "+OK hello");
  ASSERT_TRUE(client_.ReadLn(line, 2000));
  EXPECT_EQ(line, "second");
  ASSERT_TRUE(client_.ReadLn(line, 2000));
  EXPECT_EQ(line, "third");
  ASSERT_TRUE(client_.WriteLn("STAT"));
  ASSERT_TRUE(client_.ReadLn(line, 2000));
  EXPECT_EQ(line, "echo STAT");
}

TEST_F(TcpClientTest, ReadTimesOutThenPeerCloseEndsTheConnection) {
  std::atomic<bool> release{false};
  auto server = ServeOne(listener_, [&](Transport& peer) {
    std::string error;
    peer.Send("partial", error);
    // Bounded: gives up after 5 s if the client never lets it go on.
    for (int i = 0; i < 500 && !release; ++i)
      Pause(10);
    peer.Close();
  });
  ASSERT_TRUE(ConnectClient());
  std::string line;
  auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(client_.ReadLn(line, 150));
  EXPECT_EQ(client_.LastStatus(), IoStatus::TimedOut);
  EXPECT_GE(net_test::MsSince(start), 140);
  EXPECT_TRUE(client_.Connected());
  release = true;
  EXPECT_FALSE(client_.ReadLn(line, 2000));
  EXPECT_EQ(client_.LastStatus(), IoStatus::Closed);
  EXPECT_EQ(line, "partial");
  EXPECT_FALSE(client_.Connected());
}

TEST_F(TcpClientTest, SendingToAClosedPeerFailsWithoutSignal) {
  auto server = ServeOne(listener_, [](Transport& peer) { peer.Close(); });
  ASSERT_TRUE(ConnectClient());
  server.join();
  std::string block(65536, 'x');
  bool failed = false;
  // The first sends may still be buffered; a reset shows up within a few.
  for (int i = 0; i < 200 && !failed; ++i) {
    failed = !client_.Write(block);
    if (!failed) Pause(5);
  }
  EXPECT_TRUE(failed);
  EXPECT_NE(client_.LastStatus(), IoStatus::Ok);
}

TEST_F(TcpClientTest, RefusedConnectFailsQuickly) {
  int port = listener_.Port();
  listener_.Close();
  client_.Host = "127.0.0.1";
  client_.Port = port;
  auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(client_.Connect(2000));
  EXPECT_LT(net_test::MsSince(start), 1000);
  EXPECT_FALSE(client_.Connected());
  EXPECT_NE(client_.LastError().find("refused"), std::string::npos) << client_.LastError();
}

TEST(TcpTransportTest, RejectsInvalidPort) {
  std::string error;
  EXPECT_EQ(TcpTransport::Connect("127.0.0.1", 0, ConnectDeadline(1000, nullptr), error), nullptr);
  EXPECT_NE(error.find("port"), std::string::npos);
}

}  // namespace
}  // namespace maillib
