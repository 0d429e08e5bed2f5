// The receive worker with a server that gives unique ids (UIDL): the account's ledger decides
// what is fetched and what is deleted.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "maillib/RapMsg.h"
#include "maillib/TextUtil.h"
#include "receive/ReceiveEMailThread.h"
#include "receive/ReceiveStore.h"
#include "store/UidlLedger.h"
#include "tests/receive/core/ReceiveTestUtil.h"

namespace receive_test {
namespace {

using receive::kKeepOnServer;
using receive::kTakeFromServer;
using Ids = std::set<std::string>;
using Texts = std::vector<std::string>;

constexpr std::time_t kHour = 3600;

class ReceiveLedger : public ReceiveFixture {
 protected:
  Ids Ledger() {
    Ids ids;
    std::string error;
    EXPECT_TRUE(store::LoadLedger(*mail_, kAccount, &ids, &error)) << error;
    return ids;
  }

  bool InUse() {
    bool inUse = false;
    EXPECT_TRUE(store::IsLedgerInUse(*mail_, kAccount, &inUse));
    return inUse;
  }

  // Stores a message as an earlier run did: with its id in the ledger, or (no id) by the
  // rules from before the ledger.
  void StoreEarlier(const std::string& text, const std::string& uid) {
    maillib::TRapMsg msg;
    msg.RawLines = maillib::SplitLines(text);
    msg.Parse();
    receive::ReceiveStore store(*mail_, store::MailFileFolder(folder_.Path()));
    ASSERT_EQ(store.Store(msg, kAccount, uid), receive::StoreOutcome::Stored) << store.Error();
  }
};

// The message text with its Subject replaced.
std::string WithSubject(const std::string& message, const std::string& id,
                        const std::string& subject) {
  std::string text = message;
  const std::string from = "Subject: " + id + "\r\n";
  return text.replace(text.find(from), from.size(), "Subject: " + subject + "\r\n");
}

// The Date no longer decides: a future Date, no Date, an unreadable Date and a late-delivered
// old Date are all fetched, without TOP; the future Date does not hold back later mail, and a
// run with nothing new sends only UIDL and QUIT. Mail_Date still follows the newest Date.
TEST_F(ReceiveLedger, KeptMailTakesEveryUnknownIdOnceWhateverItsDate) {
  ASSERT_TRUE(store::StartLedger(*mail_, kAccount));
  std::string unreadable = Message("garbled", 0);
  unreadable.insert(unreadable.find("\r\n\r\n") + 2, "Date: sometime soon\r\n");
  Texts messages = {Message("future", kT0 + 1000 * kHour), Message("undated", 0), unreadable,
                    Message("late", kT0 - 5 * kHour)};
  ScriptedTransport first;
  LoginWithIds(first, {"u1", "u2", "u3", "u4"});
  List(first, messages);
  for (int n = 4; n >= 1; --n)
    Retr(first, n, messages[n - 1]);
  first.Client("QUIT\r\n");
  auto worker = RunAgainst(first, Info(kKeepOnServer), Context());
  EXPECT_EQ(worker->StoredCount(), 4);
  EXPECT_EQ(InboxSubjects(), "late,garbled,undated,future");
  EXPECT_EQ(MailDate(), kT0 + 1000 * kHour);
  EXPECT_EQ(Ledger(), (Ids{"u1", "u2", "u3", "u4"}));

  messages.push_back(Message("m5", kT0 + kHour));
  ScriptedTransport second;
  LoginWithIds(second, {"u1", "u2", "u3", "u4", "u5"});
  List(second, messages);
  Retr(second, 5, messages[4]);
  second.Client("QUIT\r\n");
  receive::TOnlyPOPReceivInformation info = Info(kKeepOnServer);
  info.LastMailDate = MailDate();
  worker = RunAgainst(second, info, Context());
  EXPECT_EQ(worker->StoredCount(), 1);

  ScriptedTransport third;
  LoginWithIds(third, {"u1", "u2", "u3", "u4", "u5"});
  third.Client("QUIT\r\n");
  RunAgainst(third, info, Context());
  EXPECT_EQ(InboxSubjects(), "late,garbled,undated,future,m5");
  EXPECT_EQ(reports_.Statuses().back(), receive::kNoNewMail);
}

// Mail taken: a message the ledger holds (stored by a run cut before QUIT) is deleted without
// fetching; a new message that reuses its Message-ID is stored, then deleted.
TEST_F(ReceiveLedger, TakenMailDeletesByIdNotByMessageId) {
  ASSERT_TRUE(store::StartLedger(*mail_, kAccount));
  const std::string original = Message("dup", kT0 + kHour);
  const std::string reuse = WithSubject(Message("dup", kT0 + 2 * kHour), "dup", "second");
  StoreEarlier(original, "u1");
  ScriptedTransport server;
  LoginWithIds(server, {"u1", "u2"});
  Dele(server, 1);
  List(server, {original, reuse});
  Retr(server, 2, reuse);
  Dele(server, 2);
  server.Client("QUIT\r\n");
  auto worker = RunAgainst(server, Info(kTakeFromServer), Context());
  EXPECT_EQ(worker->StoredCount(), 1);
  EXPECT_EQ(InboxSubjects(), "dup,second");
  EXPECT_EQ(Ledger(), (Ids{"u1", "u2"}));
}

// Ids the server no longer lists are dropped; the mark stays.
TEST_F(ReceiveLedger, IdsGoneFromTheServerArePruned) {
  ASSERT_TRUE(store::StartLedger(*mail_, kAccount));
  for (const char* uid : {"gone1", "kept", "gone2"})
    ASSERT_TRUE(store::RecordUidl(*mail_, kAccount, uid));
  ScriptedTransport server;
  LoginWithIds(server, {"kept"});
  server.Client("QUIT\r\n");
  RunAgainst(server, Info(kKeepOnServer), Context());
  EXPECT_EQ(Ledger(), Ids{"kept"});
  EXPECT_TRUE(InUse());
}

// An inbox from before the ledger: the first run with ids reads every header once and records
// what the old rules skip (a readable Date not after Mail_Date; a Message-ID stored already),
// fetches the rest (an undated message among them), and the next run reads no header at all.
TEST_F(ReceiveLedger, KeptMailUpgradeSeedsTheLedgerFromTheOldRules) {
  const Texts messages = {Message("old", kT0 - kHour), Message("undated", 0),
                          Message("stored", kT0 + 2 * kHour), Message("new", kT0 + kHour)};
  StoreEarlier(messages[2], "");
  ScriptedTransport first;
  LoginWithIds(first, {"u1", "u2", "u3", "u4"});
  for (int n = 1; n <= 4; ++n) {
    if (n == 1) List(first, messages);  // the first TOP asks the sizes
    Top(first, n, messages[n - 1]);
  }
  Retr(first, 4, messages[3]);
  Retr(first, 2, messages[1]);
  first.Client("QUIT\r\n");
  auto worker = RunAgainst(first, Info(kKeepOnServer), Context());
  EXPECT_EQ(worker->StoredCount(), 2);
  EXPECT_EQ(InboxSubjects(), "stored,new,undated");
  EXPECT_TRUE(InUse());
  EXPECT_EQ(Ledger(), (Ids{"u1", "u2", "u3", "u4"}));

  ScriptedTransport second;
  LoginWithIds(second, {"u1", "u2", "u3", "u4"});
  second.Client("QUIT\r\n");
  RunAgainst(second, Info(kKeepOnServer), Context());
  EXPECT_EQ(InboxSubjects(), "stored,new,undated");
}

// Mail taken, first run with ids: a message stored already (by Message-ID) is deleted without
// fetching it again, the Date plays no part, and the rest are fetched and deleted.
TEST_F(ReceiveLedger, TakenMailUpgradeDeletesWhatIsStoredAlready) {
  const Texts messages = {Message("stored", kT0 + kHour), Message("old", kT0 - kHour)};
  StoreEarlier(messages[0], "");
  ScriptedTransport server;
  LoginWithIds(server, {"u1", "u2"});
  List(server, messages);
  Top(server, 1, messages[0]);
  Top(server, 2, messages[1]);
  Dele(server, 1);
  Retr(server, 2, messages[1]);
  Dele(server, 2);
  server.Client("QUIT\r\n");
  RunAgainst(server, Info(kTakeFromServer), Context());
  EXPECT_EQ(InboxSubjects(), "stored,old");
  EXPECT_EQ(Ledger(), (Ids{"u1", "u2"}));
}

// A UIDL answer that does not name every message once with distinct ids ends the run: nothing
// fetched, nothing deleted, a clear text and a trace line.
TEST_F(ReceiveLedger, UnreadableIdListEndsTheRunUntouched) {
  ASSERT_TRUE(store::StartLedger(*mail_, kAccount));
  const char* const answers[] = {
      "+OK\r\n1 a\r\n1 b\r\n.\r\n",  // a number twice
      "+OK\r\n1 a\r\n2 a\r\n.\r\n",  // one id for two messages
      "+OK\r\n1 a\r\n.\r\n",         // a message without an id
      "+OK\r\n1 a\r\n3 c\r\n.\r\n",  // a number past the count
      "+OK\r\n1 a b\r\n2 c\r\n.\r\n",
  };
  for (const char* answer : answers) {
    RecordedTrace trace;
    RecordedReports reports;
    receive::ReceiveContext context = Context();
    context.trace = &trace;
    context.reports = &reports;
    ScriptedTransport server;
    SignIn(server, 2);
    server.Client("UIDL\r\n").Server(answer);
    server.Client("QUIT\r\n");
    auto worker = RunAgainst(server, Info(kTakeFromServer), context);
    EXPECT_TRUE(worker->Interrupted()) << answer;
    EXPECT_EQ(reports.Statuses().back(), receive::kUnreadableList) << answer;
    EXPECT_NE(trace.Text().find("UIDL"), std::string::npos) << answer;
  }
  EXPECT_EQ(InboxSubjects(), "");
  EXPECT_EQ(Ledger(), Ids{});
}

// A ledger that cannot be read decides nothing: the run ends before anything is fetched or
// deleted, and the reason is traced.
TEST_F(ReceiveLedger, UnreadableLedgerEndsTheRunUntouched) {
  std::string error;
  ASSERT_TRUE(mail_->Execute("drop table UidlLedger", &error)) << error;
  RecordedTrace trace;
  receive::ReceiveContext context = Context();
  context.trace = &trace;
  ScriptedTransport server;
  LoginWithIds(server, {"u1"});
  server.Client("QUIT\r\n");
  auto worker = RunAgainst(server, Info(kTakeFromServer), context);
  EXPECT_TRUE(worker->Interrupted());
  EXPECT_NE(trace.Text().find("ledger of unique ids cannot be used"), std::string::npos)
      << trace.Text();
  EXPECT_EQ(InboxSubjects(), "");
}

// The id commits with the inbox row: when it cannot be recorded, the row is not there either.
TEST_F(ReceiveLedger, RowAndIdCommitTogether) {
  std::string error;
  ASSERT_TRUE(mail_->Execute("drop table UidlLedger", &error)) << error;
  maillib::TRapMsg msg;
  msg.RawLines = maillib::SplitLines(Message("m1", kT0));
  msg.Parse();
  receive::ReceiveStore store(*mail_, store::MailFileFolder(folder_.Path()));
  EXPECT_EQ(store.Store(msg, kAccount, "u1"), receive::StoreOutcome::Failed);
  EXPECT_NE(store.Error().find("UidlLedger"), std::string::npos) << store.Error();
  EXPECT_EQ(InboxSubjects(), "");
}

}  // namespace
}  // namespace receive_test
