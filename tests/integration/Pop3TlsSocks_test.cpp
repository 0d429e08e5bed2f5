// The POP3 client's other ways to Dovecot: implicit TLS with the test authority trusted or not,
// and SOCKS 5 (with and without a password) and SOCKS 4 through Dante.
#include <gtest/gtest.h>

#include "tests/integration/Messages.h"
#include "tests/integration/PopClient.h"

namespace integration {
namespace {

using maillib::TPopFailure;
using maillib::TRapMsg;

// Logs in, checks STAT and that message 1 arrives byte for byte, quits.
void ExpectWorkingSession(PopSession& session, const std::string& message) {
  maillib::TRapPOP& pop = *session.pop;
  ASSERT_TRUE(pop.ConnectAndLogin()) << pop.LastFailureText();
  EXPECT_EQ(pop.MessageCount, 1);
  TRapMsg msg;
  ASSERT_TRUE(pop.Retrieve(1, false, msg)) << pop.LastFailureText();
  EXPECT_EQ(JoinCrLf(msg.RawLines), message);
  pop.Quit();
}

void UseSocks(PopSession& session, maillib::TSocksVersion version, int port) {
  maillib::TSocksInfo& socks = session.pop->TCPClient().IdSocksInfo;
  socks.Version = version;
  socks.Host = "127.0.0.1";
  socks.Port = port;
}

TEST(Pop3Tls, ImplicitTlsWithTheTestAuthorityTrusted) {
  REQUIRE_SERVERS(servers);
  const std::string message = MakeMessage("tls", 5000);
  LoadMailbox("box10", {message});
  TrustTestCa(true);
  auto session = MakePop(*servers, "box10", true);
  ExpectWorkingSession(*session, message);
}

TEST(Pop3Tls, UntrustedCertificateRefusesTheConnection) {
  REQUIRE_SERVERS(servers);
  LoadMailbox("box11", {MakeMessage("untrusted", 100)});
  TrustTestCa(false);
  auto session = MakePop(*servers, "box11", true);
  EXPECT_FALSE(session->pop->ConnectAndLogin());
  EXPECT_EQ(session->pop->LastFailure(), TPopFailure::CertificateRejected);
  EXPECT_TRUE(session->sent.empty()) << "nothing may be sent over an unverified connection";
}

TEST(Pop3Tls, PlainClientOnTheTlsPortFailsWithinTheTimeOut) {
  REQUIRE_SERVERS(servers);
  auto session = MakePop(*servers, "box11");
  session->pop->Port = servers->pop3sPort;
  session->pop->TimeOut = 3000;
  EXPECT_FALSE(session->pop->ConnectAndLogin());
  EXPECT_NE(session->pop->LastFailure(), TPopFailure::None);
}

TEST(Pop3Socks, Socks5WithoutAuthentication) {
  REQUIRE_SERVERS(servers);
  const std::string message = MakeMessage("socks5", 3000);
  LoadMailbox("box12", {message});
  auto session = MakePop(*servers, "box12");
  UseSocks(*session, maillib::svSocks5, servers->socksPort);
  ExpectWorkingSession(*session, message);
}

TEST(Pop3Socks, Socks5ByHostNameAndTls) {
  REQUIRE_SERVERS(servers);
  const std::string message = MakeMessage("socks5-tls", 3000);
  LoadMailbox("box13", {message});
  TrustTestCa(true);
  auto session = MakePop(*servers, "box13", true);  // "localhost", resolved by the proxy
  UseSocks(*session, maillib::svSocks5, servers->socksPort);
  ExpectWorkingSession(*session, message);
}

TEST(Pop3Socks, Socks4) {
  REQUIRE_SERVERS(servers);
  const std::string message = MakeMessage("socks4", 3000);
  LoadMailbox("box14", {message});
  auto session = MakePop(*servers, "box14");
  UseSocks(*session, maillib::svSocks4, servers->socksPort);
  ExpectWorkingSession(*session, message);
}

TEST(Pop3Socks, Socks5WithUserAndPassword) {
  REQUIRE_SERVERS(servers);
  if (servers->socksAuthPort == 0) GTEST_SKIP() << "needs root to make the SOCKS account";
  const std::string message = MakeMessage("socks5-auth", 3000);
  LoadMailbox("box15", {message});
  auto session = MakePop(*servers, "box15");
  UseSocks(*session, maillib::svSocks5, servers->socksAuthPort);
  maillib::TSocksInfo& socks = session->pop->TCPClient().IdSocksInfo;
  socks.Authentication = maillib::saUsernamePassword;
  socks.UserName = servers->socksUser;
  socks.Password = servers->socksPassword;
  ExpectWorkingSession(*session, message);

  auto refused = MakePop(*servers, "box15");
  UseSocks(*refused, maillib::svSocks5, servers->socksAuthPort);
  maillib::TSocksInfo& wrong = refused->pop->TCPClient().IdSocksInfo;
  wrong.Authentication = maillib::saUsernamePassword;
  wrong.UserName = servers->socksUser;
  wrong.Password = "wrong";
  EXPECT_FALSE(refused->pop->ConnectAndLogin());
  EXPECT_EQ(refused->pop->LastFailure(), TPopFailure::ConnectFailed);
}

}  // namespace
}  // namespace integration
