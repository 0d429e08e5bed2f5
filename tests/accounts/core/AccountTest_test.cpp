// The account test against scripted SMTP servers and a loopback server that never answers, and
// the read of the saved account it tests.
#include "accounts/AccountTest.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "maillib/Base64.h"
#include "maillib/RapSMTP.h"
#include "maillib/RapTCPClient.h"
#include "store/DataFiles.h"
#include "store/Query.h"
#include "store/Stores.h"
#include "tests/maillib/NetTestUtil.h"
#include "tests/maillib/ScriptedTransport.h"
#include "tests/store/TempFolder.h"

namespace {

using accounts::AccountTestOutcome;
using accounts::RunAccountTest;
using accounts::TestAccount;
using maillib::test::ScriptedTransport;

const TestAccount kAccount{"zhang@example.cn", "mx.example.cn", "s3cret!"};

std::string Ehlo() {
  return "EHLO " + maillib::ComputerName() + "\r\n";
}

// AUTH LOGIN with this user name and the account's password, answered with `passwordReply`.
ScriptedTransport& AuthLogin(ScriptedTransport& s, const std::string& user,
                             const std::string& passwordReply) {
  return s.Client("AUTH LOGIN\r\n")
      .Server("334 VXNlcm5hbWU6\r\n")
      .Client(maillib::Base64EncodeStr(user) + "\r\n")
      .Server("334 UGFzc3dvcmQ6\r\n")
      .Client(maillib::Base64EncodeStr(kAccount.password) + "\r\n")
      .Server(passwordReply);
}

// Greeting and EHLO offering AUTH LOGIN, then the account's address and password.
ScriptedTransport& LoginScript(ScriptedTransport& s, const std::string& passwordReply) {
  s.Server("220 mx.example.cn ESMTP\r\n")
      .Client(Ehlo())
      .Server("250-mx.example.cn\r\n250 AUTH LOGIN\r\n");
  return AuthLogin(s, kAccount.address, passwordReply);
}

// Connections of the test client come from the queued scripts.
void Scripted(maillib::TRapSMTP& client) {
  client.TCPClient().SetTransportFactory(&ScriptedTransport::Factory, &ScriptedTransport::Upgrade);
  client.TimeOut = 2000;
}

AccountTestOutcome RunScripted(const TestAccount& account) {
  return RunAccountTest(account, nullptr, &Scripted);
}

TEST(AccountTest, AcceptedLoginIsASuccessAndEndsWithQuit) {
  ScriptedTransport s;
  LoginScript(s, "235 ok\r\n").Client("QUIT\r\n");
  ScriptedTransport::Plug plug(s);
  EXPECT_EQ(RunScripted(kAccount), AccountTestOutcome::Success);
  EXPECT_TRUE(s.Done()) << s.Mismatch();
  EXPECT_EQ(s.Target().Host, "mx.example.cn");
  EXPECT_EQ(s.Target().Port, 25);
  EXPECT_FALSE(s.Target().Tls);
}

TEST(AccountTest, RefusedPasswordOrGreetingIsAnAuthenticationError) {
  ScriptedTransport password;
  LoginScript(password, "535 authentication failed\r\n");
  // The client tries the local part of the address as user name once more.
  AuthLogin(password, "zhang", "535 authentication failed\r\n");
  ScriptedTransport greeting;
  greeting.Server("554 no service\r\n");
  ScriptedTransport::Plug plug({&password, &greeting});
  EXPECT_EQ(RunScripted(kAccount), AccountTestOutcome::AuthError);
  EXPECT_TRUE(password.Done()) << password.Mismatch();
  EXPECT_EQ(RunScripted(kAccount), AccountTestOutcome::AuthError);
  EXPECT_TRUE(greeting.Done()) << greeting.Mismatch();
}

TEST(AccountTest, ServerWithoutAuthenticationFailsTheTest) {
  // Today's servers relay nothing for a client that did not log in: a server that offers no
  // AUTH cannot send this account's mail, so the test must not call it usable.
  ScriptedTransport noAuth;
  noAuth.Server("220 mx.example.cn ESMTP\r\n")
      .Client(Ehlo())
      .Server("250-mx.example.cn\r\n250 8BITMIME\r\n")
      .Client("QUIT\r\n");
  ScriptedTransport noEhlo;  // an old server: EHLO refused twice, then HELO
  noEhlo.Server("220 mx\r\n").Client(Ehlo()).Server("500 unknown\r\n");
  ScriptedTransport noEhloAgain;
  noEhloAgain.Server("220 mx\r\n")
      .Client("EHLO zhang\r\n")
      .Server("500 unknown\r\n")
      .Client("HELO " + maillib::ComputerName() + "\r\n")
      .Server("250 mx\r\n")
      .Client("QUIT\r\n");
  ScriptedTransport::Plug plug({&noAuth, &noEhlo, &noEhloAgain});
  std::string advice = "stale";
  EXPECT_EQ(RunAccountTest(kAccount, nullptr, &Scripted, &advice), AccountTestOutcome::AuthError);
  EXPECT_TRUE(noAuth.Done()) << noAuth.Mismatch();
  EXPECT_EQ(advice, "");
  EXPECT_EQ(RunScripted(kAccount), AccountTestOutcome::AuthError);
  EXPECT_TRUE(noEhloAgain.Done()) << noEhloAgain.Mismatch();
}

TEST(AccountTest, FailuresCarryTheHintForTheUser) {
  const TestAccount qq{"zhang@qq.com", "smtp.qq.com", "s3cret!"};
  ScriptedTransport refused;
  refused.Server("220 newxmesmtplogicsvrszc.qq.com XMail Esmtp QQ Mail Server.\r\n")
      .Client(Ehlo())
      .Server("250-newxmesmtplogicsvrszc.qq.com\r\n250-AUTH LOGIN PLAIN\r\n250 8BITMIME\r\n");
  for (const char* user : {"zhang@qq.com", "zhang"}) {
    refused.Client("AUTH LOGIN\r\n")
        .Server("334 VXNlcm5hbWU6\r\n")
        .Client(maillib::Base64EncodeStr(user) + "\r\n")
        .Server("334 UGFzc3dvcmQ6\r\n")
        .Client(maillib::Base64EncodeStr(qq.password) + "\r\n")
        .Server("535 Login Fail. Please enter your authorization code to login.\r\n");
  }
  // A STARTTLS server whose certificate fails: the plain greeting came, yet no connection that
  // could carry the password was made.
  ScriptedTransport untrusted;
  untrusted.Server("220 mx ESMTP\r\n")
      .Client(Ehlo())
      .Server("250-mx\r\n250-STARTTLS\r\n250 AUTH LOGIN\r\n")
      .Client("STARTTLS\r\n")
      .Server("220 go ahead\r\n")
      .TlsUpgradeFails("TLS: server certificate not accepted: self-signed certificate");
  ScriptedTransport::Plug plug({&refused, &untrusted});
  std::string advice;
  EXPECT_EQ(RunAccountTest(qq, nullptr, &Scripted, &advice), AccountTestOutcome::AuthError);
  EXPECT_TRUE(refused.Done()) << refused.Mismatch();
  EXPECT_EQ(advice, "请使用邮箱的授权码登录");
  EXPECT_EQ(accounts::AccountTestLabel(AccountTestOutcome::AuthError, advice),
            "SMTP服务器(认证错误)! 请使用邮箱的授权码登录");
  EXPECT_EQ(RunAccountTest(kAccount, nullptr, &Scripted, &advice),
            AccountTestOutcome::ConnectError);
  EXPECT_TRUE(untrusted.Done()) << untrusted.Mismatch();
  EXPECT_EQ(untrusted.Sent().find("AUTH"), std::string::npos) << untrusted.Sent();
  EXPECT_EQ(advice, "服务器证书验证失败,无法建立安全连接");
  EXPECT_EQ(accounts::AccountTestLabel(AccountTestOutcome::ConnectError, advice),
            "连接到SMTP服务器错误! 服务器证书验证失败,无法建立安全连接");
  EXPECT_EQ(accounts::AccountTestLabel(AccountTestOutcome::Success, ""), "SMTP邮件测试成功!");
}

TEST(AccountTest, RefusedConnectionIsAConnectError) {
  ScriptedTransport s;
  s.RefuseConnect("connection refused");
  ScriptedTransport::Plug plug(s);
  EXPECT_EQ(RunScripted(kAccount), AccountTestOutcome::ConnectError);
  EXPECT_EQ(s.Connects(), 1);
}

TEST(AccountTest, GmailTakesTlsOn465AndAPortInTheHostFieldDecidesForAll) {
  struct Case {
    TestAccount account;
    int port;
    bool tls;
  };
  const Case cases[] = {
      {{"li@gmail.com", "smtp.gmail.com", "pw"}, 465, true},
      {{"li@gmail.com", "relay.example.cn:2525", "pw"}, 2525, false},
      {{"li@example.cn", "mx.example.cn:465", "pw"}, 465, true},
  };
  for (const Case& c : cases) {
    ScriptedTransport s;
    s.RefuseConnect("refused");
    ScriptedTransport::Plug plug(s);
    EXPECT_EQ(RunScripted(c.account), AccountTestOutcome::ConnectError);
    EXPECT_EQ(s.Target().Port, c.port) << c.account.smtpServer;
    EXPECT_EQ(s.Target().Tls, c.tls) << c.account.smtpServer;
  }
}

TEST(AccountTest, NoHostOrAnEarlyCancelNeverConnects) {
  ScriptedTransport s;
  LoginScript(s, "235 ok\r\n");
  ScriptedTransport::Plug plug(s);
  EXPECT_EQ(RunScripted(TestAccount()), AccountTestOutcome::ConnectError);
  const std::atomic<bool> cancel{true};
  EXPECT_EQ(RunAccountTest(kAccount, &cancel, &Scripted), AccountTestOutcome::ConnectError);
  EXPECT_EQ(s.Connects(), 0);
}

TEST(AccountTest, CancelEndsATestOnAServerThatNeverAnswers) {
  net_test::Listener silent;  // accepts connections into its backlog, never says a word
  ASSERT_NE(silent.Port(), 0);
  const TestAccount account{"zhang@example.cn", "127.0.0.1:" + std::to_string(silent.Port()), "pw"};
  std::atomic<bool> cancel{false};
  std::atomic<bool> finished{false};
  std::thread watchdog([&] {
    // Cancels once the test waits for the greeting; gives up with the test after 10 s.
    for (int i = 0; i < 500 && !finished; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      if (i == 10) cancel = true;
    }
  });
  const AccountTestOutcome outcome =
      RunAccountTest(account, &cancel, [](maillib::TRapSMTP& client) { client.TimeOut = 60000; });
  finished = true;
  watchdog.join();
  EXPECT_EQ(outcome, AccountTestOutcome::ConnectError);
}

class ReadTestAccountTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(store::EnsureProgramFolders(folder_.Path(), &error)) << error;
    db_ = store::OpenAccountStore(folder_.Path(), &error);
    ASSERT_NE(db_, nullptr) << error;
  }

  store_test::TempFolder folder_;
  std::unique_ptr<store::Database> db_;
};

TEST_F(ReadTestAccountTest, ReadsTheSavedAccountOrNothing) {
  store::Query query(*db_);
  query.AddLine("insert into MailAcc (MailAccount, PasswordPw, smtpServer)");
  query.AddLine("values ('o''neil@qq.com', 'stored', 'smtp.qq.com:465')");
  ASSERT_TRUE(query.ExecSql()) << query.Error();

  TestAccount account;
  ASSERT_TRUE(accounts::ReadTestAccount(query, "o'neil@qq.com", &account));
  EXPECT_EQ(account.address, "o'neil@qq.com");
  EXPECT_EQ(account.smtpServer, "smtp.qq.com:465");
  EXPECT_EQ(account.password, "stored");

  ASSERT_TRUE(accounts::ReadTestAccount(query, "never@qq.com", &account));
  EXPECT_EQ(account.address, "");
  EXPECT_EQ(account.smtpServer, "");
  EXPECT_EQ(account.password, "");

  ASSERT_TRUE(db_->Execute("drop table MailAcc", nullptr));
  EXPECT_FALSE(accounts::ReadTestAccount(query, "o'neil@qq.com", &account));
}

}  // namespace
