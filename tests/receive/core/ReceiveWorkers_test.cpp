#include "receive/ReceiveWorkers.h"

#include <gtest/gtest.h>

#include "receive/ReceivePlan.h"

#include "tests/receive/core/ReceiveTestUtil.h"

namespace receive_test {
namespace {

constexpr const char* kOther = "bob@other.example";

// Two accounts received at once. Both log in as "bob", so either script may serve either
// worker. Every worker is held in its first report until the gate opens.
class ReceiveWorkersTest : public ReceiveFixture {
 protected:
  void SetUp() override {
    ReceiveFixture::SetUp();
    AddAccount(kOther, kT0);
    reports_.Close();
  }
  void StartBoth() {
    workers_.Start(Info(receive::kTakeFromServer), Context());
    workers_.Start(Info(receive::kTakeFromServer, kOther), Context());
  }

  receive::ReceiveWorkers workers_;
};

TEST_F(ReceiveWorkersTest, ReceivingUntilEveryWorkerHasEnded) {
  ScriptedTransport first;
  ScriptedTransport second;
  for (ScriptedTransport* server : {&first, &second}) {
    const std::string message = Message(server == &first ? "m1" : "m2", kT0 + 3600);
    Login(*server, 1);
    List(*server, {message});
    Retr(*server, 1, message);
    Dele(*server, 1);
    server->Client("QUIT\r\n");
  }
  ScriptedTransport::Plug plug({&first, &second});
  plug.AsDefault();
  StartBoth();
  EXPECT_TRUE(workers_.Receiving());
  reports_.Open();
  workers_.JoinAll();
  EXPECT_FALSE(workers_.Receiving());
  EXPECT_TRUE(first.Done()) << first.Mismatch();
  EXPECT_TRUE(second.Done()) << second.Mismatch();
  EXPECT_EQ(reports_.Counts(), (std::vector<int>{1, 1}));
  EXPECT_EQ(workers_.Count(), 2u);
  workers_.Reap();
  EXPECT_EQ(workers_.Count(), 0u);
}

// Cancelled before logging in: each worker only greets and quits.
TEST_F(ReceiveWorkersTest, CancelAllEndsEveryWorker) {
  ScriptedTransport first;
  ScriptedTransport second;
  for (ScriptedTransport* server : {&first, &second})
    server->Server("+OK ready\r\n").Client("QUIT\r\n");
  ScriptedTransport::Plug plug({&first, &second});
  plug.AsDefault();
  StartBoth();
  ASSERT_TRUE(reports_.WaitForStatuses(2));  // both hold their client now
  workers_.CancelAll();
  reports_.Open();
  workers_.JoinAll();
  EXPECT_FALSE(workers_.Receiving());
  EXPECT_TRUE(first.Done()) << first.Mismatch();
  EXPECT_TRUE(second.Done()) << second.Mismatch();
  EXPECT_EQ(reports_.Statuses(),
            (std::vector<std::string>{receive::kConnecting, receive::kConnecting}));
  EXPECT_EQ(InboxSubjects(), "");
}

// The workers handed back tell their outcome after JoinAll: what `tvmail receive` exits by.
TEST_F(ReceiveWorkersTest, StartAllSkipsAccountsWithoutAnAddressAndHandsBackEveryWorker) {
  ScriptedTransport first;
  ScriptedTransport second;
  first.RefuseConnect("connection refused");
  second.RefuseConnect("connection refused");
  ScriptedTransport::Plug plug({&first, &second});
  plug.AsDefault();
  reports_.Open();
  const std::vector<receive::TOnlyPOPReceivInformation> records = {
      Info(receive::kTakeFromServer), Info(receive::kTakeFromServer, ""),
      Info(receive::kTakeFromServer, kOther)};
  const auto started = receive::StartAll(workers_, records, Context());
  workers_.JoinAll();
  ASSERT_EQ(started.size(), 2u);
  for (const auto& worker : started)
    EXPECT_TRUE(worker->Finished() && worker->ConnectFailed());
  EXPECT_FALSE(workers_.Receiving());
}

}  // namespace
}  // namespace receive_test
