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
constexpr std::size_t kPerDelivery = 50;
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

// One account receiving with `tvmail receive`, and every message delivered to it so far.
struct Receiver {
  ProgramFolder folder;
  std::string user, account;
  bool keep = false;
  std::vector<LoadedMessage> loaded;
  std::vector<std::string> Args() const {
    return {"receive", "--program-folder", folder.Path(), "--account", account};
  }
};

// The runs of one delivery killed at their points, each checked; the number they stored.
std::size_t KilledRuns(Receiver& r, const int (&points)[kKillsPerDelivery]) {
  const std::size_t before = r.folder.Rows(r.account).size();
  for (const int point : points) {
    int lineIndex = 0;
    const ChildRun killed = RunTvmail(r.Args(), [&](const std::string& line) {
      return IsKillPoint(r.account, point, lineIndex++, line);
    });
    EXPECT_EQ(killed.status, -SIGKILL) << "the run ended before its kill point " << point;
    ExpectNothingDoubledOrLost(r.folder, r.user, r.account, r.loaded);
  }
  return r.folder.Rows(r.account).size() - before;
}

// The complete run after the killed ones takes the rest of the delivery.
void CompleteRun(Receiver& r, std::size_t storedBefore) {
  const ChildRun rest = RunTvmail(r.Args());
  EXPECT_EQ(rest.status, 0);
  EXPECT_TRUE(HasLine(rest, r.account + "\tstored " + std::to_string(kPerDelivery - storedBefore)));
  std::map<std::string, StoredRow> byTag;
  if (EachStoredOnce(r.folder.Rows(r.account), r.loaded, &byTag)) {
    for (const LoadedMessage& m : r.loaded)
      ExpectStoredAs(byTag.at(m.tag), m, r.account, r.folder.MailFiles());
  }
  ExpectServerHolds(r.user, r.keep ? r.loaded : std::vector<LoadedMessage>{});
}

void KillDuringDeliveries(const TestServers& servers, const std::string& user, bool keep) {
  Receiver r;
  r.user = user;
  r.keep = keep;
  r.account = r.folder.AddAccount(servers, user, keep);
  for (int d = 0; d < kDeliveries; ++d) {
    SCOPED_TRACE("delivery " + std::to_string(d + 1));
    const auto batch = MakeLoadedMessages("kill" + std::to_string(d) + "-" + user,
                                          int{kPerDelivery}, r.account, Yesterday() + d * 3600);
    r.loaded.insert(r.loaded.end(), batch.begin(), batch.end());
    d == 0 ? LoadMailbox(user, WireBytes(batch)) : AddToMailbox(user, WireBytes(batch));
    CompleteRun(r, KilledRuns(r, kKillPlan[d]));
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
