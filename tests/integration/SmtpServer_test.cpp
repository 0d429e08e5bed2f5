// The SMTP client against a real SMTP server on loopback: AUTH LOGIN accepted and refused,
// messages that must arrive byte for byte, server errors reported with their codes, TLS.
#include <gtest/gtest.h>

#include "tests/integration/Messages.h"
#include "tests/integration/SmtpClient.h"

namespace integration {
namespace {

using maillib::TSmtpFailure;

TEST(SmtpServer, RawMessagesArriveByteForByteInOneSession) {
  REQUIRE_SERVERS(servers);
  TakeSpool("raw@example.test");
  auto session = MakeSmtp(*servers);
  maillib::TRapSMTP& smtp = *session->smtp;
  ASSERT_TRUE(smtp.ConnectAndLogin()) << smtp.LastFailureText();
  const std::string first = MakeMessage("smtp-raw-1", 4000);  // lines with leading dots
  const std::string second = MakeMessage("smtp-raw-2", 40000);
  maillib::TRapMsg one = RawMessage(first);
  maillib::TRapMsg two = RawMessage(second);
  ASSERT_TRUE(smtp.SendMessage(one, {"raw@example.test", "copy@example.test"}))
      << smtp.LastFailureText();
  ASSERT_TRUE(smtp.SendMessage(two, {"raw@example.test"})) << smtp.LastFailureText();
  smtp.Quit();
  const std::vector<std::string> saved = TakeSpool("raw@example.test");
  ASSERT_EQ(saved.size(), 2u);
  EXPECT_EQ(saved[0], first);
  EXPECT_EQ(saved[1], second);
  EXPECT_TRUE(session->errors.empty());
}

TEST(SmtpServer, WrongPasswordIsRefusedAndReported) {
  REQUIRE_SERVERS(servers);
  auto session = MakeSmtp(*servers);
  session->smtp->VerifyUserPassword = "d3Jvbmc=";  // "wrong"
  EXPECT_FALSE(session->smtp->ConnectAndLogin());
  EXPECT_EQ(session->smtp->LastFailure(), TSmtpFailure::LoginRefused);
  EXPECT_EQ(session->passwordRefusals, 1);
  EXPECT_FALSE(session->smtp->IsConnected());
  for (const std::string& line : session->sent) {
    EXPECT_EQ(line.find(session->smtp->VerifyUserPassword), std::string::npos) << line;
  }
}

TEST(SmtpServer, SendingWithoutLoginIsRefusedWithTheServersCode) {
  REQUIRE_SERVERS(servers);
  TakeSpool("nologin@example.test");
  auto session = MakeSmtp(*servers);
  session->smtp->MustVerify = false;  // HELO only: the server wants AUTH first
  ASSERT_TRUE(session->smtp->ConnectAndLogin()) << session->smtp->LastFailureText();
  maillib::TRapMsg msg = RawMessage(MakeMessage("nologin", 100));
  EXPECT_FALSE(session->smtp->SendMessage(msg, {"nologin@example.test"}));
  EXPECT_EQ(session->smtp->LastFailure(), TSmtpFailure::ServerError);
  ASSERT_FALSE(session->errors.empty());
  EXPECT_EQ(session->errors.back(), 530);
  session->smtp->Quit();
  EXPECT_TRUE(TakeSpool("nologin@example.test").empty());
}

TEST(SmtpServer, RejectedRecipientEndsTheTransaction) {
  REQUIRE_SERVERS(servers);
  auto session = MakeSmtp(*servers);
  ASSERT_TRUE(session->smtp->ConnectAndLogin());
  maillib::TRapMsg msg = RawMessage(MakeMessage("rejected", 100));
  EXPECT_FALSE(session->smtp->SendMessage(msg, {"kept@example.test", "reject-me@example.test"}));
  EXPECT_EQ(session->smtp->LastFailure(), TSmtpFailure::ServerError);
  EXPECT_EQ(session->smtp->LastReplyCode, 550);
  ASSERT_FALSE(session->errors.empty());
  EXPECT_EQ(session->errors.back(), 550);
  session->smtp->Quit();
  EXPECT_TRUE(TakeSpool("kept@example.test").empty());
}

TEST(SmtpServer, ImplicitTlsWithTheTestAuthorityTrusted) {
  REQUIRE_SERVERS(servers);
  TakeSpool("tls@example.test");
  TrustTestCa(true);
  auto session = MakeSmtp(*servers, true);
  ASSERT_TRUE(session->smtp->ConnectAndLogin()) << session->smtp->LastFailureText();
  const std::string bytes = MakeMessage("smtp-tls", 10000);
  maillib::TRapMsg msg = RawMessage(bytes);
  ASSERT_TRUE(session->smtp->SendMessage(msg, {"tls@example.test"}));
  session->smtp->Quit();
  const std::vector<std::string> saved = TakeSpool("tls@example.test");
  ASSERT_EQ(saved.size(), 1u);
  EXPECT_EQ(saved[0], bytes);
}

TEST(SmtpServer, UntrustedCertificateRefusesTheConnection) {
  REQUIRE_SERVERS(servers);
  TrustTestCa(false);
  auto session = MakeSmtp(*servers, true);
  EXPECT_FALSE(session->smtp->ConnectAndLogin());
  EXPECT_EQ(session->smtp->LastFailure(), TSmtpFailure::CertificateRejected);
  EXPECT_TRUE(session->sent.empty());
}

TEST(SmtpServer, TwentyFiveMegabyteMessageAndOverlongLineArriveWhole) {
  REQUIRE_SERVERS(servers);
  TakeSpool("big@example.test");
  auto session = MakeSmtp(*servers);
  maillib::TRapSMTP& smtp = *session->smtp;
  unsigned lastPercent = 0;
  smtp.OnSendProgress = [&](maillib::TRapSMTP&, unsigned percent) { lastPercent = percent; };
  ASSERT_TRUE(smtp.ConnectAndLogin());
  const std::string big = MakeMessage("smtp-big", 25u << 20);
  maillib::TRapMsg msg = RawMessage(big);
  ASSERT_TRUE(smtp.SendMessage(msg, {"big@example.test"})) << smtp.LastFailureText();
  EXPECT_EQ(lastPercent, 100u);
  // A line far longer than one transfer chunk must not end the message early.
  std::string longLine = MakeMessage("smtp-long", 100);
  longLine.insert(longLine.size() - 2, std::string(40000, 'x'));
  maillib::TRapMsg longMsg = RawMessage(longLine);
  ASSERT_TRUE(smtp.SendMessage(longMsg, {"big@example.test"})) << smtp.LastFailureText();
  smtp.Quit();
  const std::vector<std::string> saved = TakeSpool("big@example.test");
  ASSERT_EQ(saved.size(), 2u);
  EXPECT_TRUE(saved[0] == big) << "the 25 MB message arrived changed, " << saved[0].size() << " of "
                               << big.size() << " bytes";
  EXPECT_EQ(saved[1], longLine);
}

}  // namespace
}  // namespace integration
