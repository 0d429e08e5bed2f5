// Receiving from the real Dovecot into a program folder: accounts made by the editor's rules,
// loaded messages stored with their files, both delete modes, failed stores, receive-all, TLS,
// refused logins, and `tvmail receive` killed in the middle of a run.
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <stdexcept>

#include "accounts/AccountRows.h"
#include "maillib/RapPOP3.h"
#include "receive/ReceiveEMailThread.h"
#include "receive/ReceiveInfo.h"
#include "receive/ReceivePlan.h"
#include "store/DataFiles.h"
#include "store/DateTimeText.h"
#include "store/Query.h"
#include "store/Stores.h"
#include "tests/integration/ReceiveMessages.h"
#include "tests/integration/TestServers.h"
#include "tests/store/TempFolder.h"

namespace integration {
namespace {

namespace fs = std::filesystem;

constexpr const char* kDomain = "tenvel.test";

// The reports of a worker, kept for the test to look at.
class Recorder : public receive::ReceiveReports {
 public:
  void Status(const std::string&, const std::string& text) override {
    const std::lock_guard lock(mutex_);
    texts_.push_back(text);
  }
  void Received(const std::string&, int count) override {
    const std::lock_guard lock(mutex_);
    texts_.push_back("count " + std::to_string(count));
  }
  std::vector<std::string> Texts() const {
    const std::lock_guard lock(mutex_);
    return texts_;
  }
  bool Saw(const std::string& text) const {
    const auto texts = Texts();
    return std::find(texts.begin(), texts.end(), text) != texts.end();
  }

 private:
  mutable std::mutex mutex_;
  std::vector<std::string> texts_;
};

// The columns of one Historys row.
struct StoredRow {
  std::string Sender, Receiver, SendDateTime, Content, MessageKind, FuJianPath, AcceptFuJian,
      RefuseFuJIan, FilePath, MailSubject, MailBcc, Mailcc, Fujian;
};

// A program folder with its databases, whose accounts point at the test Dovecot.
class ProgramFolder {
 public:
  ProgramFolder() {
    std::string error;
    if (!store::EnsureProgramFolders(temp_.Path(), &error)) throw std::runtime_error(error);
    mail_ = store::OpenMailStore(temp_.Path(), &error);
    account_ = store::OpenAccountStore(temp_.Path(), &error);
    if (mail_ == nullptr || account_ == nullptr) throw std::runtime_error(error);
  }

  const std::string& Path() const { return temp_.Path(); }
  std::string MailFiles() const { return store::MailFileFolder(Path()); }

  // Adds "<user>@tenvel.test" as the editor does with typed hosts; its address.
  std::string AddAccount(const TestServers& servers, const std::string& user, bool keep,
                         int popPort = 0, const std::string& password = {}) {
    accounts::AccountForm form;
    form.user = user;
    form.domain = kDomain;
    form.password = password.empty() ? servers.pop3Password : password;
    form.hostsShown = true;
    form.pop3 = "127.0.0.1:" + std::to_string(popPort > 0 ? popPort : servers.pop3Port);
    form.smtp = "127.0.0.1:" + std::to_string(servers.smtpPort);
    form.keepOnServer = keep;
    store::Query query(*account_);
    const auto result = accounts::ApplyAccount(query, form, false, 0, Path() + "/POPSmtp.ini");
    if (result != accounts::ApplyResult::Saved) throw std::runtime_error("account not saved");
    return user + "@" + kDomain;
  }

  receive::TOnlyPOPReceivInformation Info(const std::string& address) {
    receive::TOnlyPOPReceivInformation info;
    if (!receive::PlanOne(*account_, address, &info))
      throw std::runtime_error("no account " + address);
    return info;
  }

  receive::ReceiveContext Context(receive::ReceiveReports* reports) {
    receive::ReceiveContext context;
    context.mail = mail_.get();
    context.account = account_.get();
    context.mailFileFolder = MailFiles();
    context.reports = reports;
    return context;
  }

  // One receive of the account on this thread; the number of messages it stored.
  int Receive(const std::string& address, Recorder& reports,
              std::function<void(maillib::TRapPOP&)> configure = nullptr) {
    receive::ReceiveContext context = Context(&reports);
    context.configureClient = std::move(configure);
    receive::TReveiveEMailThread worker(Info(address), context);
    worker.Run();
    return worker.StoredCount();
  }

  std::vector<StoredRow> Rows(const std::string& account) {
    store::Query query(*mail_);
    query.AddLine("select * from Historys where RefuseFuJIan=:RefuseFuJIan2 order by ID");
    query.SetText("RefuseFuJIan2", account);
    std::vector<StoredRow> rows;
    if (!query.Open()) throw std::runtime_error(query.Error());
    for (; !query.Eof(); query.Next()) {
      auto f = [&](const char* name) { return query.FieldText(name); };
      rows.push_back({f("Sender"), f("Receiver"), f("SendDateTime"), f("Content"), f("MessageKind"),
                      f("FuJianPath"), f("AcceptFuJian"), f("RefuseFuJIan"), f("FilePath"),
                      f("MailSubject"), f("MailBcc"), f("Mailcc"), f("Fujian")});
    }
    return rows;
  }

  accounts::AccountRow Account(const std::string& address) {
    accounts::AccountRow row;
    store::Query query(*account_);
    if (!accounts::FindAccountByAddress(query, address, &row))
      throw std::runtime_error("no account " + address);
    return row;
  }

 private:
  store_test::TempFolder temp_;
  std::unique_ptr<store::Database> mail_;
  std::unique_ptr<store::Database> account_;
};

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

std::vector<std::string> SplitStars(const std::string& list) {
  std::vector<std::string> items;
  std::size_t start = 0;
  for (std::size_t star; (star = list.find('*', start)) != std::string::npos; start = star + 1)
    items.push_back(list.substr(start, star - start));
  return items;
}

// Every column of the row against what the message must give; files compared byte for byte.
void ExpectStoredAs(const StoredRow& row, const LoadedMessage& m, const std::string& account,
                    const std::string& mailFiles) {
  SCOPED_TRACE(m.tag);
  EXPECT_TRUE(Contains(row.Sender, m.fromAddress)) << row.Sender;
  EXPECT_TRUE(Contains(row.Receiver, "收件人")) << row.Receiver;
  EXPECT_TRUE(Contains(row.Receiver, " <" + account + ">;")) << row.Receiver;
  EXPECT_EQ(row.MailSubject, m.subject.empty() ? "无主题" : m.subject);
  EXPECT_EQ(row.MessageKind, "MailUn");
  EXPECT_EQ(row.Fujian, "S");
  EXPECT_EQ(row.RefuseFuJIan, account);
  EXPECT_EQ(row.SendDateTime, store::FormatDateTime(m.dated ? m.date : receive::StartOf1980()));
  EXPECT_TRUE(Contains(row.Content, m.tag)) << row.Content;
  EXPECT_TRUE(Contains(row.Content, m.bodyMark)) << row.Content;
  if (m.ccAddress.empty()) {
    EXPECT_EQ(row.Mailcc, "no");
  } else {
    EXPECT_TRUE(Contains(row.Mailcc, "李四") && Contains(row.Mailcc, "<" + m.ccAddress + ">;"))
        << row.Mailcc;
  }
  EXPECT_EQ(row.MailBcc, "no");
  const std::vector<std::string> paths = SplitStars(row.FuJianPath);
  ASSERT_EQ(paths.size(), m.attachments.size()) << row.FuJianPath;
  for (std::size_t i = 0; i < paths.size(); ++i) {
    EXPECT_EQ(paths[i].front(), '/');
    EXPECT_EQ(fs::path(paths[i]).filename().string(), m.attachments[i].name);
    EXPECT_EQ(ReadFile(mailFiles + paths[i]), m.attachments[i].bytes) << paths[i];
  }
  if (m.inlines.empty()) {
    EXPECT_EQ(row.FilePath, "NOHAVEExtractFile");
    return;
  }
  ASSERT_EQ(row.FilePath.front(), '/');
  for (const ExpectedFile& picture : m.inlines)
    EXPECT_EQ(ReadFile(mailFiles + row.FilePath + "/" + picture.name), picture.bytes);
}

// The rows by Message-ID; a second row of one message fails the test.
std::map<std::string, StoredRow> ById(const std::vector<StoredRow>& rows) {
  std::map<std::string, StoredRow> byId;
  for (const StoredRow& row : rows)
    EXPECT_TRUE(byId.emplace(row.AcceptFuJian, row).second) << "stored twice: " << row.AcceptFuJian;
  return byId;
}

std::time_t Yesterday() {
  return std::time(nullptr) - 24 * 3600;
}

TEST(Receive, KeepOnServerStoresDatedMessagesOnceAndLeavesAllOnServer) {
  REQUIRE_SERVERS(servers);
  ProgramFolder folder;
  const std::string account = folder.AddAccount(*servers, "box30", true);
  const auto messages = MakeLoadedMessages("keep", 200, account, Yesterday());
  LoadMailbox("box30", WireBytes(messages));

  Recorder first;
  const int stored = folder.Receive(account, first);
  // Mail kept on the server is taken by date: messages without a Date (1980) are older than
  // the account's start date and are never taken in this mode.
  std::size_t dated = 0;
  for (const auto& m : messages)
    dated += m.dated;
  EXPECT_EQ(stored, static_cast<int>(dated));
  EXPECT_TRUE(first.Saw("正在检测新邮件..."));
  EXPECT_TRUE(first.Saw("count " + std::to_string(dated)));
  const auto rows = ById(folder.Rows(account));
  ASSERT_EQ(rows.size(), dated);
  for (const auto& m : messages) {
    const auto it = rows.find(m.messageId);
    EXPECT_EQ(it != rows.end(), m.dated) << m.tag;
    if (it != rows.end()) ExpectStoredAs(it->second, m, account, folder.MailFiles());
  }
  EXPECT_EQ(folder.Account(account).mailDate, store::FormatDateTime(messages[199].date));
  EXPECT_EQ(MailboxCount("box30", 200), 200u);

  Recorder second;
  EXPECT_EQ(folder.Receive(account, second), 0);
  EXPECT_TRUE(second.Saw("没有收到新邮件!"));
  EXPECT_EQ(folder.Rows(account).size(), dated);
  EXPECT_EQ(MailboxCount("box30", 200), 200u);
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

ChildRun RunTvmail(const std::vector<std::string>& args,
                   const std::function<bool(const std::string&)>& killAt = nullptr,
                   rlim_t fileLimit = 0) {
  return RunProgram(TVMAIL_PATH, args, killAt, fileLimit);
}

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
    const std::size_t expected = account.starts_with("box35") ? 36 : 48;  // 12 undated
    EXPECT_TRUE(HasLine(run, account + "\tstored " + std::to_string(expected))) << account;
    const auto rows = ById(folder.Rows(account));
    EXPECT_EQ(rows.size(), expected) << account;
    for (const auto& m : messages) {
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
// on a full disk) is not stored and stays on the server; the others are stored and deleted.
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
  for (int k : {3, 7, 11})  // highest number first: message 10, 6, 2 are the 3rd, 7th, 11th
    EXPECT_TRUE(HasLine(limited, account + "\t收取第" + std::to_string(k) + "封邮件失败")) << k;
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

// `tvmail receive` killed after it began the 20th message, then run again to the end: every
// message is stored exactly once, and nothing left the server without being stored.
void KillAndReceiveAgain(const TestServers& servers, const std::string& user, bool keep) {
  ProgramFolder folder;
  const std::string account = folder.AddAccount(servers, user, keep);
  const auto messages = MakeLoadedMessages("kill-" + user, 200, account, Yesterday());
  LoadMailbox(user, WireBytes(messages));
  std::size_t expected = 0;
  for (const auto& m : messages)
    expected += !keep || m.dated;

  const std::vector<std::string> args = {"receive", "--program-folder", folder.Path(), "--account",
                                         account};
  const ChildRun killed = RunTvmail(args, [&](const std::string& line) {
    return line.starts_with(account + "\t正在接收第20封邮件..");
  });
  ASSERT_EQ(killed.status, -SIGKILL);
  const std::size_t before = folder.Rows(account).size();
  EXPECT_GE(before, 19u);
  EXPECT_LT(before, expected);
  // Without QUIT the server deletes nothing.
  EXPECT_EQ(MailboxCount(user, 200), 200u);

  const ChildRun rest = RunTvmail(args);
  EXPECT_EQ(rest.status, 0);
  EXPECT_TRUE(HasLine(rest, account + "\tstored " + std::to_string(expected - before)));
  const auto rows = ById(folder.Rows(account));
  EXPECT_EQ(rows.size(), expected);
  for (const auto& m : messages) {
    if (!keep || m.dated) ExpectStoredAs(rows.at(m.messageId), m, account, folder.MailFiles());
  }
  EXPECT_EQ(MailboxCount(user, keep ? 200 : 0), keep ? 200u : 0u);
}

TEST(ReceiveTool, KilledWhileTakingMailThenRunAgain) {
  REQUIRE_SERVERS(servers);
  KillAndReceiveAgain(*servers, "box38", false);
}

TEST(ReceiveTool, KilledWhileKeepingMailThenRunAgain) {
  REQUIRE_SERVERS(servers);
  KillAndReceiveAgain(*servers, "box37", true);
}

}  // namespace
}  // namespace integration
