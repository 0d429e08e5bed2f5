#include "receive/ReceiveEMailThread.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

#include "maillib/TcpTransport.h"
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
// stays on the server, and Mail_Date stops below it so it is fetched again.
TEST_F(ReceiveWorker, TakenMailDeletesOnlyStoredMessages) {
  receive::ReceiveContext context = Context();
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
  EXPECT_NE(std::find(statuses.begin(), statuses.end(), "收取第2封邮件失败"), statuses.end());
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
  refused.Server("+OK ready\r\n").Client("USER bob\r\n").Server("+OK\r\n");
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

// A POP3 server on loopback whose one message never ends: it sends a line every 10 ms until
// the client goes away (or 10 s pass).
void EndlessServer(net_test::Listener& listener, std::atomic<bool>& fetching, std::string& heard) {
  const int fd = listener.Accept();
  if (fd < 0) return;
  maillib::TcpTransport peer(fd);
  std::string error;
  peer.Send("+OK ready\r\n", error);
  const char* const answers[] = {"+OK\r\n", "+OK\r\n", "+OK 1 100000\r\n",
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
