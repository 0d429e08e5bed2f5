// TRapTCPClient over real TCP on 127.0.0.1, against a server thread of the test.
#include "maillib/TcpTransport.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <poll.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

#include "maillib/NameLookup.h"
#include "maillib/RapTCPClient.h"
#include "tests/maillib/HungResolver.h"
#include "tests/maillib/NetTestUtil.h"

namespace maillib {
namespace {

using net_test::HungResolverTest;
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

// 127.0.0.1:port as a resolver answers it.
ResolvedAddress Loopback(int port) {
  ResolvedAddress result;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  std::memcpy(&result.Address, &address, sizeof address);
  result.Length = sizeof address;
  result.Family = AF_INET;
  result.SockType = SOCK_STREAM;
  return result;
}

// A listener that never answers a connect, as a black-holed address does: its accept queue is
// filled and nobody accepts, so the kernel drops further SYNs.
class SilentListener {
 public:
  SilentListener() {
    fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ResolvedAddress address = Loopback(0);
    socklen_t size = address.Length;
    auto* raw = reinterpret_cast<sockaddr*>(&address.Address);
    if (bind(fd_, raw, size) != 0 || listen(fd_, 0) != 0 || getsockname(fd_, raw, &size) != 0) {
      return;
    }
    port_ = ntohs(reinterpret_cast<sockaddr_in*>(raw)->sin_port);
    // Bounded: the queue of a backlog of 0 holds one or two connections.
    for (int i = 0; i < 8 && !silent_; ++i)
      silent_ = !FillOne();
  }
  ~SilentListener() {
    for (int fd : fillers_)
      close(fd);
    close(fd_);
  }
  SilentListener(const SilentListener&) = delete;
  SilentListener& operator=(const SilentListener&) = delete;

  int Port() const { return port_; }
  // True once a connect to it no longer completes.
  bool Silent() const { return silent_; }

 private:
  // Connects one more socket; false when the connect did not complete within 300 ms.
  bool FillOne() {
    ResolvedAddress address = Loopback(port_);
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    fillers_.push_back(fd);
    if (connect(fd, reinterpret_cast<sockaddr*>(&address.Address), address.Length) == 0) {
      return true;
    }
    pollfd entry{fd, POLLOUT, 0};
    return poll(&entry, 1, 300) == 1;
  }

  int fd_ = -1;
  int port_ = 0;
  bool silent_ = false;
  std::vector<int> fillers_;
};

// A resolver that answers with fixed addresses (or "no such host" when there are none).
NameResolver FixedResolver(std::vector<ResolvedAddress> answer) {
  return [answer](const std::string&, int, std::vector<ResolvedAddress>& addresses,
                  std::string& error) {
    addresses = answer;
    if (answer.empty()) error = "no such host";
    return !answer.empty();
  };
}

// Connects by the plugged resolver; the system resolver is back after each test.
class ResolvedConnectTest : public ::testing::Test {
 protected:
  ~ResolvedConnectTest() override { SetNameResolver(nullptr); }

  std::unique_ptr<TcpTransport> Connect(int timeoutMs) {
    return TcpTransport::Connect("mail.example", 110, ConnectDeadline(timeoutMs, nullptr), error_);
  }
  // The greeting the good server sends, as the connected transport receives it.
  static std::string Greeting(Transport& transport) {
    std::string got;
    net_test::ReadUntil(transport, got, "\r\n");
    return got;
  }

  Listener good_;
  std::string error_;
};

std::jthread Greet(Listener& listener) {
  return ServeOne(listener, [](Transport& peer) {
    std::string error;
    peer.Send("+OK good\r\n", error);
  });
}

TEST_F(ResolvedConnectTest, SilentFirstAddressLeavesTimeForTheNext) {
  SilentListener blackHole;
  ASSERT_TRUE(blackHole.Silent());
  SetNameResolver(FixedResolver({Loopback(blackHole.Port()), Loopback(good_.Port())}));
  auto server = Greet(good_);
  auto transport = Connect(3000);
  ASSERT_NE(transport, nullptr) << error_;
  EXPECT_EQ(Greeting(*transport), "+OK good\r\n");
}

TEST_F(ResolvedConnectTest, RefusedFirstAddressFallsThroughToTheNext) {
  Listener refusing;
  int refusedPort = refusing.Port();
  refusing.Close();
  SetNameResolver(FixedResolver({Loopback(refusedPort), Loopback(good_.Port())}));
  auto server = Greet(good_);
  auto transport = Connect(3000);
  ASSERT_NE(transport, nullptr) << error_;
  EXPECT_EQ(Greeting(*transport), "+OK good\r\n");
}

TEST_F(ResolvedConnectTest, OnlySilentAddressesTimeOutAndUnknownNamesFail) {
  SilentListener blackHole;
  ASSERT_TRUE(blackHole.Silent());
  SetNameResolver(FixedResolver({Loopback(blackHole.Port()), Loopback(blackHole.Port())}));
  EXPECT_EQ(Connect(500), nullptr);
  EXPECT_NE(error_.find("timed out"), std::string::npos) << error_;

  SetNameResolver(FixedResolver({}));
  EXPECT_EQ(Connect(3000), nullptr);
  EXPECT_NE(error_.find("mail.example not found: no such host"), std::string::npos) << error_;
}

TEST(NameLookupTest, SystemResolverFindsNumericAddresses) {
  std::vector<ResolvedAddress> addresses;
  std::string error;
  ASSERT_TRUE(SystemResolve("127.0.0.1", 110, addresses, error)) << error;
  ASSERT_EQ(addresses.size(), 1u);
  EXPECT_EQ(addresses[0].Family, AF_INET);
  EXPECT_EQ(ntohs(reinterpret_cast<const sockaddr_in*>(&addresses[0].Address)->sin_port), 110);
}

TEST_F(HungResolverTest, DeadlineEndsTheConnectWhileTheLookupHangs) {
  std::string error;
  EXPECT_EQ(TcpTransport::Connect("mail.example", 110, ConnectDeadline(200, nullptr), error),
            nullptr);
  EXPECT_EQ(hung_.Returned(), 0);  // the connect gave up before the resolver was let go
  EXPECT_NE(error.find("timed out while looking up mail.example"), std::string::npos) << error;
}

TEST_F(HungResolverTest, CancelEndsTheConnectWhileTheLookupHangs) {
  std::atomic<bool> cancel{false};
  std::jthread canceller([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    cancel = true;
  });
  std::string error;
  EXPECT_EQ(TcpTransport::Connect("mail.example", 110, ConnectDeadline(-1, &cancel), error),
            nullptr);
  EXPECT_EQ(hung_.Returned(), 0);
  EXPECT_NE(error.find("cancelled"), std::string::npos) << error;
}

}  // namespace
}  // namespace maillib
