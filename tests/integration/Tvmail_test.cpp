// `tvmail pop3` and `tvmail smtp` run as a user would run them, against the real servers, and
// `tvmail account add` taking its password from a file.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "accounts/AccountRows.h"
#include "store/DataFiles.h"
#include "store/Query.h"
#include "store/Stores.h"
#include "store/UidlLedger.h"
#include "tests/integration/Messages.h"
#include "tests/integration/TestServers.h"
#include "tests/tools/ToolRun.h"

namespace integration {
namespace {

namespace fs = std::filesystem;

using tools_test::ToolRun;

// A scratch folder for one test (and process), removed with its contents at the end.
struct ScratchDir {
  explicit ScratchDir(const std::string& name)
      : path(fs::temp_directory_path() / ("tvmail-it-" + name + "-" + std::to_string(getpid()))) {
    fs::remove_all(path);
    fs::create_directories(path);
  }
  ~ScratchDir() {
    std::error_code ignored;  // a folder left behind in /tmp harms nothing
    fs::remove_all(path, ignored);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  fs::path path;
};

// Runs tvmail with the arguments, at most 60 s, and collects its exit status and output.
ToolRun RunTvmail(const fs::path& scratch, const std::vector<std::string>& args) {
  return tools_test::RunTool(TVMAIL_PATH, args, scratch.string(), 60);
}

std::string PasswordFile(const fs::path& scratch, const std::string& password) {
  const std::string path = (scratch / "password").string();
  WriteFile(path, password + "\n");
  return path;
}

// The password stored for the account, read from the folder's account database.
std::string StoredPassword(const fs::path& folder, const std::string& address) {
  std::string error;
  const auto accounts = store::OpenAccountStore(folder.string(), &error);
  if (!accounts) return "(no account database: " + error + ")";
  store::Query query(*accounts);
  accounts::AccountRow row;
  if (!accounts::FindAccountByAddress(query, address, &row)) return "(no account)";
  return row.password;
}

// The password is the file's first line without its line end; a password on the command line
// (visible to every local user) stays possible for tests, but not both at once.
TEST(TvmailAccount, AddTakesThePasswordFromTheFirstLineOfAFile) {
  ScratchDir scratch("account-password");
  const std::string folder = (scratch.path / "program").string();
  const std::string file = (scratch.path / "pw").string();
  WriteFile(file, "s3cret \xE5\xAF\x86\r\nsecond line\n");
  const std::vector<std::string> add = {"account", "add",   "--program-folder", folder, "--domain",
                                        "163.com", "--user"};
  auto with = [&](std::vector<std::string> tail) {
    std::vector<std::string> args = add;
    args.insert(args.end(), tail.begin(), tail.end());
    return RunTvmail(scratch.path, args);
  };
  const ToolRun fromFile = with({"a", "--password-file", file});
  EXPECT_EQ(fromFile.status, 0) << fromFile.err;
  EXPECT_EQ(StoredPassword(folder, "a@163.com"), "s3cret \xE5\xAF\x86");
  EXPECT_EQ(with({"b", "--password", "typed"}).status, 0);
  EXPECT_EQ(StoredPassword(folder, "b@163.com"), "typed");

  EXPECT_EQ(with({"c", "--password-file", file, "--password", "x"}).status, 2);
  EXPECT_EQ(with({"c", "--password-file", (scratch.path / "missing").string()}).status, 2);
  WriteFile(file, "\nnot the first line\n");
  const ToolRun empty = with({"c", "--password-file", file});
  EXPECT_EQ(empty.status, 2);
  EXPECT_NE(empty.err.find("holds no password"), std::string::npos) << empty.err;
  EXPECT_EQ(StoredPassword(folder, "c@163.com"), "(no account)");
}

// A new account's ledger of unique ids is in use from the start; removing the account
// forgets it, so a later account of the same address begins afresh.
TEST(TvmailAccount, AddStartsTheLedgerAndRemoveForgetsIt) {
  ScratchDir scratch("account-ledger");
  const std::string folder = (scratch.path / "program").string();
  const ToolRun add =
      RunTvmail(scratch.path, {"account", "add", "--program-folder", folder, "--user", "a",
                               "--domain", "163.com", "--password", "pw"});
  ASSERT_EQ(add.status, 0) << add.err;
  auto inUse = [&] {
    std::string error;
    const auto mail = store::OpenMailStore(folder, &error);
    bool used = false;
    EXPECT_TRUE(mail && store::IsLedgerInUse(*mail, "a@163.com", &used)) << error;
    return used;
  };
  EXPECT_TRUE(inUse());
  const ToolRun remove =
      RunTvmail(scratch.path, {"account", "remove", "--program-folder", folder, "a@163.com"});
  EXPECT_EQ(remove.status, 0) << remove.err;
  EXPECT_FALSE(inUse());
}

TEST(TvmailPop3, RunsSeveralCommandsInOneSession) {
  REQUIRE_SERVERS(servers);
  const ScratchDir scratch("pop3");
  const std::vector<std::string> messages = {MakeMessage("tv-1", 500), MakeMessage("tv-2", 900)};
  LoadMailbox("box20", messages);
  const ToolRun run =
      RunTvmail(scratch.path, {"pop3", "--host", "127.0.0.1", "--port",
                               std::to_string(servers->pop3Port), "--user", "box20", "--pass-file",
                               PasswordFile(scratch.path, servers->pop3Password), "-v", "--out",
                               scratch.path.string(), "stat", "list", "retr", "1", "dele", "2"});
  ASSERT_EQ(run.status, 0) << run.err;
  const std::size_t total = messages[0].size() + messages[1].size();
  EXPECT_EQ(run.out, "2 " + std::to_string(total) + "\n1 " + std::to_string(messages[0].size()) +
                         "\n2 " + std::to_string(messages[1].size()) + "\n");
  EXPECT_EQ(ReadFile((scratch.path / "1.eml").string()), messages[0]);
  EXPECT_NE(run.err.find("C: PASS ****"), std::string::npos) << run.err;
  EXPECT_EQ(run.err.find(servers->pop3Password), std::string::npos) << "password in the trace";
  EXPECT_EQ(MailboxCount("box20", 1), 1u);
}

TEST(TvmailPop3, RetrToStandardOutputThroughSocksAndRefusedLogin) {
  REQUIRE_SERVERS(servers);
  const ScratchDir scratch("pop3-socks");
  const std::string message = MakeMessage("tv-socks", 700);
  LoadMailbox("box21", {message});
  const std::string port = std::to_string(servers->pop3Port);
  const ToolRun run =
      RunTvmail(scratch.path,
                {"pop3", "--host", "127.0.0.1", "--port", port, "--socks",
                 "socks5://127.0.0.1:" + std::to_string(servers->socksPort), "--user", "box21",
                 "--pass-file", PasswordFile(scratch.path, servers->pop3Password), "retr", "1"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, message);

  const ToolRun refused =
      RunTvmail(scratch.path, {"pop3", "--host", "127.0.0.1", "--port", port, "--user", "box21",
                               "--pass-file", PasswordFile(scratch.path, "wrong"), "stat"});
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.err.find("login-refused: -ERR"), std::string::npos) << refused.err;
}

TEST(TvmailSmtp, SendsAFileAsItIsOverTls) {
  REQUIRE_SERVERS(servers);
  const ScratchDir scratch("smtp-file");
  TakeSpool("tvfile@example.test");
  const std::string message = MakeMessage("tv-smtp", 3000);
  WriteFile((scratch.path / "message.eml").string(), message);
  TrustTestCa(true);  // the child process inherits SSL_CERT_FILE
  const ToolRun run =
      RunTvmail(scratch.path,
                {"smtp", "--host", "localhost", "--port", std::to_string(servers->smtpsPort),
                 "--tls", "--user", servers->smtpUser, "--pass-file",
                 PasswordFile(scratch.path, servers->smtpPassword), "--from", "sender@example.test",
                 "--to", "tvfile@example.test", (scratch.path / "message.eml").string()});
  ASSERT_EQ(run.status, 0) << run.err;
  const std::vector<std::string> saved = TakeSpool("tvfile@example.test");
  ASSERT_EQ(saved.size(), 1u);
  EXPECT_EQ(saved[0], message);
}

TEST(TvmailSmtp, ComposesAndReportsTheServersRefusal) {
  REQUIRE_SERVERS(servers);
  const ScratchDir scratch("smtp-compose");
  TakeSpool("tvcompose@example.test");
  WriteFile((scratch.path / "notes.txt").string(), "attached text\n");
  const std::string port = std::to_string(servers->smtpPort);
  const std::string password = PasswordFile(scratch.path, servers->smtpPassword);
  const ToolRun run = RunTvmail(scratch.path, {"smtp",
                                               "--host",
                                               "127.0.0.1",
                                               "--port",
                                               port,
                                               "--user",
                                               servers->smtpUser,
                                               "--pass-file",
                                               password,
                                               "--from",
                                               "sender@example.test",
                                               "--to",
                                               "tvcompose@example.test, other@example.test",
                                               "--compose",
                                               "--subject",
                                               "Weekly notes",
                                               "--body",
                                               "Hello\nsee the file",
                                               "--attach",
                                               (scratch.path / "notes.txt").string()});
  ASSERT_EQ(run.status, 0) << run.err;
  const std::vector<std::string> saved = TakeSpool("tvcompose@example.test");
  ASSERT_EQ(saved.size(), 1u);
  EXPECT_NE(saved[0].find("Subject: Weekly notes\r\n"), std::string::npos) << saved[0];
  EXPECT_NE(saved[0].find("filename=\"notes.txt\""), std::string::npos) << saved[0];
  EXPECT_NE(saved[0].find("YXR0YWNoZWQgdGV4dAo="), std::string::npos);  // base64 of the file

  const ToolRun refused = RunTvmail(
      scratch.path, {"smtp", "--host", "127.0.0.1", "--port", port, "--user", servers->smtpUser,
                     "--pass-file", password, "--from", "sender@example.test", "--to",
                     "reject@example.test", "--compose", "--subject", "x"});
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.err.find("550 5.1.1"), std::string::npos) << refused.err;
}

// An account row of a program folder whose SMTP server is the test server's plain port.
void AddSendingAccount(const fs::path& folder, const TestServers& servers,
                       const std::string& address) {
  std::string error;
  fs::create_directories(folder);
  ASSERT_TRUE(store::EnsureProgramFolders(folder.string(), &error)) << error;
  const auto accounts = store::OpenAccountStore(folder.string(), &error);
  ASSERT_NE(accounts, nullptr) << error;
  store::Query insert(*accounts);
  insert.AddLine(
      "insert into MailAcc (MailAccount, PasswordPw, smtpServer, NiCheng) values (:a, :p, :s, "
      "'Tester')");
  insert.SetText("a", address);
  insert.SetText("p", servers.smtpPassword);
  insert.SetText("s", "127.0.0.1:" + std::to_string(servers.smtpPort));
  ASSERT_TRUE(insert.ExecSql()) << insert.Error();
}

// The MessageKind of every sent-box row of the folder, in insert order.
std::vector<std::string> SentKinds(const fs::path& folder) {
  std::string error;
  const auto mail = store::OpenMailStore(folder.string(), &error);
  if (!mail) return {"(no mail database: " + error + ")"};
  store::Query query(*mail);
  query.AddLine("select MessageKind from MailSendBox order by ID");
  std::vector<std::string> kinds;
  if (!query.Open()) return {"(" + query.Error() + ")"};
  for (; !query.Eof(); query.Next())
    kinds.push_back(query.FieldText("MessageKind"));
  return kinds;
}

// `tvmail send` logs in with the account (the whole address is refused, its local part taken),
// sends to To, Cc and Bcc, keeps Bcc out of the message, and records the outcome; a refused
// recipient is a failure with exit status 1 and a "MailSendFail" row.
TEST(TvmailSend, SendsFromAnAccountAndRecordsTheOutcome) {
  REQUIRE_SERVERS(servers);
  const ScratchDir scratch("send");
  const fs::path folder = scratch.path / "program";
  const std::string from = servers->smtpUser + "@example.test";
  AddSendingAccount(folder, *servers, from);
  TakeSpool("tvsend@example.test");
  WriteFile((scratch.path / "notes.txt").string(), "attached text\n");
  const ToolRun run = RunTvmail(
      scratch.path, {"send", "--program-folder", folder.string(), "--from", from, "--to",
                     "tvsend@example.test<抄送>tvcopy@example.test<密送>tvhidden@example.test",
                     "--subject", "Weekly notes", "--body", "Hello\nsee the file", "--attach",
                     (scratch.path / "notes.txt").string(), "--timeout", "10000"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.err.find("status: 发送成功"), std::string::npos) << run.err;
  const std::vector<std::string> saved = TakeSpool("tvsend@example.test");
  ASSERT_EQ(saved.size(), 1u);
  EXPECT_NE(saved[0].find("Subject: Weekly notes\r\n"), std::string::npos) << saved[0];
  EXPECT_NE(saved[0].find("\r\nX-Mailer:Tenvel 202\r\n"), std::string::npos) << saved[0];
  EXPECT_NE(saved[0].find("tvcopy@example.test"), std::string::npos);
  EXPECT_EQ(saved[0].find("tvhidden@example.test"), std::string::npos);
  EXPECT_NE(saved[0].find("YXR0YWNoZWQgdGV4dAo="), std::string::npos);  // base64 of the file
  EXPECT_EQ(SentKinds(folder), std::vector<std::string>{"MailSendSucc"});

  const ToolRun refused =
      RunTvmail(scratch.path, {"send", "--program-folder", folder.string(), "--from", from, "--to",
                               "reject@example.test", "--subject", "x"});
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.err.find("550 5.1.1"), std::string::npos) << refused.err;
  EXPECT_EQ(SentKinds(folder), (std::vector<std::string>{"MailSendSucc", "MailSendFail"}));

  const ToolRun usage = RunTvmail(scratch.path, {"send", "--from", from});
  EXPECT_EQ(usage.status, 2);
  const ToolRun empty = RunTvmail(
      scratch.path, {"send", "--program-folder", folder.string(), "--from", from, "--to", " "});
  EXPECT_EQ(empty.status, 1);
  EXPECT_NE(empty.err.find("收件人不能为空!"), std::string::npos) << empty.err;
}

}  // namespace
}  // namespace integration
