// Transcript tests of the SMTP client's session: greeting, EHLO/HELO, AUTH LOGIN, QUIT.
#include "maillib/RapSMTP.h"

#include <gtest/gtest.h>

#include "tests/maillib/SmtpTestUtil.h"

using maillib::TSmtpFailure;
using smtp_test::AuthLogin;
using smtp_test::Ehlo;
using smtp_test::GreetAndEhlo;
using smtp_test::Helo;
using smtp_test::kPassword;
using smtp_test::kPassword64;
using smtp_test::kUser64;
using smtp_test::LoggedIn;
using smtp_test::ScriptedTransport;
using smtp_test::SmtpTest;

using SmtpSession = SmtpTest;

TEST_F(SmtpSession, RefusedConnectionIsAConnectFailure) {
  ScriptedTransport& s = Script();
  s.RefuseConnect("connection refused");
  ScriptedTransport::Plug plug(s);
  EXPECT_FALSE(smtp.ConnectAndLogin());
  EXPECT_FALSE(smtp.IsConnected());
  EXPECT_TRUE(smtp.SocketError);
  EXPECT_EQ(smtp.LastFailure(), TSmtpFailure::ConnectFailed);
  EXPECT_EQ(smtp.LastFailureText(), "connection refused");
}

TEST_F(SmtpSession, RefusedGreetingIsAServerErrorWithItsCode) {
  ScriptedTransport& s = Script();
  s.Server("554 no service for you\r\n");
  ScriptedTransport::Plug plug(s);
  EXPECT_FALSE(smtp.ConnectAndLogin());
  EXPECT_TRUE(s.Done()) << s.Mismatch();
  EXPECT_TRUE(s.ClosedByClient());
  EXPECT_FALSE(smtp.IsConnected());
  EXPECT_TRUE(smtp.ReplyError);
  EXPECT_FALSE(smtp.SocketError);
  EXPECT_EQ(smtp.LastFailure(), TSmtpFailure::ServerError);
  EXPECT_EQ(smtp.LastReplyCode, 554);
  EXPECT_EQ(Logged("error"), std::vector<std::string>{"error 554 554 no service for you"});
}

TEST_F(SmtpSession, EhloWithCapabilitiesThenAuthLogin) {
  ScriptedTransport& s = Script();
  LoggedIn(s);
  ScriptedTransport::Plug plug(s);
  ASSERT_TRUE(smtp.ConnectAndLogin()) << smtp.LastFailureText();
  EXPECT_TRUE(s.Done()) << s.Mismatch();
  EXPECT_TRUE(smtp.IsConnected());
  EXPECT_EQ(smtp.LastFailure(), TSmtpFailure::None);
  EXPECT_EQ(smtp.LastReplyCode, 235);
  EXPECT_EQ(s.Target().Host, "mx.example.cn");
  EXPECT_EQ(s.Target().Port, 25);
  EXPECT_FALSE(s.Target().Tls);
  EXPECT_EQ(Logged("< 250-"), std::vector<std::string>{
                                  "< 250-mx.example.cn\r\n250-AUTH LOGIN PLAIN\r\n250 8BITMIME"});
}

TEST_F(SmtpSession, MultiLineReplyMayArriveByteByByte) {
  ScriptedTransport& s = Script();
  LoggedIn(s).ChunkSize(1);
  ScriptedTransport::Plug plug(s);
  EXPECT_TRUE(smtp.ConnectAndLogin()) << smtp.LastFailureText();
  EXPECT_TRUE(s.Done()) << s.Mismatch();
}

TEST_F(SmtpSession, RefusedEhloIsTriedAgainOnANewConnectionWithTheLocalPart) {
  ScriptedTransport& first = Script();
  ScriptedTransport& second = Script();
  first.Server("220 mx\r\n").Client(Ehlo()).Server("501 bad host name\r\n");
  second.Server("220 mx\r\n").Client("EHLO zhang\r\n").Server("250-mx\r\n250 AUTH=LOGIN\r\n");
  AuthLogin(second, kUser64, "235 ok\r\n");
  ScriptedTransport::Plug plug({&first, &second});
  EXPECT_TRUE(smtp.ConnectAndLogin()) << smtp.LastFailureText();
  EXPECT_TRUE(first.Done()) << first.Mismatch();
  EXPECT_TRUE(first.ClosedByClient());
  EXPECT_TRUE(second.Done()) << second.Mismatch();
  EXPECT_TRUE(smtp.MustVerify);
}

TEST_F(SmtpSession, EhloRefusedTwiceFallsBackToHeloWithoutAuthentication) {
  ScriptedTransport& first = Script();
  ScriptedTransport& second = Script();
  first.Server("220 mx\r\n").Client(Ehlo()).Server("502 unknown command\r\n");
  second.Server("220 mx\r\n")
      .Client("EHLO zhang\r\n")
      .Server("502 unknown command\r\n")
      .Client(Helo())
      .Server("250 mx\r\n");
  ScriptedTransport::Plug plug({&first, &second});
  EXPECT_TRUE(smtp.ConnectAndLogin()) << smtp.LastFailureText();
  EXPECT_TRUE(second.Done()) << second.Mismatch();
  EXPECT_FALSE(smtp.MustVerify);
  EXPECT_TRUE(Logged("error").empty());
}

TEST_F(SmtpSession, HeloWithoutVerificationTriesTheLocalPartNext) {
  smtp.MustVerify = false;
  ScriptedTransport& s = Script();
  s.Server("220 mx\r\n")
      .Client(Helo())
      .Server("501 who are you\r\n")
      .Client("HELO zhang\r\n")
      .Server("250 mx\r\n");
  ScriptedTransport::Plug plug(s);
  EXPECT_TRUE(smtp.ConnectAndLogin()) << smtp.LastFailureText();
  EXPECT_TRUE(s.Done()) << s.Mismatch();
}

TEST_F(SmtpSession, RefusedHeloEndsTheSession) {
  smtp.MustVerify = false;
  ScriptedTransport& s = Script();
  s.Server("220 mx\r\n")
      .Client(Helo())
      .Server("501 no\r\n")
      .Client("HELO zhang\r\n")
      .Server("550 go away\r\n");
  ScriptedTransport::Plug plug(s);
  EXPECT_FALSE(smtp.ConnectAndLogin());
  EXPECT_TRUE(s.ClosedByClient());
  EXPECT_EQ(smtp.LastFailure(), TSmtpFailure::ServerError);
  EXPECT_EQ(Logged("error"), std::vector<std::string>{"error 550 550 go away"});
}

TEST_F(SmtpSession, NoAuthOfferedLogsInWithoutAuthentication) {
  ScriptedTransport& s = Script();
  GreetAndEhlo(s, "250-SIZE 10240000\r\n");
  ScriptedTransport::Plug plug(s);
  EXPECT_TRUE(smtp.ConnectAndLogin()) << smtp.LastFailureText();
  EXPECT_TRUE(s.Done()) << s.Mismatch();
  EXPECT_TRUE(smtp.IsConnected());
}

TEST_F(SmtpSession, RefusedPasswordRetriesWithTheLocalPartThenReportsTheRefusal) {
  ScriptedTransport& s = Script();
  GreetAndEhlo(s);
  AuthLogin(s, kUser64, "535 authentication failed\r\n");
  AuthLogin(s, maillib::Base64EncodeStr("zhang"), "535 authentication failed\r\n");
  ScriptedTransport::Plug plug(s);
  std::string seenUser, seenPassword;
  smtp.OnErrorPassword = [&](maillib::TRapSMTP&, std::string& user, std::string& pass, bool&) {
    seenUser = user;
    seenPassword = pass;
  };
  EXPECT_FALSE(smtp.ConnectAndLogin());
  EXPECT_TRUE(s.Done()) << s.Mismatch();
  EXPECT_TRUE(s.ClosedByClient());
  EXPECT_FALSE(smtp.IsConnected());
  EXPECT_TRUE(smtp.ReplyError);
  EXPECT_EQ(smtp.LastFailure(), TSmtpFailure::LoginRefused);
  EXPECT_EQ(smtp.LastReplyCode, 535);
  EXPECT_EQ(smtp.LastFailureText(), "535 authentication failed");
  EXPECT_EQ(seenUser, kUser64);
  EXPECT_EQ(seenPassword, kPassword64);
  EXPECT_TRUE(Logged("error").empty());  // a refused password goes to OnErrorPassword only
}

TEST_F(SmtpSession, UserNameWithoutAtIsRetriedAsTheEmailAddress) {
  smtp.VerifyUserID = maillib::Base64EncodeStr("zhang");
  ScriptedTransport& s = Script();
  GreetAndEhlo(s);
  AuthLogin(s, maillib::Base64EncodeStr("zhang"), "535 no\r\n");
  AuthLogin(s, kUser64, "235 ok\r\n");
  ScriptedTransport::Plug plug(s);
  EXPECT_TRUE(smtp.ConnectAndLogin()) << smtp.LastFailureText();
  EXPECT_TRUE(s.Done()) << s.Mismatch();
  EXPECT_FALSE(smtp.ReplyError);
}

TEST_F(SmtpSession, PasswordHandlerCanSupplyNewCredentialsForAnotherLogin) {
  const std::string newPassword64 = maillib::Base64EncodeStr("better");
  ScriptedTransport& first = Script();
  ScriptedTransport& second = Script();
  GreetAndEhlo(first);
  AuthLogin(first, kUser64, "535 no\r\n");
  AuthLogin(first, maillib::Base64EncodeStr("zhang"), "535 no\r\n");
  GreetAndEhlo(second);
  AuthLogin(second, kUser64, "235 ok\r\n", newPassword64);
  ScriptedTransport::Plug plug({&first, &second});
  int asked = 0;
  smtp.OnErrorPassword = [&](maillib::TRapSMTP&, std::string&, std::string& pass, bool& ok) {
    ++asked;
    pass = newPassword64;
    ok = true;
  };
  EXPECT_TRUE(smtp.ConnectAndLogin()) << smtp.LastFailureText();
  EXPECT_EQ(asked, 1);
  EXPECT_TRUE(first.Done()) << first.Mismatch();
  EXPECT_TRUE(second.Done()) << second.Mismatch();
}

TEST_F(SmtpSession, PasswordHandlerThatAlwaysRetriesIsBounded) {
  std::vector<ScriptedTransport*> scripts;
  for (int i = 0; i <= maillib::TRapSMTP::kMaxPasswordRetries; ++i) {
    ScriptedTransport& s = *scripts.emplace_back(&Script());
    GreetAndEhlo(s);
    AuthLogin(s, kUser64, "535 no\r\n");
    AuthLogin(s, maillib::Base64EncodeStr("zhang"), "535 no\r\n");
  }
  ScriptedTransport::Plug plug(
      {scripts[0], scripts[1], scripts[2], scripts[3], scripts[4], scripts[5]});
  int asked = 0;
  smtp.OnErrorPassword = [&](maillib::TRapSMTP&, std::string&, std::string&, bool& ok) {
    ++asked;
    ok = true;
  };
  EXPECT_FALSE(smtp.ConnectAndLogin());
  EXPECT_EQ(asked, maillib::TRapSMTP::kMaxPasswordRetries + 1);
  EXPECT_EQ(smtp.LastFailure(), TSmtpFailure::LoginRefused);
}

TEST_F(SmtpSession, RefusedAuthLoginFallsBackToTheOfferedMechanism) {
  ScriptedTransport& s = Script();
  GreetAndEhlo(s, "250-AUTH PLAIN LOGIN\r\n")
      .Client("AUTH LOGIN\r\n")
      .Server("504 unrecognized\r\n")
      .Client("AUTH PLAIN\r\n")
      .Server("334 \r\n")
      .Client(kUser64 + "\r\n")
      .Server("334 \r\n")
      .Client(kPassword64 + "\r\n")
      .Server("235 ok\r\n");
  ScriptedTransport::Plug plug(s);
  EXPECT_TRUE(smtp.ConnectAndLogin()) << smtp.LastFailureText();
  EXPECT_TRUE(s.Done()) << s.Mismatch();
}

TEST_F(SmtpSession, NoAcceptedMechanismIsAServerError) {
  ScriptedTransport& s = Script();
  GreetAndEhlo(s, "250-AUTH CRAM-MD5\r\n")
      .Client("AUTH LOGIN\r\n")
      .Server("504 unrecognized\r\n")
      .Client("AUTH CRAM-MD5\r\n")
      .Server("504 not now\r\n");
  ScriptedTransport::Plug plug(s);
  EXPECT_FALSE(smtp.ConnectAndLogin());
  EXPECT_TRUE(s.Done()) << s.Mismatch();
  EXPECT_EQ(smtp.LastFailure(), TSmtpFailure::ServerError);
  EXPECT_EQ(Logged("error"), std::vector<std::string>{"error 504 504 not now"});
  EXPECT_FALSE(smtp.IsConnected());
}

TEST_F(SmtpSession, TracesNeverShowThePassword) {
  ScriptedTransport& s = Script();
  LoggedIn(s);
  ScriptedTransport::Plug plug(s);
  ASSERT_TRUE(smtp.ConnectAndLogin());
  EXPECT_NE(s.Sent().find(kPassword64 + "\r\n"), std::string::npos);  // the socket gets it
  EXPECT_EQ(Logged("> ****").size(), 1u);
  for (const std::string& entry : log) {
    EXPECT_EQ(entry.find(kPassword64), std::string::npos) << entry;
    EXPECT_EQ(entry.find(kPassword), std::string::npos) << entry;
  }
}

TEST_F(SmtpSession, ConnectionClosedDuringLoginIsALostConnection) {
  ScriptedTransport& s = Script();
  GreetAndEhlo(s).Client("AUTH LOGIN\r\n").ServerCloses();
  ScriptedTransport::Plug plug(s);
  EXPECT_FALSE(smtp.ConnectAndLogin());
  EXPECT_TRUE(smtp.SocketError);
  EXPECT_FALSE(smtp.IsConnected());
  EXPECT_EQ(smtp.LastFailure(), TSmtpFailure::ConnectionLost);
}

TEST_F(SmtpSession, Port465MeansImplicitTls) {
  smtp.Port = 465;
  ScriptedTransport& s = Script();
  LoggedIn(s);
  ScriptedTransport::Plug plug(s);
  EXPECT_TRUE(smtp.ConnectAndLogin());
  EXPECT_TRUE(s.Target().Tls);
  EXPECT_EQ(s.Target().Port, 465);
}

TEST_F(SmtpSession, QuitSendsQuitAndCloses) {
  ScriptedTransport& s = Script();
  LoggedIn(s).Client("QUIT\r\n");
  ScriptedTransport::Plug plug(s);
  int quits = 0;
  smtp.OnQuit = [&](maillib::TRapSMTP&) { ++quits; };
  ASSERT_TRUE(smtp.ConnectAndLogin());
  smtp.Quit();
  EXPECT_TRUE(s.Done()) << s.Mismatch();
  EXPECT_TRUE(s.ClosedByClient());
  EXPECT_FALSE(smtp.IsConnected());
  EXPECT_TRUE(smtp.Cancel);
  EXPECT_EQ(quits, 1);
  smtp.Quit();  // nothing more is sent on a closed client
  EXPECT_TRUE(s.Done()) << s.Mismatch();
}

TEST_F(SmtpSession, LoginAfterQuitStartsAFreshSession) {
  ScriptedTransport& first = Script();
  ScriptedTransport& second = Script();
  LoggedIn(first).Client("QUIT\r\n");
  LoggedIn(second);
  ScriptedTransport::Plug plug({&first, &second});
  ASSERT_TRUE(smtp.ConnectAndLogin());
  smtp.Quit();
  EXPECT_TRUE(smtp.ConnectAndLogin()) << smtp.LastFailureText();
  EXPECT_TRUE(second.Done()) << second.Mismatch();
}
