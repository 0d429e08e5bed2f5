// The account test against the real SMTP server, and `tvmail account` on a program folder.
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>

#include "accounts/AccountRows.h"
#include "accounts/AccountTest.h"
#include "store/DataFiles.h"
#include "store/Query.h"
#include "store/Stores.h"
#include "tests/integration/ReceiveMessages.h"
#include "tests/integration/TestServers.h"
#include "tests/store/TempFolder.h"

namespace integration {
namespace {

std::string SmtpField(int port) {
  return "127.0.0.1:" + std::to_string(port);
}

// A program folder whose accounts the test reads back as the editor's button does.
class SavedAccounts {
 public:
  SavedAccounts() {
    std::string error;
    if (!store::EnsureProgramFolders(folder_.Path(), &error)) throw std::runtime_error(error);
    db_ = store::OpenAccountStore(folder_.Path(), &error);
    if (db_ == nullptr) throw std::runtime_error(error);
  }

  // Saves user@tenvel.test with typed hosts and returns it as the test reads it.
  accounts::TestAccount Save(const std::string& user, const std::string& password,
                             const std::string& smtp) {
    store::Query query(*db_);
    accounts::AccountForm form;
    form.user = user;
    form.domain = "tenvel.test";
    form.password = password;
    form.hostsShown = true;
    form.pop3 = "127.0.0.1:110";
    form.smtp = smtp;
    if (accounts::ApplyAccount(query, form, false, 0, folder_.File("POPSmtp.ini")) !=
        accounts::ApplyResult::Saved)
      throw std::runtime_error("account not saved");
    return Read(user + "@tenvel.test");
  }

  accounts::TestAccount Read(const std::string& address) {
    store::Query query(*db_);
    accounts::TestAccount account;
    if (!accounts::ReadTestAccount(query, address, &account))
      throw std::runtime_error(query.Error());
    return account;
  }

 private:
  store_test::TempFolder folder_;
  std::unique_ptr<store::Database> db_;
};

accounts::AccountTestOutcome RunTest(const accounts::TestAccount& account) {
  return accounts::RunAccountTest(account, nullptr, nullptr);
}

// The test logs in with the account's address; the server knows its user by the part before
// "@" only, which the client tries when the whole address is refused.
TEST(AccountTest, SucceedsWithTheSavedUserAndPassword) {
  REQUIRE_SERVERS(servers);
  SavedAccounts saved;
  const auto account =
      saved.Save(servers->smtpUser, servers->smtpPassword, SmtpField(servers->smtpPort));
  EXPECT_EQ(account.smtpServer, SmtpField(servers->smtpPort));
  EXPECT_EQ(RunTest(account), accounts::AccountTestOutcome::Success);
}

TEST(AccountTest, RefusedLoginIsAnAuthError) {
  REQUIRE_SERVERS(servers);
  SavedAccounts saved;
  EXPECT_EQ(RunTest(saved.Save(servers->smtpUser, "not-" + servers->smtpPassword,
                               SmtpField(servers->smtpPort))),
            accounts::AccountTestOutcome::AuthError);
  EXPECT_EQ(RunTest(saved.Save("stranger", servers->smtpPassword, SmtpField(servers->smtpPort))),
            accounts::AccountTestOutcome::AuthError);
}

TEST(AccountTest, ClosedPortOrUnsavedAccountIsAConnectError) {
  REQUIRE_SERVERS(servers);
  SavedAccounts saved;
  EXPECT_EQ(RunTest(saved.Save(servers->smtpUser, servers->smtpPassword, SmtpField(ClosedPort()))),
            accounts::AccountTestOutcome::ConnectError);
  EXPECT_EQ(RunTest(saved.Read("never-applied@tenvel.test")),
            accounts::AccountTestOutcome::ConnectError);
}

ChildRun Account(const std::vector<std::string>& args) {
  return RunProgram(TVMAIL_PATH, args);
}

TEST(AccountTool, AddListTestAndRemoveAccounts) {
  REQUIRE_SERVERS(servers);
  store_test::TempFolder folder;
  const std::string dir = folder.Path();
  store_test::WriteFileBytes(
      folder.File("POPSmtp.ini"),
      "[tenvel.test]\npop3=pop.tenvel.test\nsmtp=" + SmtpField(servers->smtpPort) + "\n");
  const ChildRun first = Account({"account", "add", "--program-folder", dir, "--user", "first",
                                  "--domain", "tenvel.test", "--password", "pw1"});
  EXPECT_EQ(first.status, 0);
  EXPECT_EQ(first.lines, std::vector<std::string>{"保存成功"});
  EXPECT_EQ(store::DefaultAccount(dir), "first@tenvel.test");  // the only account

  const ChildRun duplicate = Account({"account", "add", "--program-folder", dir, "--user", "first",
                                      "--domain", "tenvel.test", "--password", "pw1"});
  EXPECT_EQ(duplicate.status, 1);
  EXPECT_EQ(duplicate.lines, std::vector<std::string>{"该账号已存在"});

  const ChildRun noSmtp =
      Account({"account", "add", "--program-folder", dir, "--user", "second", "--domain",
               "example.test", "--password", "pw2", "--pop3", "127.0.0.1:1110"});
  EXPECT_EQ(noSmtp.lines, std::vector<std::string>{"SMTP设置栏不能为空!"});
  const ChildRun second =
      Account({"account", "add", "--program-folder", dir, "--user", "second", "--domain",
               "example.test", "--password", "pw2", "--nickname", "第二", "--pop3",
               "127.0.0.1:1110", "--smtp", "127.0.0.1:1125", "--auto", "5", "--keep"});
  EXPECT_EQ(second.status, 0);

  const ChildRun list = Account({"account", "list", "--program-folder", dir});
  EXPECT_EQ(list.status, 0);
  ASSERT_EQ(list.lines.size(), 2u);
  EXPECT_EQ(list.lines[0], "first@tenvel.test\t手动接收\t1\tpop.tenvel.test\t" +
                               SmtpField(servers->smtpPort) + "\tNodelect\t0");
  EXPECT_EQ(list.lines[1],
            "second@example.test\t自动接收\t2\t127.0.0.1:1110\t127.0.0.1:1125\tdelect\t5");

  // The server knows no user "first".
  const ChildRun test = Account({"account", "test", "--program-folder", dir, "first@tenvel.test"});
  EXPECT_EQ(test.status, 1);
  EXPECT_EQ(test.lines, std::vector<std::string>{"SMTP服务器(认证错误)!"});
  const std::string sender = servers->smtpUser + "@tenvel.test";
  EXPECT_EQ(Account({"account", "add", "--program-folder", dir, "--user", servers->smtpUser,
                     "--domain", "tenvel.test", "--password", servers->smtpPassword})
                .status,
            0);
  const ChildRun success = Account({"account", "test", "--program-folder", dir, sender});
  EXPECT_EQ(success.status, 0);
  EXPECT_EQ(success.lines, std::vector<std::string>{"SMTP邮件测试成功!"});
  EXPECT_EQ(Account({"account", "remove", "--program-folder", dir, sender}).status, 0);

  // Removing the default account clears it; the one left then becomes the default.
  const ChildRun remove =
      Account({"account", "remove", "--program-folder", dir, "first@tenvel.test"});
  EXPECT_EQ(remove.status, 0);
  EXPECT_EQ(store::DefaultAccount(dir), "second@example.test");
  EXPECT_EQ(Account({"account", "list", "--program-folder", dir}).lines.size(), 1u);
  EXPECT_EQ(Account({"account", "remove", "--program-folder", dir, "first@tenvel.test"}).status, 1);
}

}  // namespace
}  // namespace integration
