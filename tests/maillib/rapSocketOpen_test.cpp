// The timed connect (limit, limit 0, cancel flag) and the computer's network name.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <thread>

#include "maillib/RapTCPClient.h"
#include "tests/maillib/HungResolver.h"
#include "tests/maillib/NetTestUtil.h"

namespace maillib {
namespace {

using net_test::HungResolverTest;
using net_test::MsSince;

class OpenWithTimeoutTest : public ::testing::Test {
 protected:
  // The client's connect stalls in the TLS handshake: the listener's queue completes the TCP
  // connect and nobody ever answers.
  void AimAtSilentServer() {
    client_.Host = "127.0.0.1";
    client_.Port = listener_.Port();
    client_.UseTls();
  }

  net_test::Listener listener_;
  TRapTCPClient client_;
};

TEST_F(OpenWithTimeoutTest, ConnectsWithinTheLimit) {
  client_.Host = "127.0.0.1";
  client_.Port = listener_.Port();
  EXPECT_TRUE(OpenWithTimeout(client_, nullptr, 3000));
  EXPECT_TRUE(client_.Connected());
  EXPECT_EQ(client_.TimeOut, 30000);
}

TEST_F(OpenWithTimeoutTest, RefusedAttemptFinishesWithinTheLimit) {
  client_.Host = "127.0.0.1";
  client_.Port = listener_.Port();
  listener_.Close();
  EXPECT_TRUE(OpenWithTimeout(client_, nullptr, 3000));
  EXPECT_FALSE(client_.Connected());
  // A limit of 0 waits for the attempt itself, which ends at once here.
  EXPECT_TRUE(OpenWithTimeout(client_, nullptr, 0));
  EXPECT_FALSE(client_.Connected());
}

TEST_F(OpenWithTimeoutTest, GivesUpAtTheLimitAndLeavesTheClientClosed) {
  AimAtSilentServer();
  auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(OpenWithTimeout(client_, nullptr, 300));
  long long spent = MsSince(start);
  EXPECT_GE(spent, 290);
  EXPECT_LT(spent, 1500);
  EXPECT_FALSE(client_.Connected());
  client_.Disconnect();  // what the callers do next must be harmless
}

TEST_F(OpenWithTimeoutTest, CancelFlagEndsTheWaitWithinAboutOneStep) {
  AimAtSilentServer();
  // A first short attempt loads the trusted certificates, the one step no flag interrupts.
  EXPECT_FALSE(OpenWithTimeout(client_, nullptr, 50));
  std::atomic<bool> cancel{false};
  std::chrono::steady_clock::time_point cancelledAt;
  std::jthread canceller([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    cancelledAt = std::chrono::steady_clock::now();
    cancel = true;
  });
  EXPECT_FALSE(OpenWithTimeout(client_, &cancel, 0));
  long long afterCancel = MsSince(cancelledAt);
  canceller.join();
  EXPECT_TRUE(cancel);
  EXPECT_LT(afterCancel, 250);
  EXPECT_FALSE(client_.Connected());
}

TEST_F(OpenWithTimeoutTest, CancelFlagSetBeforehandStopsAtOnce) {
  AimAtSilentServer();
  std::atomic<bool> cancel{true};
  auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(OpenWithTimeout(client_, &cancel, 3000));
  EXPECT_LT(MsSince(start), 200);
}

// The account test's watchdog sets the cancel flag, and a limited attempt must end at its limit,
// even while the name look-up hangs; the client is left closed either way.
TEST_F(HungResolverTest, HungNameLookupEndsAtTheLimitOrOnCancel) {
  TRapTCPClient client;
  client.Host = "mail.example";
  client.Port = 110;
  EXPECT_FALSE(OpenWithTimeout(client, nullptr, 200));
  EXPECT_FALSE(client.Connected());

  std::atomic<bool> cancel{false};
  std::jthread watchdog([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    cancel = true;
  });
  EXPECT_FALSE(OpenWithTimeout(client, &cancel, 0));
  EXPECT_FALSE(client.Connected());
  EXPECT_NE(client.LastError().find("cancelled"), std::string::npos) << client.LastError();
  EXPECT_EQ(hung_.Returned(), 0);  // both gave up before the resolver was let go
}

TEST(ComputerNameTest, IsTheHostNameCutTo15Characters) {
  char host[256] = {};
  ASSERT_EQ(gethostname(host, sizeof host - 1), 0);
  std::string name = ComputerName();
  EXPECT_FALSE(name.empty());
  EXPECT_LE(name.size(), 15u);
  EXPECT_EQ(name, std::string(host).substr(0, 15));
}

}  // namespace
}  // namespace maillib
