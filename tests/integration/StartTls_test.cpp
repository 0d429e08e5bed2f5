// Upgrades to TLS on plain connections against the real servers: SMTP on the port that requires
// STARTTLS (with the test authority trusted and not), the account test there, and POP3 with
// STLS on Dovecot's plain port. An unverified server never gets a password.
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "accounts/AccountTest.h"
#include "maillib/Base64.h"
#include "maillib/MailFailure.h"
#include "maillib/RapMsg.h"
#include "tests/integration/Messages.h"
#include "tests/integration/PopClient.h"
#include "tests/integration/SmtpClient.h"
#include "tests/integration/TestServers.h"

namespace integration {
namespace {

using maillib::TMailFailure;

// A client for the STARTTLS port, reached by address as the accounts' host fields give it.
std::unique_ptr<SmtpSession> StartTlsSmtp(const TestServers& servers) {
  auto session = MakeSmtp(servers);
  session->smtp->Port = servers.smtpStartTlsPort;
  return session;
}

bool SentAny(const std::vector<std::string>& sent, const std::string& prefix) {
  return std::any_of(sent.begin(), sent.end(),
                     [&prefix](const std::string& line) { return line.rfind(prefix, 0) == 0; });
}

TEST(StartTls, SmtpUpgradesThenLogsInAndTheMessageArrives) {
  REQUIRE_SERVERS(servers);
  ASSERT_GT(servers->smtpStartTlsPort, 0);
  TakeSpool("starttls@example.test");
  TrustTestCa(true);
  auto session = StartTlsSmtp(*servers);
  maillib::TRapSMTP& smtp = *session->smtp;
  ASSERT_TRUE(smtp.ConnectAndLogin()) << smtp.LastFailureText();
  EXPECT_TRUE(smtp.Secure());
  EXPECT_TRUE(smtp.Authenticated());
  EXPECT_TRUE(SentAny(session->sent, "STARTTLS"));
  const std::string bytes = MakeMessage("smtp-starttls", 20000);
  maillib::TRapMsg msg = RawMessage(bytes);
  ASSERT_TRUE(smtp.SendMessage(msg, {"starttls@example.test"})) << smtp.LastFailureText();
  smtp.Quit();
  const std::vector<std::string> saved = TakeSpool("starttls@example.test");
  ASSERT_EQ(saved.size(), 1u);
  EXPECT_EQ(saved[0], bytes);
}

TEST(StartTls, UntrustedCertificateEndsTheLoginBeforeAnyCredentials) {
  REQUIRE_SERVERS(servers);
  TrustTestCa(false);
  auto session = StartTlsSmtp(*servers);
  maillib::TRapSMTP& smtp = *session->smtp;
  // A name no other test uses, to look for in the server's record of AUTH attempts.
  const std::string probe = "untrusted-probe-" + std::to_string(getpid());
  smtp.VerifyUserID = maillib::Base64EncodeStr(probe);
  EXPECT_FALSE(smtp.ConnectAndLogin());
  EXPECT_EQ(smtp.LastFailure(), TMailFailure::CertificateRejected) << smtp.LastFailureText();
  EXPECT_EQ(maillib::FailureAdvice(smtp.LastFailure(), smtp.LastFailureText(), smtp.Host),
            maillib::kCertificateAdvice);
  EXPECT_FALSE(smtp.IsConnected());
  EXPECT_FALSE(SentAny(session->sent, "AUTH"));
  EXPECT_EQ(ReadFile(servers->smtpAuthLog).find("login=" + probe), std::string::npos);
  TrustTestCa(true);
}

TEST(StartTls, AccountTestOnTheStartTlsPort) {
  REQUIRE_SERVERS(servers);
  const accounts::TestAccount account{servers->smtpUser + "@tenvel.test",
                                      "127.0.0.1:" + std::to_string(servers->smtpStartTlsPort),
                                      servers->smtpPassword};
  TrustTestCa(true);
  std::string advice = "stale";
  EXPECT_EQ(accounts::RunAccountTest(account, nullptr, nullptr, &advice),
            accounts::AccountTestOutcome::Success);
  EXPECT_EQ(advice, "");
  TrustTestCa(false);
  EXPECT_EQ(accounts::RunAccountTest(account, nullptr, nullptr, &advice),
            accounts::AccountTestOutcome::ConnectError);
  EXPECT_EQ(advice, maillib::kCertificateAdvice);
  TrustTestCa(true);
}

TEST(StartTls, Pop3OnThePlainPortUpgradesWithStlsAndLogsIn) {
  REQUIRE_SERVERS(servers);
  const std::string message = MakeMessage("stls", 4000);
  LoadMailbox("box16", {message});
  TrustTestCa(true);
  auto session = MakePop(*servers, "box16");
  maillib::TRapPOP& pop = *session->pop;
  ASSERT_TRUE(pop.ConnectAndLogin()) << pop.LastFailureText();
  EXPECT_TRUE(pop.TCPClient().UsingTls());
  EXPECT_TRUE(SentAny(session->sent, "STLS"));
  EXPECT_EQ(pop.MessageCount, 1);
  maillib::TRapMsg msg;
  ASSERT_TRUE(pop.Retrieve(1, false, msg)) << pop.LastFailureText();
  EXPECT_EQ(JoinCrLf(msg.RawLines), message);
  pop.Quit();
}

TEST(StartTls, Pop3WithAnUntrustedCertificateSendsNoUser) {
  REQUIRE_SERVERS(servers);
  LoadMailbox("box17", {MakeMessage("stls-untrusted", 100)});
  TrustTestCa(false);
  auto session = MakePop(*servers, "box17");
  EXPECT_FALSE(session->pop->ConnectAndLogin());
  EXPECT_EQ(session->pop->LastFailure(), TMailFailure::CertificateRejected);
  EXPECT_FALSE(SentAny(session->sent, "USER"));
  EXPECT_FALSE(SentAny(session->sent, "PASS"));
  EXPECT_FALSE(SentAny(session->sent, "APOP"));
  TrustTestCa(true);
}

}  // namespace
}  // namespace integration
