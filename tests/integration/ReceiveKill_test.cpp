// `tvmail receive` killed with SIGKILL at 20 points of a 200-message receive, in both delete
// modes: the mail arrives in four deliveries of 50; in each, five runs are killed one after the
// other at planned points (while the messages are chosen, or as the n-th message of the run
// begins) and a complete run follows. After every run no message is stored twice and every
// message gone from the server is stored; after every complete run each message is in the inbox
// exactly once, stored whole, and the server holds all of them (kept) or none (taken).
#include <gtest/gtest.h>
#include <signal.h>

#include <set>

#include "tests/integration/ReceiveFolder.h"

namespace integration {
namespace {

constexpr int kDeliveries = 4;
constexpr int kPerDelivery = 50;
constexpr int kKillsPerDelivery = 5;
// Where each killed run ends: 0 while choosing (at its second report line), n as its n-th
// message begins. Each delivery's points add up to less than 50, so its complete run has work.
constexpr int kKillPlan[kDeliveries][kKillsPerDelivery] = {
    {0, 6, 13, 3, 9}, {2, 0, 11, 5, 8}, {7, 1, 0, 12, 4}, {10, 3, 6, 0, 14}};

// Whether the line of `account` is the one to kill the run at.
bool IsKillPoint(const std::string& account, int point, int lineIndex, const std::string& line) {
  if (point == 0) return lineIndex == 1;
  return line.starts_with(account + "\t正在接收第" + std::to_string(point) + "封邮件..");
}

// No row twice, no row of a message never loaded, and nothing off the server unless stored.
void ExpectNothingDoubledOrLost(ProgramFolder& folder, const std::string& user,
                                const std::string& account,
                                const std::vector<LoadedMessage>& loaded) {
  const std::vector<StoredRow> rows = folder.Rows(account);
  std::set<std::string> stored;
  for (const StoredRow& row : rows)
    EXPECT_TRUE(stored.insert(row.AcceptFuJian).second) << "stored twice: " << row.AcceptFuJian;
  std::set<std::string> held;
  for (const std::string& bytes : MailboxMessages(user)) {
    for (const LoadedMessage& m : loaded) {
      if (Contains(bytes, "Message-ID: " + m.messageId + "\r\n")) held.insert(m.messageId);
    }
  }
  std::set<std::string> known;
  for (const LoadedMessage& m : loaded) {
    known.insert(m.messageId);
    EXPECT_TRUE(held.contains(m.messageId) || stored.contains(m.messageId))
        << m.tag << " left the server unstored";
  }
  for (const std::string& id : stored)
    EXPECT_TRUE(known.contains(id)) << "row of no loaded message: " << id;
}

void KillDuringDeliveries(const TestServers& servers, const std::string& user, bool keep) {
  ProgramFolder folder;
  const std::string account = folder.AddAccount(servers, user, keep);
  const std::vector<std::string> args = {"receive", "--program-folder", folder.Path(), "--account",
                                         account};
  std::vector<LoadedMessage> loaded;
  for (int d = 0; d < kDeliveries; ++d) {
    SCOPED_TRACE("delivery " + std::to_string(d + 1));
    const auto batch = MakeLoadedMessages("kill" + std::to_string(d) + "-" + user, kPerDelivery,
                                          account, Yesterday() + d * 3600);
    loaded.insert(loaded.end(), batch.begin(), batch.end());
    d == 0 ? LoadMailbox(user, WireBytes(batch)) : AddToMailbox(user, WireBytes(batch));
    const std::size_t before = folder.Rows(account).size();
    for (const int point : kKillPlan[d]) {
      int lineIndex = 0;
      const ChildRun killed = RunTvmail(args, [&](const std::string& line) {
        return IsKillPoint(account, point, lineIndex++, line);
      });
      EXPECT_EQ(killed.status, -SIGKILL) << "the run ended before its kill point " << point;
      ExpectNothingDoubledOrLost(folder, user, account, loaded);
    }
    const std::size_t killedRuns = folder.Rows(account).size() - before;
    const ChildRun rest = RunTvmail(args);
    EXPECT_EQ(rest.status, 0);
    EXPECT_TRUE(HasLine(
        rest, account + "\tstored " + std::to_string(kPerDelivery - static_cast<int>(killedRuns))));
    std::map<std::string, StoredRow> byTag;
    if (EachStoredOnce(folder.Rows(account), loaded, &byTag)) {
      for (const LoadedMessage& m : loaded)
        ExpectStoredAs(byTag.at(m.tag), m, account, folder.MailFiles());
    }
    ExpectServerHolds(user, keep ? loaded : std::vector<LoadedMessage>{});
  }
}

TEST(ReceiveTool, KilledAtTwentyPointsWhileTakingMail) {
  REQUIRE_SERVERS(servers);
  KillDuringDeliveries(*servers, "box38", false);
}

TEST(ReceiveTool, KilledAtTwentyPointsWhileKeepingMail) {
  REQUIRE_SERVERS(servers);
  KillDuringDeliveries(*servers, "box37", true);
}

}  // namespace
}  // namespace integration
