// The POP3 client over real TCP on 127.0.0.1, against a small server thread of the test:
// what the scripted transcripts cannot show (packets split anywhere, a real read time-out).
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <utility>
#include <vector>

#include "maillib/RapPOP3.h"
#include "maillib/TcpTransport.h"
#include "tests/maillib/NetTestUtil.h"

namespace maillib {
namespace {

using net_test::Listener;

// Each step: the line the client must send (empty for none), then the bytes to answer with.
using ServerStep = std::pair<std::string, std::string>;

// Serves one connection: plays the steps, then stays silent until `release` (at most 5 s).
// Records the first unexpected client line in `mismatch`.
std::jthread ServePop3(Listener& listener, std::vector<ServerStep> steps,
                       std::atomic<bool>& release, std::string& mismatch) {
  return std::jthread([&listener, steps, &release, &mismatch] {
    int fd = listener.Accept();
    if (fd < 0) return;
    TcpTransport peer(fd);
    std::string error;
    std::string received;
    for (const ServerStep& step : steps) {
      if (!step.first.empty()) {
        if (!net_test::ReadUntil(peer, received, "\r\n")) return;
        std::string line = received.substr(0, received.find("\r\n"));
        received.erase(0, line.size() + 2);
        if (line != step.first && mismatch.empty()) mismatch = line;
      }
      // Sent in two packets so that lines are split in the middle.
      std::size_t half = step.second.size() / 2;
      peer.Send(step.second.substr(0, half), error);
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
      peer.Send(step.second.substr(half), error);
    }
    for (int i = 0; i < 500 && !release; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
  });
}

// Points the client at the scripted server on loopback as bob/secret.
void AimAt(TRapPOP& pop, const Listener& listener, int timeOutMs) {
  pop.Host = "127.0.0.1";
  pop.Port = listener.Port();
  pop.UserId = "bob";
  pop.UserPasswd = "secret";
  pop.TimeOut = timeOutMs;
}

TEST(Pop3Loopback, FullSessionThenAStalledRetrieveTimesOut) {
  Listener listener;
  ASSERT_GT(listener.Port(), 0);
  std::atomic<bool> release{false};
  std::string mismatch;
  auto server = ServePop3(listener,
                          {{"", "+OK ready\r\n"},
                           {"CAPA", "+OK\r\nUSER\r\nUIDL\r\n.\r\n"},
                           {"USER bob", "+OK\r\n"},
                           {"PASS secret", "+OK\r\n"},
                           {"STAT", "+OK 2 330\r\n"},
                           {"LIST", "+OK\r\n1 30\r\n2 300\r\n.\r\n"},
                           {"RETR 1", "+OK\r\nSubject: a\r\n\r\n..dot\r\n.\r\n"},
                           {"RETR 2", "+OK\r\nSubject: b\r\n"}},
                          release, mismatch);
  TRapPOP pop;
  AimAt(pop, listener, 300);
  ASSERT_TRUE(pop.ConnectAndLogin())
      << MailFailureName(pop.LastFailure()) << " " << pop.LastFailureText();
  EXPECT_EQ(pop.MessageCount, 2);
  std::unique_ptr<TRapMsg> first = pop.Retrieve(1, false);
  ASSERT_NE(first, nullptr) << pop.LastFailureText();
  EXPECT_EQ(first->RawLines, (StringList{"Subject: a", "", ".dot"}));
  EXPECT_EQ(first->Size, 30);

  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(pop.Retrieve(2, false), nullptr);
  EXPECT_EQ(pop.LastFailure(), TPopFailure::TimedOut);
  EXPECT_LT(net_test::MsSince(start), net_test::kServerWaitMs);  // the time-out, not the close
  EXPECT_FALSE(pop.IsConnected());
  release = true;
  server.join();
  EXPECT_EQ(mismatch, "");
}

TEST(Pop3Loopback, LongLineSplitByTheNetworkComesWhole) {
  Listener listener;
  ASSERT_GT(listener.Port(), 0);
  std::atomic<bool> release{false};
  std::string mismatch;
  const std::string longLine(3 * TRapTCPClient::kMaxLineLength + 7, 'w');
  auto server = ServePop3(listener,
                          {{"", "+OK ready\r\n"},
                           {"CAPA", "+OK\r\nUSER\r\nUIDL\r\n.\r\n"},
                           {"USER bob", "+OK\r\n"},
                           {"PASS secret", "+OK\r\n"},
                           {"STAT", "+OK 1 100\r\n"},
                           {"LIST", "+OK\r\n1 100\r\n.\r\n"},
                           {"RETR 1", "+OK\r\n" + longLine + ".\r\n...\r\n.\r\n"},
                           {"DELE 1", "-ERR no\r\n"}},
                          release, mismatch);
  TRapPOP pop;
  AimAt(pop, listener, 3000);
  ASSERT_TRUE(pop.ConnectAndLogin()) << pop.LastFailureText();
  std::unique_ptr<TRapMsg> msg = pop.Retrieve(1, false);
  ASSERT_NE(msg, nullptr) << pop.LastFailureText();
  EXPECT_TRUE(msg->RawLines == (StringList{longLine + ".", ".."})) << "the message changed";
  EXPECT_FALSE(pop.Delete(1));
  EXPECT_EQ(pop.LastReplyText, "-ERR no");
  release = true;
  server.join();
  EXPECT_EQ(mismatch, "");
}

TEST(Pop3Loopback, AbortFromAnotherThreadEndsAWaitOnASilentServer) {
  Listener listener;
  ASSERT_GT(listener.Port(), 0);
  std::atomic<bool> release{false};
  std::string mismatch;
  // The server greets, takes the user name, then says nothing.
  auto server = ServePop3(
      listener, {{"", "+OK ready\r\n"}, {"CAPA", "+OK\r\nUSER\r\nUIDL\r\n.\r\n"}, {"USER bob", ""}},
      release, mismatch);
  TRapPOP pop;
  AimAt(pop, listener,
        60000);  // longer than the server ever stays: only the abort can end the wait
  std::jthread canceller([&pop] {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    pop.Abort();
  });
  auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(pop.ConnectAndLogin());
  EXPECT_EQ(pop.LastFailure(), TPopFailure::Canceled);
  EXPECT_LT(net_test::MsSince(start), net_test::kServerWaitMs);  // the abort, not the server
  EXPECT_FALSE(pop.IsConnected());
  release = true;
}

}  // namespace
}  // namespace maillib
