// Receiving from the real Dovecot into a program folder: accounts made by the editor's rules,
// loaded messages stored with their files, both delete modes, failed stores, receive-all, TLS
// and refused logins.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>

#include "store/DateTimeText.h"
#include "tests/integration/ReceiveFolder.h"

namespace integration {
namespace {

namespace fs = std::filesystem;

// Mail kept on the server is chosen by the server's unique ids, not by Date: messages without
// a Date are taken as well, and Mail_Date still moves to the newest stored Date.
TEST(Receive, KeepOnServerStoresEveryMessageOnceAndLeavesAllOnServer) {
  REQUIRE_SERVERS(servers);
  ProgramFolder folder;
  const std::string account = folder.AddAccount(*servers, "box30", true);
  const auto messages = MakeLoadedMessages("keep", 200, account, Yesterday());
  LoadMailbox("box30", WireBytes(messages));

  Recorder first;
  EXPECT_EQ(folder.Receive(account, first), 200);
  EXPECT_TRUE(first.Saw("正在检测新邮件..."));
  EXPECT_TRUE(first.Saw("count 200"));
  const auto rows = ById(folder.Rows(account));
  ASSERT_EQ(rows.size(), 200u);
  for (const auto& m : messages) {
    const auto it = rows.find(m.messageId);
    EXPECT_TRUE(it != rows.end()) << m.tag << (m.dated ? "" : " (no Date)");
    if (it != rows.end()) ExpectStoredAs(it->second, m, account, folder.MailFiles());
  }
  EXPECT_EQ(folder.Account(account).mailDate, store::FormatDateTime(messages[199].date));
  ExpectServerHolds("box30", messages);

  Recorder second;
  EXPECT_EQ(folder.Receive(account, second), 0);
  EXPECT_TRUE(second.Saw("没有收到新邮件!"));
  EXPECT_EQ(folder.Rows(account).size(), 200u);
  ExpectServerHolds("box30", messages);
}

TEST(Receive, TakeFromServerStoresEveryMessageAndEmptiesTheMailbox) {
  REQUIRE_SERVERS(servers);
  ProgramFolder folder;
  const std::string account = folder.AddAccount(*servers, "box31", false);
  EXPECT_EQ(folder.Account(account).typeTag, "1");
  EXPECT_EQ(folder.Account(account).deleteMode, "Nodelect");
  const auto messages = MakeLoadedMessages("take", 200, account, Yesterday());
  LoadMailbox("box31", WireBytes(messages));

  Recorder first;
  EXPECT_EQ(folder.Receive(account, first), 200);
  EXPECT_TRUE(first.Saw("查收新邮件中..."));
  EXPECT_TRUE(first.Saw("正在接收第200封邮件..100%"));
  const auto rows = ById(folder.Rows(account));
  ASSERT_EQ(rows.size(), 200u);
  for (const auto& m : messages)
    ExpectStoredAs(rows.at(m.messageId), m, account, folder.MailFiles());
  EXPECT_EQ(MailboxCount("box31", 0), 0u);

  Recorder second;
  EXPECT_EQ(folder.Receive(account, second), 0);
  EXPECT_EQ(second.Texts(), (std::vector<std::string>{"正在连接到POP服务器...", "查收新邮件中...",
                                                      "没有收到新邮件!"}));
  EXPECT_EQ(folder.Rows(account).size(), 200u);
}

TEST(Receive, TlsThroughTheImplicitTlsPort) {
  REQUIRE_SERVERS(servers);
  TrustTestCa(true);
  ProgramFolder folder;
  // A port in the host field means TLS only for 995; the test Dovecot's TLS port is another
  // one, so the client is switched to TLS the way a caller configures it.
  const std::string account = folder.AddAccount(*servers, "box36", false, servers->pop3sPort);
  const auto messages = MakeLoadedMessages("tls", 16, account, Yesterday());
  LoadMailbox("box36", WireBytes(messages));
  Recorder reports;
  bool tls = false;
  const int stored = folder.Receive(account, reports, [&](maillib::TRapPOP& pop) {
    pop.TCPClient().UseTls();
    tls = pop.TCPClient().UsingTls();
  });
  TrustTestCa(false);
  EXPECT_TRUE(tls);
  EXPECT_EQ(stored, 16);
  const auto rows = ById(folder.Rows(account));
  for (const auto& m : messages)
    ExpectStoredAs(rows.at(m.messageId), m, account, folder.MailFiles());
  EXPECT_EQ(MailboxCount("box36", 0), 0u);
}

// ---- tvmail receive as a separate process ----

TEST(ReceiveTool, ReceiveAllStoresEveryMessageOfEveryAccountOnce) {
  REQUIRE_SERVERS(servers);
  ProgramFolder folder;
  std::map<std::string, std::vector<LoadedMessage>> loaded;
  for (const char* user : {"box33", "box34", "box35"}) {
    const bool keep = std::string(user) == "box35";
    const std::string account = folder.AddAccount(*servers, user, keep);
    loaded[account] = MakeLoadedMessages(std::string("all-") + user, 48, account, Yesterday());
    LoadMailbox(user, WireBytes(loaded[account]));
  }
  const ChildRun run = RunTvmail({"receive", "--program-folder", folder.Path(), "--all"});
  EXPECT_EQ(run.status, 0);
  for (const auto& [account, messages] : loaded) {
    EXPECT_TRUE(HasLine(run, account + "\tstored 48")) << account;
    const auto rows = ById(folder.Rows(account));
    EXPECT_EQ(rows.size(), 48u) << account;
    for (const auto& m : messages) {
      EXPECT_TRUE(rows.contains(m.messageId)) << m.tag;
      if (rows.contains(m.messageId))
        ExpectStoredAs(rows.at(m.messageId), m, account, folder.MailFiles());
    }
  }
  EXPECT_EQ(MailboxCount("box33", 0), 0u);
  EXPECT_EQ(MailboxCount("box34", 0), 0u);
  EXPECT_EQ(MailboxCount("box35", 48), 48u);
}

TEST(ReceiveTool, RefusedPasswordAndClosedPortFailTheRun) {
  REQUIRE_SERVERS(servers);
  ProgramFolder folder;
  const std::string refused = folder.AddAccount(*servers, "box36", false, 0, "wrong-password");
  const ChildRun login =
      RunTvmail({"receive", "--program-folder", folder.Path(), "--account", refused});
  EXPECT_EQ(login.status, 1);
  EXPECT_TRUE(HasLine(login, refused + "\t身份验证失败..."));
  EXPECT_TRUE(HasLine(login, refused + "\tstored 0"));

  const std::string closed = folder.AddAccount(*servers, "nobody", false, ClosedPort());
  const ChildRun connect = RunTvmail(
      {"receive", "--program-folder", folder.Path(), "--account", closed, "--timeout", "5000"});
  EXPECT_EQ(connect.status, 1);
  EXPECT_TRUE(HasLine(connect, closed + "\t连接POP3服务器失败"));
  EXPECT_TRUE(folder.Rows(refused).empty());
  EXPECT_EQ(folder.Account(refused).mailDate, "1989-1-14 16:04:48");
}

// A message whose attachment cannot be written (here: larger than the process may write, as
// on a full disk) is not stored and stays on the server, with the reason in its progress text;
// the others are stored and deleted.
// Once the files can be written, the next receive takes the rest.
TEST(ReceiveTool, MessagesThatCannotBeStoredStayOnTheServer) {
  REQUIRE_SERVERS(servers);
  ProgramFolder folder;
  const std::string account = folder.AddAccount(*servers, "box32", false);
  std::vector<std::string> wire;
  std::set<std::string> big;
  for (int i = 0; i < 12; ++i) {
    const std::string tag = "full-" + std::to_string(i);
    const bool tooBig = i % 4 == 1;
    wire.push_back(MakeSizedMessage(tag, 2000, tooBig ? 3u << 20 : 4000));
    if (tooBig) big.insert("<" + tag + "@bench.test>");
  }
  LoadMailbox("box32", wire);
  const std::vector<std::string> args = {"receive", "--program-folder", folder.Path(), "--account",
                                         account};
  const ChildRun limited = RunTvmail(args, nullptr, 1u << 20);
  EXPECT_EQ(limited.status, 0);
  // Highest number first: message 10, 6, 2 are the 3rd, 7th, 11th. The text says why.
  for (int k : {3, 7, 11}) {
    const std::string failed = account + "\t收取第" + std::to_string(k) + "封邮件失败: ";
    EXPECT_TRUE(std::any_of(
        limited.lines.begin(), limited.lines.end(),
        [&](const auto& line) { return line.starts_with(failed) && line.size() > failed.size(); }))
        << failed << "(reason) missing";
  }
  EXPECT_TRUE(HasLine(limited, account + "\tstored 9"));
  for (const auto& [id, row] : ById(folder.Rows(account)))
    EXPECT_FALSE(big.contains(id)) << id;
  ASSERT_EQ(MailboxCount("box32", 3), 3u);
  for (const auto& file : fs::recursive_directory_iterator(servers->mailRoot + "/box32/Maildir")) {
    if (!file.is_regular_file() || file.path().parent_path().filename() != "cur") continue;
    const std::string bytes = ReadFile(file.path().string());
    EXPECT_TRUE(std::any_of(big.begin(), big.end(), [&](const std::string& id) {
      return Contains(bytes, "Message-ID: " + id);
    })) << file.path();
  }

  const ChildRun rest = RunTvmail(args);
  EXPECT_EQ(rest.status, 0);
  EXPECT_TRUE(HasLine(rest, account + "\tstored 3"));
  EXPECT_EQ(ById(folder.Rows(account)).size(), 12u);
  EXPECT_EQ(MailboxCount("box32", 0), 0u);
}

}  // namespace
}  // namespace integration
