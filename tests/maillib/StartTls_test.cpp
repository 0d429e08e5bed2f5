// Transcript tests of the upgrades to TLS on a plain connection (SMTP STARTTLS, POP3 CAPA and
// STLS) and of AUTH PLAIN: where the upgrade happens, that no password goes out before it or
// after it failed, and the failure each broken path reports.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "maillib/RapPOP3.h"
#include "maillib/RapSMTP.h"
#include "maillib/TlsTransport.h"
#include "tests/maillib/ScriptedTransport.h"
#include "tests/maillib/SmtpTestUtil.h"

namespace {

using maillib::TMailFailure;
using smtp_test::AuthLogin;
using smtp_test::Ehlo;
using smtp_test::kPassword;
using smtp_test::kPassword64;
using smtp_test::kUser64;
using smtp_test::ScriptedTransport;
using smtp_test::SmtpTest;

using SmtpStartTls = SmtpTest;

const std::string kCertificateError =
    std::string(maillib::kCertificateRejectedText) + "unable to get local issuer certificate";

// Greeting and a first EHLO that offers STARTTLS and AUTH.
ScriptedTransport& OfferStartTls(ScriptedTransport& s) {
  return s.Server("220 mx.example.cn ESMTP\r\n")
      .Client(Ehlo())
      .Server("250-mx.example.cn\r\n250-STARTTLS\r\n250-AUTH LOGIN PLAIN\r\n250 8BITMIME\r\n")
      .Client("STARTTLS\r\n");
}

bool SentAuth(const ScriptedTransport& s) {
  return s.Sent().find("AUTH") != std::string::npos ||
         s.Sent().find(kPassword64) != std::string::npos;
}

TEST_F(SmtpStartTls, OfferedUpgradeComesBeforeASecondEhloAndTheLogin) {
  ScriptedTransport& s = Script();
  OfferStartTls(s)
      .Server("220 2.0.0 Ready to start TLS\r\n")
      .TlsUpgrade()
      .Client(Ehlo())
      .Server("250-mx.example.cn\r\n250-AUTH LOGIN PLAIN\r\n250 8BITMIME\r\n");
  AuthLogin(s, kUser64, "235 ok\r\n");
  ScriptedTransport::Plug plug(s);
  smtp.Port = 587;
  ASSERT_TRUE(smtp.ConnectAndLogin()) << smtp.LastFailureText() << s.Mismatch();
  EXPECT_TRUE(s.Done()) << s.Mismatch();
  EXPECT_EQ(s.Upgrades(), 1);
  // The handshake checks the certificate against the host the account names.
  EXPECT_EQ(s.Target().Host, "mx.example.cn");
  EXPECT_TRUE(smtp.Secure());
  EXPECT_TRUE(smtp.Authenticated());
}

TEST_F(SmtpStartTls, CapabilitiesAfterTheUpgradeDecideTheMechanism) {
  // Before TLS the server shows no AUTH at all; the second EHLO offers PLAIN only.
  ScriptedTransport& s = Script();
  s.Server("220 mx\r\n")
      .Client(Ehlo())
      .Server("250-mx\r\n250 STARTTLS\r\n")
      .Client("STARTTLS\r\n")
      .Server("220 go ahead\r\n")
      .TlsUpgrade()
      .Client(Ehlo())
      .Server("250-mx\r\n250 AUTH PLAIN\r\n")
      .Client("AUTH PLAIN AHpoYW5nQGV4YW1wbGUuY24AczNjcmV0IQ==\r\n")
      .Server("235 2.7.0 Authentication successful\r\n");
  ScriptedTransport::Plug plug(s);
  ASSERT_TRUE(smtp.ConnectAndLogin()) << smtp.LastFailureText() << s.Mismatch();
  EXPECT_TRUE(s.Done()) << s.Mismatch();
  EXPECT_TRUE(smtp.Authenticated());
}

TEST_F(SmtpStartTls, RefusedStartTlsEndsTheLoginWithoutAPassword) {
  ScriptedTransport& s = Script();
  OfferStartTls(s).Server("454 4.7.0 TLS not available due to temporary reason\r\n");
  ScriptedTransport::Plug plug(s);
  EXPECT_FALSE(smtp.ConnectAndLogin());
  EXPECT_TRUE(s.Done()) << s.Mismatch();
  EXPECT_FALSE(SentAuth(s)) << s.Sent();
  EXPECT_EQ(s.Upgrades(), 0);
  EXPECT_FALSE(smtp.IsConnected());
  EXPECT_TRUE(s.ClosedByClient());
  EXPECT_EQ(smtp.LastFailure(), TMailFailure::ServerError);
  EXPECT_EQ(smtp.LastReplyCode, 454);
}

TEST_F(SmtpStartTls, FailedHandshakeIsACertificateFailureWithoutAPassword) {
  ScriptedTransport& s = Script();
  OfferStartTls(s).Server("220 ready\r\n").TlsUpgradeFails(kCertificateError);
  ScriptedTransport::Plug plug(s);
  EXPECT_FALSE(smtp.ConnectAndLogin());
  EXPECT_TRUE(s.Done()) << s.Mismatch();
  EXPECT_FALSE(SentAuth(s)) << s.Sent();
  EXPECT_FALSE(smtp.IsConnected());
  EXPECT_FALSE(smtp.Secure());
  EXPECT_EQ(smtp.LastFailure(), TMailFailure::CertificateRejected);
  EXPECT_EQ(smtp.LastFailureText(), kCertificateError);
  EXPECT_EQ(maillib::FailureAdvice(smtp.LastFailure(), smtp.LastFailureText(), smtp.Host),
            maillib::kCertificateAdvice);
  EXPECT_EQ(Logged("error").size(), 1u);
}

TEST_F(SmtpStartTls, HandshakeBrokenOtherwiseIsAConnectFailure) {
  ScriptedTransport& s = Script();
  OfferStartTls(s).Server("220 ready\r\n").TlsUpgradeFails("TLS handshake failed: wrong version");
  ScriptedTransport::Plug plug(s);
  EXPECT_FALSE(smtp.ConnectAndLogin());
  EXPECT_FALSE(SentAuth(s)) << s.Sent();
  EXPECT_EQ(smtp.LastFailure(), TMailFailure::ConnectFailed);
  EXPECT_EQ(maillib::FailureAdvice(smtp.LastFailure(), smtp.LastFailureText(), smtp.Host), "");
}

TEST_F(SmtpStartTls, PlainTextAfterTheConsentIsNeverTakenIntoTheSession) {
  // An attacker on the path appends a reply of its own to the server's 220.
  ScriptedTransport& s = Script();
  OfferStartTls(s).Server("220 ready\r\n250-mx\r\n250 AUTH LOGIN\r\n");
  ScriptedTransport::Plug plug(s);
  EXPECT_FALSE(smtp.ConnectAndLogin());
  EXPECT_EQ(s.Upgrades(), 0);
  EXPECT_FALSE(SentAuth(s)) << s.Sent();
  EXPECT_FALSE(smtp.IsConnected());
  EXPECT_EQ(smtp.LastFailure(), TMailFailure::ConnectFailed);
}

TEST_F(SmtpStartTls, RefusedEhloAfterTheUpgradeEndsTheLogin) {
  ScriptedTransport& s = Script();
  OfferStartTls(s)
      .Server("220 ready\r\n")
      .TlsUpgrade()
      .Client(Ehlo())
      .Server("503 5.5.1 bad sequence\r\n");
  ScriptedTransport::Plug plug(s);
  EXPECT_FALSE(smtp.ConnectAndLogin());
  EXPECT_TRUE(s.Done()) << s.Mismatch();
  EXPECT_FALSE(smtp.IsConnected());
  EXPECT_EQ(smtp.LastFailure(), TMailFailure::ServerError);
  EXPECT_EQ(smtp.LastReplyCode, 503);
}

TEST_F(SmtpStartTls, ImplicitTlsNeverAsksForStartTls) {
  ScriptedTransport& s = Script();
  s.Server("220 mx\r\n").Client(Ehlo()).Server("250-mx\r\n250-STARTTLS\r\n250 AUTH LOGIN\r\n");
  AuthLogin(s, kUser64, "235 ok\r\n");
  ScriptedTransport::Plug plug(s);
  smtp.Port = maillib::TRapSMTP::kImplicitTlsPort;
  ASSERT_TRUE(smtp.ConnectAndLogin()) << smtp.LastFailureText() << s.Mismatch();
  EXPECT_TRUE(s.Done()) << s.Mismatch();
  EXPECT_TRUE(s.Target().Tls);
  EXPECT_EQ(s.Upgrades(), 0);
}

TEST_F(SmtpStartTls, CertificateRefusedAtAnImplicitTlsConnectIsACertificateFailure) {
  ScriptedTransport& s = Script();
  s.RefuseConnect(kCertificateError);
  ScriptedTransport::Plug plug(s);
  smtp.Port = maillib::TRapSMTP::kImplicitTlsPort;
  EXPECT_FALSE(smtp.ConnectAndLogin());
  EXPECT_EQ(smtp.LastFailure(), TMailFailure::CertificateRejected);
}

TEST_F(SmtpStartTls, AuthPlainIsOneResponseAndHidesThePasswordInTheTrace) {
  ScriptedTransport& s = Script();
  s.Server("220 mx\r\n")
      .Client(Ehlo())
      .Server("250-mx\r\n250-AUTH=PLAIN\r\n250 AUTH PLAIN CRAM-MD5\r\n")
      .Client("AUTH PLAIN AHpoYW5nQGV4YW1wbGUuY24AczNjcmV0IQ==\r\n")
      .Server("235 ok\r\n");
  ScriptedTransport::Plug plug(s);
  ASSERT_TRUE(smtp.ConnectAndLogin()) << smtp.LastFailureText() << s.Mismatch();
  EXPECT_TRUE(s.Done()) << s.Mismatch();
  EXPECT_EQ(Logged("> AUTH"), std::vector<std::string>{"> AUTH PLAIN ****"});
  for (const std::string& entry : log) {
    EXPECT_EQ(entry.find("AHpoYW5n"), std::string::npos) << entry;
    EXPECT_EQ(entry.find(kPassword), std::string::npos) << entry;
  }
}

TEST_F(SmtpStartTls, RefusedAuthPlainTriesTheLocalPartThenAsksTheHandler) {
  ScriptedTransport& s = Script();
  s.Server("220 mx\r\n")
      .Client(Ehlo())
      .Server("250-mx\r\n250 AUTH PLAIN\r\n")
      .Client("AUTH PLAIN AHpoYW5nQGV4YW1wbGUuY24AczNjcmV0IQ==\r\n")
      .Server("535 5.7.8 Error: authentication failed\r\n")
      .Client("AUTH PLAIN AHpoYW5nAHMzY3JldCE=\r\n")
      .Server("535 5.7.8 Error: authentication failed\r\n");
  ScriptedTransport::Plug plug(s);
  int asked = 0;
  smtp.OnErrorPassword = [&asked](maillib::TRapSMTP&, std::string&, std::string&, bool&) {
    ++asked;
  };
  EXPECT_FALSE(smtp.ConnectAndLogin());
  EXPECT_TRUE(s.Done()) << s.Mismatch();
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(smtp.LastFailure(), TMailFailure::LoginRefused);
  EXPECT_FALSE(smtp.Authenticated());
}

TEST_F(SmtpStartTls, NoAuthenticationOfferedIsASessionWithoutLogin) {
  ScriptedTransport& s = Script();
  s.Server("220 mx\r\n").Client(Ehlo()).Server("250-mx\r\n250 8BITMIME\r\n");
  ScriptedTransport::Plug plug(s);
  EXPECT_TRUE(smtp.ConnectAndLogin()) << smtp.LastFailureText();
  EXPECT_FALSE(smtp.Authenticated());
}

// ---- POP3 ----

class Pop3StartTls : public ::testing::Test {
 protected:
  void SetUp() override {
    pop.Host = "pop.example.cn";
    pop.UserId = "bob";
    pop.UserPasswd = "secret";
    pop.TimeOut = 2000;
    pop.TCPClient().SetTransportFactory(&ScriptedTransport::Factory, &ScriptedTransport::Upgrade);
    pop.OnError = [this](maillib::TRapPOP&, int, const std::string& msg) { errors.push_back(msg); };
  }

  static bool SentPassword(const ScriptedTransport& s) {
    return s.Sent().find("USER") != std::string::npos ||
           s.Sent().find("secret") != std::string::npos;
  }

  ScriptedTransport script;  // outlives the client
  std::vector<std::string> errors;
  maillib::TRapPOP pop;
};

TEST_F(Pop3StartTls, ListedStlsUpgradesBeforeTheUser) {
  ScriptedTransport::Plug plug(script);
  script.Server("+OK Dovecot ready.\r\n")
      .Client("CAPA\r\n")
      .Server("+OK\r\nCAPA\r\nTOP\r\nUIDL\r\nstls\r\nSASL PLAIN\r\n.\r\n")
      .Client("STLS\r\n")
      .Server("+OK Begin TLS negotiation now.\r\n")
      .TlsUpgrade()
      .Client("USER bob\r\n")
      .Server("+OK\r\n")
      .Client("PASS secret\r\n")
      .Server("+OK Logged in.\r\n");
  ASSERT_TRUE(pop.Connect()) << pop.LastFailureText();
  ASSERT_TRUE(pop.Login()) << pop.LastFailureText() << script.Mismatch();
  EXPECT_TRUE(script.Done()) << script.Mismatch();
  EXPECT_EQ(script.Target().Host, "pop.example.cn");
  EXPECT_TRUE(pop.TCPClient().UsingTls());
}

TEST_F(Pop3StartTls, CapabilitiesWithoutStlsOrAnErrToCapaLogInAsBefore) {
  ScriptedTransport other;
  ScriptedTransport::Plug plug({&script, &other});
  script.Server("+OK ready\r\n")
      .Client("CAPA\r\n")
      .Server("+OK Capability list follows\r\nUSER\r\nUIDL\r\n.\r\n")
      .Client("USER bob\r\n")
      .Server("+OK\r\n")
      .Client("PASS secret\r\n")
      .Server("+OK\r\n");
  other.Server("+OK ready\r\n")
      .Client("CAPA\r\n")
      .Server("-ERR unknown command\r\n")
      .Client("USER bob\r\n")
      .Server("+OK\r\n")
      .Client("PASS secret\r\n")
      .Server("+OK\r\n");
  for (ScriptedTransport* s : {&script, &other}) {
    ASSERT_TRUE(pop.Connect()) << pop.LastFailureText();
    EXPECT_TRUE(pop.Login()) << pop.LastFailureText() << s->Mismatch();
    EXPECT_TRUE(s->Done()) << s->Mismatch();
    EXPECT_EQ(s->Upgrades(), 0);
    EXPECT_FALSE(pop.TCPClient().UsingTls());
    pop.Quit();
  }
  // An -ERR to CAPA only means "no capabilities": nothing is reported as an error.
  EXPECT_TRUE(errors.empty());
}

TEST_F(Pop3StartTls, RefusedStlsEndsTheLoginWithoutAPassword) {
  ScriptedTransport::Plug plug(script);
  script.Server("+OK ready\r\n")
      .Client("CAPA\r\n")
      .Server("+OK\r\nSTLS\r\n.\r\n")
      .Client("STLS\r\n")
      .Server("-ERR TLS support isn't enabled\r\n");
  ASSERT_TRUE(pop.Connect());
  EXPECT_FALSE(pop.Login());
  EXPECT_TRUE(script.Done()) << script.Mismatch();
  EXPECT_FALSE(SentPassword(script)) << script.Sent();
  EXPECT_EQ(pop.LastFailure(), TMailFailure::ServerError);
}

TEST_F(Pop3StartTls, FailedHandshakeIsACertificateFailureWithoutAPassword) {
  ScriptedTransport::Plug plug(script);
  script.Server("+OK ready\r\n")
      .Client("CAPA\r\n")
      .Server("+OK\r\nSTLS\r\n.\r\n")
      .Client("STLS\r\n")
      .Server("+OK Begin TLS\r\n")
      .TlsUpgradeFails(kCertificateError);
  ASSERT_TRUE(pop.Connect());
  EXPECT_FALSE(pop.Login());
  EXPECT_TRUE(script.Done()) << script.Mismatch();
  EXPECT_FALSE(SentPassword(script)) << script.Sent();
  EXPECT_FALSE(pop.IsConnected());
  EXPECT_EQ(pop.LastFailure(), TMailFailure::CertificateRejected);
  EXPECT_EQ(maillib::FailureAdvice(pop.LastFailure(), pop.LastFailureText(), pop.Host),
            maillib::kCertificateAdvice);
}

TEST_F(Pop3StartTls, ImplicitTlsAsksNoCapabilities) {
  ScriptedTransport::Plug plug(script);
  script.Server("+OK ready\r\n")
      .Client("USER bob\r\n")
      .Server("+OK\r\n")
      .Client("PASS secret\r\n")
      .Server("+OK\r\n");
  pop.Port = 995;
  pop.TCPClient().UseTls();
  ASSERT_TRUE(pop.Connect());
  EXPECT_TRUE(pop.Login()) << pop.LastFailureText() << script.Mismatch();
  EXPECT_TRUE(script.Done()) << script.Mismatch();
  EXPECT_TRUE(script.Target().Tls);
}

// ---- the user's hints ----

TEST(FailureAdvice, CertificateAndAuthorizationCodeHints) {
  using maillib::FailureAdvice;
  using maillib::kAuthorizationCodeAdvice;
  const std::string none;
  EXPECT_EQ(FailureAdvice(TMailFailure::CertificateRejected, "", "smtp.example.com"),
            maillib::kCertificateAdvice);
  // QQ's published answers, from any of its hosts, or even one it is reached through.
  EXPECT_EQ(FailureAdvice(TMailFailure::LoginRefused,
                          "-ERR Please using authorized code to login. More information at "
                          "http://service.mail.qq.com/cgi-bin/help?subtype=1&&id=28&&no=1001256",
                          "pop.qq.com"),
            kAuthorizationCodeAdvice);
  EXPECT_EQ(FailureAdvice(TMailFailure::LoginRefused,
                          "535 Login Fail. Please enter your authorization code to login.",
                          "smtp.relay.example"),
            kAuthorizationCodeAdvice);
  // "请使用授权码登录" as QQ sends it (GBK) and in UTF-8.
  EXPECT_EQ(
      FailureAdvice(TMailFailure::LoginRefused,
                    "535 Error: \xC7\xEB\xCA\xB9\xD3\xC3\xCA\xDA\xC8\xA8\xC2\xEB\xB5\xC7\xC2\xBC",
                    "smtp.qq.com"),
      kAuthorizationCodeAdvice);
  EXPECT_EQ(FailureAdvice(TMailFailure::ServerError, "535 请使用授权码登录", "smtp.qq.com"),
            kAuthorizationCodeAdvice);
  // The NetEase family answers a mailbox password with the generic text.
  for (const char* host : {"smtp.163.com", "smtp.126.com", "SMTP.YEAH.NET.", "163.com"}) {
    EXPECT_EQ(FailureAdvice(TMailFailure::LoginRefused, "535 Error: authentication failed", host),
              kAuthorizationCodeAdvice)
        << host;
  }
  EXPECT_EQ(FailureAdvice(TMailFailure::LoginRefused,
                          "-ERR Unsafe Login. Please contact kefu@188.com for help", "pop.163.com"),
            kAuthorizationCodeAdvice);
  // The same generic text from anybody else is only a wrong password.
  EXPECT_EQ(FailureAdvice(TMailFailure::LoginRefused, "535 Error: authentication failed",
                          "smtp.example.com"),
            none);
  EXPECT_EQ(FailureAdvice(TMailFailure::LoginRefused, "535 Error: authentication failed",
                          "mail.notqq.com"),
            none);
  // Failures that are no refused login get no login hint.
  EXPECT_EQ(FailureAdvice(TMailFailure::ConnectFailed, "", "smtp.qq.com"), none);
  EXPECT_EQ(FailureAdvice(TMailFailure::TimedOut, "authentication failed", "smtp.163.com"), none);
  EXPECT_EQ(FailureAdvice(TMailFailure::None, "", "smtp.qq.com"), none);
}

}  // namespace
