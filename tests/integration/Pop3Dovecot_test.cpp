// The POP3 client against a real Dovecot on loopback: logins, every command, and messages whose
// bytes must come back exactly.
#include <gtest/gtest.h>

#include <chrono>

#include "tests/integration/Messages.h"
#include "tests/integration/PopClient.h"

namespace integration {
namespace {

using maillib::TPopFailure;
using maillib::TRapMsg;

TEST(Pop3Dovecot, LoginAcceptedThenRefusedWithWrongPassword) {
  REQUIRE_SERVERS(servers);
  LoadMailbox("box01", {MakeMessage("login-1", 300), MakeMessage("login-2", 500)});
  auto good = MakePop(*servers, "box01");
  ASSERT_TRUE(good->pop->ConnectAndLogin()) << good->pop->LastFailureText();
  EXPECT_EQ(good->pop->MessageCount, 2);
  // CAPA and STLS come first: Dovecot's plain port offers TLS. The trace never shows the password.
  EXPECT_EQ(good->sent.at(1), "STLS");
  EXPECT_EQ(good->sent.at(3), "PASS ****");
  good->pop->Quit();

  auto bad = MakePop(*servers, "box01");
  bad->pop->UserPasswd = "wrong";
  int refusals = 0;
  bad->pop->OnErrorPassword = [&](maillib::TRapPOP&, std::string&, std::string&, bool&) {
    ++refusals;
  };
  EXPECT_FALSE(bad->pop->ConnectAndLogin());
  EXPECT_EQ(bad->pop->LastFailure(), TPopFailure::LoginRefused);
  EXPECT_NE(bad->pop->LastFailureText().find("-ERR"), std::string::npos)
      << bad->pop->LastFailureText();
  EXPECT_EQ(refusals, 1);
  EXPECT_FALSE(bad->pop->IsConnected());
}

TEST(Pop3Dovecot, RefusedPasswordReplacedByHandlerLogsIn) {
  REQUIRE_SERVERS(servers);
  LoadMailbox("box02", {MakeMessage("retry", 100)});
  auto session = MakePop(*servers, "box02");
  session->pop->UserPasswd = "wrong";
  session->pop->OnErrorPassword = [&](maillib::TRapPOP&, std::string&, std::string& password,
                                      bool& handled) {
    password = servers->pop3Password;
    handled = true;
  };
  ASSERT_TRUE(session->pop->ConnectAndLogin()) << session->pop->LastFailureText();
  EXPECT_EQ(session->pop->MessageCount, 1);
  session->pop->Quit();
}

TEST(Pop3Dovecot, ApopWithTheGreetingStamp) {
  REQUIRE_SERVERS(servers);
  LoadMailbox("box03", {MakeMessage("apop", 100)});
  auto session = MakePop(*servers, "box03");
  session->pop->IsAPOP = true;
  ASSERT_TRUE(session->pop->ConnectAndLogin()) << session->pop->LastFailureText();
  ASSERT_NE(session->pop->Greeting.find('<'), std::string::npos) << session->pop->Greeting;
  EXPECT_EQ(session->sent.at(2), "APOP box03 ****");  // after CAPA and STLS
  EXPECT_EQ(session->pop->MessageCount, 1);
  session->pop->Quit();

  auto bad = MakePop(*servers, "box03");
  bad->pop->IsAPOP = true;
  bad->pop->UserPasswd = "wrong";
  EXPECT_FALSE(bad->pop->ConnectAndLogin());
  EXPECT_EQ(bad->pop->LastFailure(), TPopFailure::LoginRefused);
}

TEST(Pop3Dovecot, StatListTopRetrGiveTheExactBytes) {
  REQUIRE_SERVERS(servers);
  const std::vector<std::string> messages = {
      MakeMessage("exact-1", 200), MakeMessage("exact-2", 20000), MakeMessage("exact-3", 3000)};
  LoadMailbox("box04", messages);
  auto session = MakePop(*servers, "box04");
  maillib::TRapPOP& pop = *session->pop;
  ASSERT_TRUE(pop.ConnectAndLogin()) << pop.LastFailureText();
  ASSERT_EQ(pop.MessageCount, 3);

  maillib::StringList list;
  ASSERT_TRUE(pop.List(list));
  ASSERT_EQ(list.size(), 3u);
  for (std::size_t i = 0; i < messages.size(); ++i) {
    const int n = static_cast<int>(i + 1);
    EXPECT_EQ(list[i], std::to_string(n) + " " + std::to_string(messages[i].size()));
    EXPECT_EQ(pop.MessageSize(n), static_cast<long long>(messages[i].size()));

    TRapMsg headers;
    ASSERT_TRUE(pop.Retrieve(n, true, headers)) << pop.LastFailureText();
    EXPECT_EQ(JoinCrLf(headers.RawLines), HeaderBlock(messages[i]) + "\r\n");

    TRapMsg whole;
    ASSERT_TRUE(pop.Retrieve(n, false, whole)) << pop.LastFailureText();
    EXPECT_EQ(JoinCrLf(whole.RawLines), messages[i]) << "message " << n;
  }
  pop.Quit();
}

TEST(Pop3Dovecot, DeleteTakesEffectOnlyAfterQuit) {
  REQUIRE_SERVERS(servers);
  const std::vector<std::string> messages = {MakeMessage("dele-1", 100), MakeMessage("dele-2", 100),
                                             MakeMessage("dele-3", 100)};
  LoadMailbox("box05", messages);
  {
    auto dropped = MakePop(*servers, "box05");
    ASSERT_TRUE(dropped->pop->ConnectAndLogin());
    EXPECT_TRUE(dropped->pop->Delete(1));
  }  // closed without QUIT: the server must keep the message
  auto session = MakePop(*servers, "box05");
  ASSERT_TRUE(session->pop->ConnectAndLogin());
  ASSERT_EQ(session->pop->MessageCount, 3);
  int deleted = 0;
  session->pop->OnDelete = [&](maillib::TRapPOP&, int n) { deleted = n; };
  EXPECT_TRUE(session->pop->Delete(2));
  EXPECT_EQ(deleted, 2);
  EXPECT_FALSE(session->pop->Delete(2));  // already deleted: the server says -ERR
  session->pop->Quit();

  auto after = MakePop(*servers, "box05");
  ASSERT_TRUE(after->pop->ConnectAndLogin());
  ASSERT_EQ(after->pop->MessageCount, 2);
  TRapMsg second;
  ASSERT_TRUE(after->pop->Retrieve(2, false, second));
  EXPECT_EQ(JoinCrLf(second.RawLines), messages[2]);
  after->pop->Quit();
}

TEST(Pop3Dovecot, RetrieveOfAMissingMessageFails) {
  REQUIRE_SERVERS(servers);
  LoadMailbox("box06", {MakeMessage("missing", 100)});
  auto session = MakePop(*servers, "box06");
  ASSERT_TRUE(session->pop->ConnectAndLogin());
  TRapMsg msg;
  EXPECT_FALSE(session->pop->Retrieve(7, false, msg));
  EXPECT_TRUE(msg.RawLines.empty());
  EXPECT_NE(session->pop->LastFailure(), TPopFailure::None);
  EXPECT_FALSE(session->pop->Delete(7));
  TRapMsg first;  // the session is still usable
  EXPECT_TRUE(session->pop->Retrieve(1, false, first));
  session->pop->Quit();
}

TEST(Pop3Dovecot, LongLinesComeBackExactlyAndTheSessionStaysInStep) {
  REQUIRE_SERVERS(servers);
  // Lines longer than the client's line pieces, each followed by lines that a piece of it
  // could be taken for: the end of the message, a stuffed dot, a forged reply.
  const std::string longLines = "From: a@example.com\r\nSubject: long lines\r\n\r\n" +
                                std::string(20 * 1024, 'a') + ".\r\n.\r\n..\r\n" +
                                std::string(1 << 20, 'b') + ".\r\n..\r\n.\r\n+OK fake\r\n" + "." +
                                std::string(16384, 'c') + "..\r\nend\r\n";
  const std::vector<std::string> messages = {longLines, MakeMessage("after-long", 300)};
  LoadMailbox("box09", messages);
  auto session = MakePop(*servers, "box09");
  maillib::TRapPOP& pop = *session->pop;
  ASSERT_TRUE(pop.ConnectAndLogin()) << pop.LastFailureText();
  ASSERT_EQ(pop.MessageCount, 2);
  TRapMsg first;
  ASSERT_TRUE(pop.Retrieve(1, false, first)) << pop.LastFailureText();
  EXPECT_TRUE(JoinCrLf(first.RawLines) == longLines) << "the message came back changed";
  TRapMsg second;
  ASSERT_TRUE(pop.Retrieve(2, false, second)) << pop.LastFailureText();
  EXPECT_EQ(JoinCrLf(second.RawLines), messages[1]);
  EXPECT_TRUE(pop.Delete(1)) << pop.LastFailureText();
  EXPECT_FALSE(pop.Delete(1));  // the server's own answer: already deleted
  pop.Quit();
  EXPECT_EQ(MailboxCount("box09", 1), 1u);
}

TEST(Pop3Dovecot, ThousandMessagesInOneSession) {
  REQUIRE_SERVERS(servers);
  std::vector<std::string> messages;
  for (int i = 0; i < 1000; ++i)
    messages.push_back(MakeMessage("k" + std::to_string(i), 2000));
  LoadMailbox("box07", messages);
  auto session = MakePop(*servers, "box07");
  maillib::TRapPOP& pop = *session->pop;
  ASSERT_TRUE(pop.ConnectAndLogin());
  ASSERT_EQ(pop.MessageCount, 1000);
  for (int n = 1; n <= 1000; ++n) {
    TRapMsg msg;
    ASSERT_TRUE(pop.Retrieve(n, false, msg)) << n << ": " << pop.LastFailureText();
    ASSERT_EQ(JoinCrLf(msg.RawLines), messages[n - 1]) << "message " << n;
  }
  for (int n = 1; n <= 1000; ++n)
    ASSERT_TRUE(pop.Delete(n)) << n;
  pop.Quit();
  EXPECT_EQ(MailboxCount("box07", 0), 0u);
}

TEST(Pop3Dovecot, TwentyFiveMegabyteMessage) {
  REQUIRE_SERVERS(servers);
  const std::string big = MakeMessage("big", 25u << 20);
  LoadMailbox("box08", {big});
  auto session = MakePop(*servers, "box08");
  maillib::TRapPOP& pop = *session->pop;
  std::int64_t reported = 0;
  pop.OnRecvRawMailInByte = [&](maillib::TRapPOP&, std::int64_t bytes) { reported += bytes; };
  ASSERT_TRUE(pop.ConnectAndLogin());
  EXPECT_EQ(pop.MessageSize(1), static_cast<long long>(big.size()));
  TRapMsg msg;
  ASSERT_TRUE(pop.Retrieve(1, false, msg)) << pop.LastFailureText();
  EXPECT_TRUE(JoinCrLf(msg.RawLines) == big) << "the 25 MB message came back changed";
  EXPECT_GE(reported, static_cast<std::int64_t>(big.size()));
  pop.Quit();
}

}  // namespace
}  // namespace integration
