#include "receive/ReceiveEMailThread.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <new>
#include <set>
#include <thread>

#include "maillib/MailLimits.h"
#include "maillib/TcpTransport.h"
#include "store/UidlLedger.h"
#include "tests/maillib/NetTestUtil.h"
#include "tests/receive/core/ReceiveTestUtil.h"

namespace receive_test {
namespace {

using receive::kCheckingNew;
using receive::kConnecting;
using receive::kKeepOnServer;
using receive::kNoNewMail;
using receive::kTakeFromServer;
using receive::kTakingNew;
using Texts = std::vector<std::string>;

constexpr std::time_t kHour = 3600;

class ReceiveWorker : public ReceiveFixture {};

TEST(ReceiveTexts, ProgressRoundsToTheNearestWholePercent) {
  EXPECT_EQ(receive::ProgressText(2, 2, 3), "正在接收第2封邮件..67%");
  EXPECT_EQ(receive::ProgressText(1, 1, 3), "正在接收第1封邮件..33%");
  // More bytes than announced, or no size announced at all, never pass 100%.
  EXPECT_EQ(receive::ProgressText(3, 130, 100), "正在接收第3封邮件..100%");
  EXPECT_EQ(receive::ProgressText(1, 5, 0), "正在接收第1封邮件..100%");
  EXPECT_EQ(receive::StoreFailedText(4), "收取第4封邮件失败");
}

TEST_F(ReceiveWorker, NoMailReportsInBothModes) {
  for (const char* mode : {kKeepOnServer, kTakeFromServer}) {
    RecordedReports reports;
    receive::ReceiveContext context = Context();
    context.reports = &reports;
    ScriptedTransport server;
    Login(server, 0);
    server.Client("QUIT\r\n");
    RunAgainst(server, Info(mode), context);
    const char* choosing = std::string(mode) == kKeepOnServer ? kCheckingNew : kTakingNew;
    EXPECT_EQ(reports.Statuses(), (Texts{kConnecting, choosing, kNoNewMail})) << mode;
    EXPECT_TRUE(reports.Counts().empty());
  }
}

// Mail kept on the server: a message dated exactly Mail_Date and one without a Date header
// (1980) are not taken; the newer ones are fetched newest number first and never deleted.
TEST_F(ReceiveWorker, KeptMailTakesOnlyNewerMessages) {
  const Texts messages = {Message("same", kT0), Message("undated", 0), Message("m3", kT0 + kHour),
                          Message("m4", kT0 + 2 * kHour)};
  ScriptedTransport server;
  LoginAndReadHeaders(server, messages);
  Retr(server, 4, messages[3]);
  Retr(server, 3, messages[2]);
  server.Client("QUIT\r\n");
  auto worker = RunAgainst(server, Info(kKeepOnServer), Context());
  EXPECT_EQ(worker->StoredCount(), 2);
  EXPECT_EQ(InboxSubjects(), "m4,m3");
  EXPECT_EQ(MailDate(), kT0 + 2 * kHour);
  // Both chosen messages have the same size: half of the bytes after the first.
  EXPECT_EQ(reports_.Statuses(), (Texts{kConnecting, kCheckingNew, "正在接收第1封邮件..50%",
                                        "正在接收第2封邮件..100%"}));
  EXPECT_EQ(reports_.Counts(), (std::vector<int>{2}));
}

// Mail taken from the server: a message that cannot be stored (the database refuses its row)
// stays on the server, and Mail_Date stops below it so it is fetched again. The reason is
// shown after the fixed text and written in full to the trace.
TEST_F(ReceiveWorker, TakenMailDeletesOnlyStoredMessages) {
  RecordedTrace trace;
  receive::ReceiveContext context = Context();
  context.trace = &trace;
  std::string error;
  ASSERT_TRUE(mail_->Execute(
      "create trigger refuse_m2 before insert on Historys when new.MailSubject = 'm2' "
      "begin select raise(abort, 'refused'); end",
      &error))
      << error;
  const Texts messages = {Message("m1", kT0 + kHour), Message("m2", kT0 + 2 * kHour, true),
                          Message("m3", kT0 + 3 * kHour)};
  ScriptedTransport server;
  Login(server, 3);
  List(server, messages);
  Retr(server, 3, messages[2]);
  Dele(server, 3);
  Retr(server, 2, messages[1]);
  Retr(server, 1, messages[0]);
  Dele(server, 1);
  server.Client("QUIT\r\n");
  auto worker = RunAgainst(server, Info(kTakeFromServer), context);
  EXPECT_EQ(InboxSubjects(), "m3,m1");
  const Texts statuses = reports_.Statuses();
  EXPECT_EQ(statuses.at(1), kTakingNew);
  const auto failed = std::find_if(statuses.begin(), statuses.end(), [](const std::string& text) {
    return text.starts_with("收取第2封邮件失败: ");
  });
  ASSERT_NE(failed, statuses.end());
  EXPECT_EQ(*failed, "收取第2封邮件失败: refused");
  EXPECT_NE(trace.Text().find("receive bob@example.com: message 2 (number 2): not stored: "),
            std::string::npos)
      << trace.Text();
  EXPECT_EQ(reports_.Counts(), (std::vector<int>{2}));
  EXPECT_EQ(MailDate(), kT0 + kHour);
}

// A connection lost in the middle of a fetch keeps what was stored, deletes nothing more and
// leaves Mail_Date where every older chosen message is stored; the next run fetches the rest
// and recognises the ones stored already.
TEST_F(ReceiveWorker, InterruptedRunResumesWithoutLossOrDuplicates) {
  const Texts messages = {Message("m1", kT0 + 2 * kHour), Message("m2", kT0 + kHour),
                          Message("m3", kT0 + 3 * kHour)};
  ScriptedTransport first;
  LoginAndReadHeaders(first, messages);
  Retr(first, 3, messages[2]);
  Retr(first, 2, messages[1]);
  first.Client("RETR 1\r\n").Server("+OK\r\nFrom: ann@example.com\r\n").ServerCloses();
  auto worker = RunAgainst(first, Info(kKeepOnServer), Context());
  EXPECT_TRUE(worker->Interrupted());
  EXPECT_EQ(InboxSubjects(), "m3,m2");
  // m1 (two hours) is not stored: the mark stays at m2, not at the newest stored m3.
  EXPECT_EQ(MailDate(), kT0 + kHour);

  receive::TOnlyPOPReceivInformation info = Info(kKeepOnServer);
  info.LastMailDate = MailDate();
  ScriptedTransport second;
  LoginAndReadHeaders(second, messages);
  Retr(second, 3, messages[2]);
  Retr(second, 1, messages[0]);
  second.Client("QUIT\r\n");
  worker = RunAgainst(second, info, Context());
  EXPECT_EQ(worker->StoredCount(), 1);
  EXPECT_EQ(InboxSubjects(), "m3,m2,m1");
  EXPECT_EQ(MailDate(), kT0 + 3 * kHour);
}

TEST_F(ReceiveWorker, RefusedPasswordOrConnectionStoresNothing) {
  ScriptedTransport refused;
  refused.Server("+OK ready\r\n").Client("CAPA\r\n").Server("-ERR unknown command\r\n");
  refused.Client("USER bob\r\n").Server("+OK\r\n");
  refused.Client("PASS secret\r\n").Server("-ERR bad password\r\n");
  refused.Client("USER bob@example.com\r\n").Server("+OK\r\n");
  refused.Client("PASS secret\r\n").Server("-ERR bad password\r\n");
  auto worker = RunAgainst(refused, Info(kTakeFromServer), Context());
  EXPECT_TRUE(worker->LoginFailed());
  EXPECT_EQ(reports_.Statuses(), (Texts{kConnecting, "身份验证失败..."}));

  RecordedReports reports;
  receive::ReceiveContext context = Context();
  context.reports = &reports;
  ScriptedTransport unreachable;
  unreachable.RefuseConnect("connection refused");
  worker = RunAgainst(unreachable, Info(kTakeFromServer), context);
  EXPECT_TRUE(worker->ConnectFailed());
  EXPECT_EQ(reports.Statuses(), (Texts{kConnecting, "连接POP3服务器失败"}));
  EXPECT_EQ(InboxSubjects(), "");
  EXPECT_EQ(MailDate(), kT0);
}

TEST_F(ReceiveWorker, FailedLoginOrCertificateTellsTheUserWhatToDo) {
  // QQ refuses the mailbox password and asks for the authorization code.
  ScriptedTransport refused;
  refused.Server("+OK ready\r\n").Client("CAPA\r\n").Server("-ERR unknown command\r\n");
  for (const char* user : {"USER bob\r\n", "USER bob@example.com\r\n"}) {
    refused.Client(user).Server("+OK\r\n");
    refused.Client("PASS secret\r\n").Server("-ERR Please using authorized code to login.\r\n");
  }
  auto worker = RunAgainst(refused, Info(kTakeFromServer), Context());
  EXPECT_TRUE(worker->LoginFailed());
  EXPECT_EQ(reports_.Statuses(), (Texts{kConnecting, "身份验证失败... 请使用邮箱的授权码登录"}));

  RecordedReports reports;
  receive::ReceiveContext context = Context();
  context.reports = &reports;
  ScriptedTransport untrusted;
  untrusted.RefuseConnect("TLS: server certificate not accepted: certificate has expired");
  worker = RunAgainst(untrusted, Info(kTakeFromServer), context);
  EXPECT_TRUE(worker->ConnectFailed());
  EXPECT_EQ(reports.Statuses(),
            (Texts{kConnecting, "连接POP3服务器失败 服务器证书验证失败,无法建立安全连接"}));
}

bool Contains(const Texts& texts, const std::string& text) {
  return std::find(texts.begin(), texts.end(), text) != texts.end();
}

std::set<std::string> LedgerOf(store::Database& mail) {
  std::set<std::string> ids;
  EXPECT_TRUE(store::LoadLedger(mail, kAccount, &ids));
  return ids;
}

TEST(ReceiveTexts, SkippedAndTooLargeMessagesAreNamed) {
  EXPECT_EQ(receive::SkippedText(3), "第3封邮件服务器无法发送,已跳过");
  EXPECT_EQ(receive::TooLargeText(2, std::int64_t{600} * 1024 * 1024 + 1),
            "第2封邮件过大(600MB),已留在服务器上");
  // The short reason is the end of the store error, cut between UTF-8 sequences.
  EXPECT_EQ(receive::StoreFailedText(1, "/p/MsgEx.mdb: insert: disk I/O error"),
            "收取第1封邮件失败: disk I/O error");
  const std::string reason = receive::StoreFailedText(1, "x" + std::string(115, '-') + "邮件");
  EXPECT_EQ(reason, "收取第1封邮件失败: x" + std::string(115, '-') + "邮");
  EXPECT_EQ(receive::StoreFailedText(1, ""), "收取第1封邮件失败");
}

// A message the server refuses (-ERR) or sends empty is skipped and named; the others are
// stored and deleted, and the skipped ones stay on the server, out of the ledger.
TEST_F(ReceiveWorker, RefusedOrEmptyMessageIsSkippedAndTheRunGoesOn) {
  ASSERT_TRUE(store::StartLedger(*mail_, kAccount));
  const Texts messages = {Message("m1", kT0 + kHour), Message("m2", kT0 + 2 * kHour),
                          Message("m3", kT0 + 3 * kHour), Message("m4", kT0 + 4 * kHour)};
  ScriptedTransport server;
  LoginWithIds(server, {"u1", "u2", "u3", "u4"});
  List(server, messages);
  Retr(server, 4, messages[3]);
  Dele(server, 4);
  server.Client("RETR 3\r\n").Server("-ERR message is locked\r\n");
  server.Client("RETR 2\r\n").Server("+OK\r\n.\r\n");
  Retr(server, 1, messages[0]);
  Dele(server, 1);
  server.Client("QUIT\r\n");
  auto worker = RunAgainst(server, Info(kTakeFromServer), Context());
  EXPECT_FALSE(worker->Interrupted());
  EXPECT_EQ(InboxSubjects(), "m4,m1");
  EXPECT_EQ(LedgerOf(*mail_), (std::set<std::string>{"u1", "u4"}));
  EXPECT_TRUE(Contains(reports_.Statuses(), receive::SkippedText(2)));
  EXPECT_TRUE(Contains(reports_.Statuses(), receive::SkippedText(3)));
  EXPECT_EQ(reports_.Counts(), (std::vector<int>{2}));
}

// Without ids a skipped message holds Mail_Date below its Date, so it is fetched again.
TEST_F(ReceiveWorker, RefusedMessageWithoutIdsKeepsMailDateBelowIt) {
  const Texts messages = {Message("m1", kT0 + kHour), Message("m2", kT0 + 2 * kHour),
                          Message("m3", kT0 + 3 * kHour)};
  ScriptedTransport server;
  LoginAndReadHeaders(server, messages);
  Retr(server, 3, messages[2]);
  server.Client("RETR 2\r\n").Server("-ERR cannot read message\r\n");
  Retr(server, 1, messages[0]);
  server.Client("QUIT\r\n");
  RunAgainst(server, Info(kKeepOnServer), Context());
  EXPECT_EQ(InboxSubjects(), "m3,m1");
  EXPECT_EQ(MailDate(), kT0 + kHour);
}

// A message over the size limit is not asked for: it stays on the server, unrecorded.
TEST_F(ReceiveWorker, MessageOverTheSizeLimitIsLeftOnTheServer) {
  ASSERT_TRUE(store::StartLedger(*mail_, kAccount));
  const std::string small = Message("small", kT0 + kHour);
  const std::int64_t huge = maillib::kMaxMessageBytes + 1;
  ScriptedTransport server;
  LoginWithIds(server, {"u1", "u2"});
  server.Client("LIST\r\n")
      .Server("+OK\r\n1 " + std::to_string(small.size()) + "\r\n2 " + std::to_string(huge) +
              "\r\n.\r\n");
  Retr(server, 1, small);
  Dele(server, 1);
  server.Client("QUIT\r\n");
  RunAgainst(server, Info(kTakeFromServer), Context());
  EXPECT_EQ(InboxSubjects(), "small");
  EXPECT_EQ(LedgerOf(*mail_), std::set<std::string>{"u1"});
  EXPECT_TRUE(Contains(reports_.Statuses(), receive::TooLargeText(1, huge)));
}

// Memory running out with one message is that message's failure: it is not deleted, the
// others are stored, and the failure is traced.
TEST_F(ReceiveWorker, OutOfMemoryWithOneMessageFailsOnlyThatMessage) {
  ASSERT_TRUE(store::StartLedger(*mail_, kAccount));
  RecordedTrace trace;
  receive::ReceiveContext context = Context();
  context.trace = &trace;
  context.beforeParse = [](int number) {
    if (number == 2) throw std::bad_alloc();
  };
  const Texts messages = {Message("m1", kT0 + kHour), Message("m2", kT0 + 2 * kHour),
                          Message("m3", kT0 + 3 * kHour)};
  ScriptedTransport server;
  LoginWithIds(server, {"u1", "u2", "u3"});
  List(server, messages);
  Retr(server, 3, messages[2]);
  Dele(server, 3);
  Retr(server, 2, messages[1]);
  Retr(server, 1, messages[0]);
  Dele(server, 1);
  server.Client("QUIT\r\n");
  RunAgainst(server, Info(kTakeFromServer), context);
  EXPECT_EQ(InboxSubjects(), "m3,m1");
  EXPECT_EQ(LedgerOf(*mail_), (std::set<std::string>{"u1", "u3"}));
  EXPECT_TRUE(Contains(reports_.Statuses(), "收取第2封邮件失败: 内存不足"));
  EXPECT_NE(trace.Text().find("message 2 (number 2, id u2): out of memory"), std::string::npos)
      << trace.Text();
}

// An exception outside one message's steps ends the run, never the program.
TEST_F(ReceiveWorker, ExceptionOutsideAMessageEndsOnlyTheRun) {
  RecordedTrace trace;
  receive::ReceiveContext context = Context();
  context.trace = &trace;
  context.configureClient = [](maillib::TRapPOP&) { throw std::bad_alloc(); };
  receive::TReveiveEMailThread worker(Info(kTakeFromServer), context);
  worker.Start();
  worker.Join();
  EXPECT_TRUE(worker.Finished());
  EXPECT_TRUE(worker.Interrupted());
  EXPECT_NE(trace.Text().find("run ended"), std::string::npos) << trace.Text();
}

// A POP3 server on loopback whose one message never ends: it sends a line every 10 ms until
// the client goes away (or 10 s pass).
void EndlessServer(net_test::Listener& listener, std::atomic<bool>& fetching, std::string& heard) {
  const int fd = listener.Accept();
  if (fd < 0) return;
  maillib::TcpTransport peer(fd);
  std::string error;
  peer.Send("+OK ready\r\n", error);
  const char* const answers[] = {
      "-ERR unknown command\r\n", "+OK\r\n", "+OK\r\n", "+OK 1 100000\r\n", "-ERR no UIDL\r\n",
      "+OK\r\n1 100000\r\n.\r\n", "+OK\r\n"};
  for (const char* answer : answers) {
    std::string command;  // the client waits for each answer: one command per read
    if (!net_test::ReadUntil(peer, command, "\r\n")) return;
    heard += command;
    peer.Send(answer, error);
  }
  fetching = true;
  for (int line = 0; line < 1000; ++line) {
    if (peer.Send("X-Filler: " + std::to_string(line) + "\r\n", error) != maillib::IoStatus::Ok)
      return;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

TEST_F(ReceiveWorker, CancelFromAnotherThreadEndsAFetchInProgress) {
  net_test::Listener listener;
  ASSERT_GT(listener.Port(), 0);
  std::atomic<bool> fetching{false};
  std::string heard;
  std::thread server([&] { EndlessServer(listener, fetching, heard); });
  receive::TOnlyPOPReceivInformation info = Info(kTakeFromServer);
  info.PopServer = "127.0.0.1:" + std::to_string(listener.Port());
  receive::TReveiveEMailThread worker(info, Context());
  worker.Start();
  for (int i = 0; i < 500 && !fetching; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  ASSERT_TRUE(fetching);
  worker.Cancel();
  for (int i = 0; i < 300 && !worker.Finished(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_TRUE(worker.Finished());
  worker.Join();
  server.join();
  EXPECT_TRUE(worker.Interrupted());
  EXPECT_EQ(worker.StoredCount(), 0);
  EXPECT_EQ(heard.find("DELE"), std::string::npos) << heard;
}

}  // namespace
}  // namespace receive_test
