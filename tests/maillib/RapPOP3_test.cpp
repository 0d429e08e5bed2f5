// Transcript tests of the POP3 client: the server's lines are scripted, the client's lines are
// checked byte for byte, and nothing else may be sent.
#include "maillib/RapPOP3.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "maillib/Pop3Reply.h"
#include "tests/maillib/ScriptedTransport.h"

namespace maillib {
namespace {

using test::ScriptedTransport;

ScriptedTransport& LogIn(ScriptedTransport& s, const std::string& user = "bob",
                         const std::string& pass = "secret") {
  return s.Server("+OK ready\r\n")
      .Client("CAPA\r\n")
      .Server("-ERR unknown command\r\n")
      .Client("USER " + user + "\r\n")
      .Server("+OK\r\n")
      .Client("PASS " + pass + "\r\n")
      .Server("+OK logged in\r\n");
}

class Pop3Transcript : public ::testing::Test {
 protected:
  void SetUp() override {
    pop.Host = "127.0.0.1";
    pop.UserId = "bob";
    pop.UserPasswd = "secret";
    pop.TimeOut = 2000;
    pop.TCPClient().SetTransportFactory(&ScriptedTransport::Factory, &ScriptedTransport::Upgrade);
    pop.OnSendTextToSocket = [this](TRapPOP&, const std::string& s) { trace.push_back("> " + s); };
    pop.OnReceiveTextFromSocket = [this](TRapPOP&, const std::string& s) {
      trace.push_back("< " + s);
    };
    pop.OnError = [this](TRapPOP&, int code, const std::string& msg) {
      trace.push_back("error " + std::to_string(code) + " " + msg);
    };
  }

  // Connects and logs in as bob with the first script, which must begin with LogIn.
  void Open() {
    ASSERT_TRUE(pop.Connect()) << first.Mismatch();
    ASSERT_TRUE(pop.Login()) << first.Mismatch();
    trace.clear();
  }

  void ExpectPlayed(const ScriptedTransport& s) { EXPECT_TRUE(s.Done()) << s.Mismatch(); }

  // Scripts outlive the client, which holds an end of them.
  ScriptedTransport first;
  ScriptedTransport second;
  std::vector<std::string> trace;
  TRapPOP pop;
};

// ---- connecting ----

TEST_F(Pop3Transcript, ConnectReadsTheGreeting) {
  first.Server("+OK POP3 server ready\r\n");
  ScriptedTransport::Plug plug(first);
  int connects = 0;
  pop.OnConnect = [&](TRapPOP&) { ++connects; };
  ASSERT_TRUE(pop.Connect());
  EXPECT_TRUE(pop.IsConnected());
  EXPECT_EQ(connects, 1);
  EXPECT_EQ(pop.Greeting, "+OK POP3 server ready");
  EXPECT_EQ(pop.LastReplyCode, "+OK");
  EXPECT_EQ(trace, (std::vector<std::string>{"< +OK POP3 server ready"}));
  ExpectPlayed(first);
}

TEST_F(Pop3Transcript, ChattyGreetingIsReadUpToItsCodeLine) {
  first.Server("Welcome to the mail service\r\n+OK ready <9@host>\r\n");
  ScriptedTransport::Plug plug(first);
  ASSERT_TRUE(pop.Connect());
  EXPECT_EQ(pop.Greeting, "Welcome to the mail service\r\n+OK ready <9@host>");
  EXPECT_EQ(ApopStamp(pop.Greeting), "");  // the stamp must be on the first line
  ExpectPlayed(first);
}

TEST_F(Pop3Transcript, RefusedConnectionIsConnectFailed) {
  first.RefuseConnect("connection refused");
  ScriptedTransport::Plug plug(first);
  EXPECT_FALSE(pop.ConnectAndLogin());
  EXPECT_FALSE(pop.IsConnected());
  EXPECT_TRUE(pop.SocketError);
  EXPECT_EQ(pop.LastFailure(), TPopFailure::ConnectFailed);
  EXPECT_EQ(pop.LastFailureText(), "connection refused");
}

TEST_F(Pop3Transcript, GreetingErrEndsTheSession) {
  first.Server("-ERR too many connections\r\n");
  ScriptedTransport::Plug plug(first);
  EXPECT_FALSE(pop.ConnectAndLogin());
  EXPECT_FALSE(pop.IsConnected());
  EXPECT_EQ(pop.LastFailure(), TPopFailure::ServerError);
  EXPECT_EQ(pop.LastFailureText(), "-ERR too many connections");
  EXPECT_TRUE(first.ClosedByClient());
  ExpectPlayed(first);
}

TEST_F(Pop3Transcript, SilentServerEndsByTimeOut) {
  first.ServerStalls();
  ScriptedTransport::Plug plug(first);
  EXPECT_FALSE(pop.Connect());
  EXPECT_EQ(pop.LastFailure(), TPopFailure::ConnectFailed);
  EXPECT_FALSE(pop.IsConnected());
}

// ---- logging in ----

TEST_F(Pop3Transcript, UserPassLoginThenStat) {
  LogIn(first).Client("STAT\r\n").Server("+OK 2 320\r\n");
  ScriptedTransport::Plug plug(first);
  ASSERT_TRUE(pop.ConnectAndLogin()) << first.Mismatch();
  EXPECT_EQ(pop.MessageCount, 2);
  EXPECT_EQ(pop.LastFailure(), TPopFailure::None);
  ExpectPlayed(first);
}

TEST_F(Pop3Transcript, StatOfAnEmptyMailbox) {
  LogIn(first).Client("STAT\r\n").Server("+OK 0 0\r\n");
  ScriptedTransport::Plug plug(first);
  ASSERT_TRUE(pop.ConnectAndLogin());
  EXPECT_EQ(pop.MessageCount, 0);
  ExpectPlayed(first);
}

TEST_F(Pop3Transcript, StatWithoutACountIsAProtocolErrorNotAnEmptyMailbox) {
  LogIn(first)
      .Client("STAT\r\n")
      .Server("+OK abc def\r\n")
      .Client("STAT\r\n")
      .Server("+OK\r\n")
      .Client("STAT\r\n")
      .Server("+OK -1 0\r\n")
      .Client("STAT\r\n")
      .Server("+OK 3 900\r\n");
  ScriptedTransport::Plug plug(first);
  EXPECT_FALSE(pop.ConnectAndLogin());
  EXPECT_EQ(pop.LastFailure(), TPopFailure::ProtocolError);
  EXPECT_NE(pop.LastFailureText().find("+OK abc def"), std::string::npos);
  EXPECT_EQ(pop.MessageCount, 0);
  EXPECT_FALSE(pop.Stat());
  EXPECT_EQ(pop.LastFailure(), TPopFailure::ProtocolError);
  EXPECT_FALSE(pop.Stat());
  // The dialogue stayed in step: the next answer is read as it stands.
  EXPECT_TRUE(pop.Stat());
  EXPECT_EQ(pop.MessageCount, 3);
  ExpectPlayed(first);
}

TEST_F(Pop3Transcript, StatErrIsAServerErrorReportedThroughOnError) {
  LogIn(first).Client("STAT\r\n").Server("-ERR mailbox locked\r\n");
  ScriptedTransport::Plug plug(first);
  EXPECT_FALSE(pop.ConnectAndLogin());
  EXPECT_EQ(pop.LastFailure(), TPopFailure::ServerError);
  EXPECT_EQ(pop.LastFailureText(), "-ERR mailbox locked");
  EXPECT_TRUE(pop.ReplyError);
  EXPECT_EQ(trace.back(), "error 0 -ERR mailbox locked");
  ExpectPlayed(first);
}

TEST_F(Pop3Transcript, RefusedPasswordIsLoginRefusedAndCloses) {
  first.Server("+OK ready\r\n")
      .Client("CAPA\r\n")
      .Server("-ERR unknown command\r\n")
      .Client("USER bob\r\n")
      .Server("+OK\r\n")
      .Client("PASS secret\r\n")
      .Server("-ERR [AUTH] authentication failed\r\n");
  ScriptedTransport::Plug plug(first);
  EXPECT_FALSE(pop.ConnectAndLogin());
  EXPECT_EQ(pop.LastFailure(), TPopFailure::LoginRefused);
  EXPECT_EQ(pop.LastFailureText(), "-ERR [AUTH] authentication failed");
  EXPECT_FALSE(pop.IsConnected());
  EXPECT_TRUE(first.ClosedByClient());
  ExpectPlayed(first);
}

TEST_F(Pop3Transcript, RefusedPasswordRetriesWithTheLocalPartThenAsksTheHandler) {
  pop.UserId = "bob@example.com";
  first.Server("+OK ready\r\n")
      .Client("CAPA\r\n")
      .Server("-ERR unknown command\r\n")
      .Client("USER bob@example.com\r\n")
      .Server("+OK\r\n")
      .Client("PASS secret\r\n")
      .Server("-ERR no\r\n")
      .Client("USER bob\r\n")
      .Server("+OK\r\n")
      .Client("PASS secret\r\n")
      .Server("-ERR no\r\n");
  LogIn(second, "bob@example.com", "right");
  ScriptedTransport::Plug plug({&first, &second});
  std::vector<std::string> asked;
  pop.OnErrorPassword = [&](TRapPOP& sender, std::string& user, std::string& pass, bool& handled) {
    asked.push_back(user + "/" + pass + (sender.IsConnected() ? " connected" : " closed"));
    pass = "right";
    handled = true;
  };
  ASSERT_TRUE(pop.Connect());
  ASSERT_TRUE(pop.Login()) << second.Mismatch();
  EXPECT_EQ(asked, (std::vector<std::string>{"bob@example.com/secret closed"}));
  EXPECT_EQ(pop.UserPasswd, "right");
  ExpectPlayed(first);
  ExpectPlayed(second);
}

TEST_F(Pop3Transcript, RefusedPasswordRetriesWithTheAddressWhenTheUserHasNoAt) {
  pop.EmailAddress = "bob@example.com";
  first.Server("+OK ready\r\n")
      .Client("CAPA\r\n")
      .Server("-ERR unknown command\r\n")
      .Client("USER bob\r\n")
      .Server("+OK\r\n")
      .Client("PASS secret\r\n")
      .Server("-ERR no\r\n")
      .Client("USER bob@example.com\r\n")
      .Server("+OK\r\n")
      .Client("PASS secret\r\n")
      .Server("+OK welcome\r\n");
  ScriptedTransport::Plug plug(first);
  ASSERT_TRUE(pop.Connect());
  EXPECT_TRUE(pop.Login());
  EXPECT_EQ(pop.UserId, "bob");  // the retry does not change the setting
  ExpectPlayed(first);
}

TEST_F(Pop3Transcript, UnhandledPasswordRefusalEndsTheLogin) {
  first.Server("+OK ready\r\n")
      .Client("CAPA\r\n")
      .Server("-ERR unknown command\r\n")
      .Client("USER bob\r\n")
      .Server("+OK\r\n")
      .Client("PASS secret\r\n")
      .Server("-ERR no\r\n");
  ScriptedTransport::Plug plug(first);
  int asked = 0;
  pop.OnErrorPassword = [&](TRapPOP&, std::string&, std::string&, bool&) { ++asked; };
  ASSERT_TRUE(pop.Connect());
  EXPECT_FALSE(pop.Login());
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(pop.LastFailure(), TPopFailure::LoginRefused);
  ExpectPlayed(first);
}

TEST_F(Pop3Transcript, PasswordRetriesAreBounded) {
  std::array<ScriptedTransport, TRapPOP::kMaxPasswordRetries + 1> scripts;
  for (ScriptedTransport& s : scripts) {
    s.Server("+OK ready\r\n")
        .Client("CAPA\r\n")
        .Server("-ERR unknown command\r\n")
        .Client("USER bob\r\n")
        .Server("+OK\r\n")
        .Client("PASS secret\r\n")
        .Server("-ERR no\r\n");
  }
  static_assert(TRapPOP::kMaxPasswordRetries == 5);
  ScriptedTransport::Plug plug(
      {&scripts[0], &scripts[1], &scripts[2], &scripts[3], &scripts[4], &scripts[5]});
  int asked = 0;
  pop.OnErrorPassword = [&](TRapPOP&, std::string&, std::string&, bool& handled) {
    ++asked;
    handled = true;
  };
  ASSERT_TRUE(pop.Connect());
  EXPECT_FALSE(pop.Login());
  EXPECT_EQ(asked, TRapPOP::kMaxPasswordRetries);
  for (const ScriptedTransport& s : scripts)
    ExpectPlayed(s);
}

TEST_F(Pop3Transcript, ApopWithAStampSendsTheDigest) {
  pop.IsAPOP = true;
  pop.UserId = "mrose";
  pop.UserPasswd = "tanstaaf";
  first.Server("+OK POP3 server ready <1896.697170952@dbc.mtview.ca.us>\r\n")
      .Client("CAPA\r\n")
      .Server("-ERR unknown command\r\n")
      .Client("APOP mrose c4c9334bac560ecc979e58001b3e22fb\r\n")
      .Server("+OK maildrop has 1 message (369 octets)\r\n")
      .Client("STAT\r\n")
      .Server("+OK 1 369\r\n");
  ScriptedTransport::Plug plug(first);
  ASSERT_TRUE(pop.ConnectAndLogin());
  EXPECT_EQ(trace[3], "> APOP mrose ****");  // after CAPA and its answer
  ExpectPlayed(first);
}

TEST_F(Pop3Transcript, ApopWithoutAStampLogsInWithUserPass) {
  pop.IsAPOP = true;
  LogIn(first);
  ScriptedTransport::Plug plug(first);
  ASSERT_TRUE(pop.Connect());
  EXPECT_TRUE(pop.Login());
  ExpectPlayed(first);
}

TEST_F(Pop3Transcript, RefusedApopGoesToThePasswordHandler) {
  pop.IsAPOP = true;
  first.Server("+OK ready <1.2@host>\r\n")
      .Client("CAPA\r\n")
      .Server("-ERR unknown command\r\n")
      .Client("APOP bob " + ApopDigest("<1.2@host>", "secret") + "\r\n")
      .Server("-ERR permission denied\r\n");
  ScriptedTransport::Plug plug(first);
  int asked = 0;
  pop.OnErrorPassword = [&](TRapPOP&, std::string&, std::string&, bool&) { ++asked; };
  ASSERT_TRUE(pop.Connect());
  EXPECT_FALSE(pop.Login());
  EXPECT_EQ(asked, 1);
  ExpectPlayed(first);
}

TEST_F(Pop3Transcript, TracesNeverShowThePassword) {
  pop.UserId = "bob@example.com";
  first.Server("+OK ready\r\n")
      .Client("CAPA\r\n")
      .Server("-ERR unknown command\r\n")
      .Client("USER bob@example.com\r\n")
      .Server("+OK\r\n")
      .Client("PASS secret\r\n")
      .Server("-ERR no\r\n")
      .Client("USER bob\r\n")
      .Server("+OK\r\n")
      .Client("PASS secret\r\n")
      .Server("-ERR no\r\n");
  ScriptedTransport::Plug plug(first);
  EXPECT_FALSE(pop.ConnectAndLogin());
  EXPECT_NE(first.Sent().find("PASS secret"), std::string::npos);  // the socket gets it
  for (const std::string& line : trace)
    EXPECT_EQ(line.find("secret"), std::string::npos) << line;
  EXPECT_EQ(pop.LastFailureText().find("secret"), std::string::npos);
  EXPECT_EQ(trace[5], "> PASS ****");  // after CAPA, its answer, USER and its answer
}

// ---- listing ----

TEST_F(Pop3Transcript, UidlListsTheIdsOrTellsWhyNot) {
  LogIn(first)
      .Client("UIDL\r\n")
      .Server("+OK\r\n1 whqtswO00WBw418f9t5JxYwZ\r\n2 QhdPYR:00WBw1Ph7x7\r\n.\r\n")
      .Client("UIDL\r\n")
      .Server("-ERR command not supported\r\n")
      .Client("UIDL\r\n")
      .Server("+OK\r\n1 a\r\nabc def\r\n.\r\n")
      .Client("UIDL\r\n")
      .Server("+OK\r\n1 a\r\n1 b\r\n.\r\n");
  ScriptedTransport::Plug plug(first);
  Open();
  std::vector<Pop3UidlEntry> ids;
  ASSERT_TRUE(pop.Uidl(ids));
  ASSERT_EQ(ids.size(), 2u);
  EXPECT_EQ(ids[1].number, 2);
  EXPECT_EQ(ids[1].uid, "QhdPYR:00WBw1Ph7x7");
  // No UIDL on this server: the caller falls back, and the session goes on.
  EXPECT_FALSE(pop.Uidl(ids));
  EXPECT_EQ(pop.LastFailure(), TPopFailure::ServerError);
  EXPECT_TRUE(pop.IsConnected());
  // An answer that is no id list (a line without a number, a number given twice) is not
  // trusted to tell messages apart.
  EXPECT_FALSE(pop.Uidl(ids));
  EXPECT_EQ(pop.LastFailure(), TPopFailure::ProtocolError);
  EXPECT_TRUE(ids.empty());
  EXPECT_FALSE(pop.Uidl(ids));
  EXPECT_EQ(pop.LastFailure(), TPopFailure::ProtocolError);
  ExpectPlayed(first);
}

TEST(Pop3ParseUidl, RefusesIdsOutsideTheProtocolsCharacters) {
  std::vector<Pop3UidlEntry> ids;
  EXPECT_TRUE(Pop3ParseUidl({" 3  abc "}, ids));
  EXPECT_EQ(ids[0].uid, "abc");
  EXPECT_FALSE(Pop3ParseUidl({"1 " + std::string(71, 'x')}, ids));
  EXPECT_FALSE(Pop3ParseUidl({"1 a b"}, ids));
  EXPECT_FALSE(Pop3ParseUidl({"0 a"}, ids));
  EXPECT_FALSE(Pop3ParseUidl({"1"}, ids));
}

TEST_F(Pop3Transcript, ListIsAskedOnceAndReused) {
  LogIn(first).Client("LIST\r\n").Server("+OK 2 messages\r\n1 120\r\n2 3400\r\n.\r\n");
  ScriptedTransport::Plug plug(first);
  Open();
  StringList lines;
  ASSERT_TRUE(pop.List(lines));
  EXPECT_EQ(lines, (StringList{"1 120", "2 3400"}));
  lines.clear();
  ASSERT_TRUE(pop.List(lines));
  EXPECT_EQ(lines, (StringList{"1 120", "2 3400"}));
  EXPECT_EQ(pop.MessageSize(2), 3400);  // from the cache: nothing sent
  ExpectPlayed(first);
}

TEST_F(Pop3Transcript, ListWithALineOfAnotherFormIsAProtocolError) {
  LogIn(first)
      .Client("LIST\r\n")
      .Server("+OK\r\n1 120\r\nabc def\r\n.\r\n")
      .Client("LIST\r\n")
      .Server("+OK\r\n1 120\r\n2\r\n.\r\n")
      .Client("LIST\r\n")
      .Server("+OK\r\n1 120\r\n2 30 extra words\r\n.\r\n");
  ScriptedTransport::Plug plug(first);
  Open();
  StringList lines;
  EXPECT_FALSE(pop.List(lines));
  EXPECT_EQ(pop.LastFailure(), TPopFailure::ProtocolError);
  EXPECT_TRUE(lines.empty());
  EXPECT_FALSE(pop.List(lines));  // nothing was cached: asked again
  EXPECT_TRUE(pop.IsConnected());
  ASSERT_TRUE(pop.List(lines));
  EXPECT_EQ(pop.MessageSize(2), 30);
  ExpectPlayed(first);
}

TEST_F(Pop3Transcript, MessageSizeAsksListNWhenTheListLacksIt) {
  LogIn(first)
      .Client("LIST\r\n")
      .Server("+OK\r\n1 120\r\n.\r\n")
      .Client("LIST 3\r\n")
      .Server("+OK 3 512\r\n")
      .Client("LIST 4\r\n")
      .Server("+OK\r\n")
      .Client("LIST 5\r\n")
      .Server("-ERR no such message\r\n");
  ScriptedTransport::Plug plug(first);
  Open();
  EXPECT_EQ(pop.MessageSize(3), 512);
  EXPECT_EQ(pop.MessageSize(4), 100);  // a bare "+OK" gives the default size
  EXPECT_EQ(pop.MessageSize(5), 0);
  EXPECT_EQ(pop.LastFailure(), TPopFailure::ServerError);
  ExpectPlayed(first);
}

TEST_F(Pop3Transcript, AnswerWithoutStatusLineKeepsItsFirstLine) {
  LogIn(first).Client("LIST\r\n").Server("1 120\r\n2 30\r\n.\r\n");
  ScriptedTransport::Plug plug(first);
  Open();
  StringList lines;
  ASSERT_TRUE(pop.List(lines));
  EXPECT_EQ(lines, (StringList{"1 120", "2 30"}));
  ExpectPlayed(first);
}

// ---- retrieving ----

TEST_F(Pop3Transcript, RetrieveUnstuffsAndRaisesEventsInOrder) {
  LogIn(first)
      .Client("LIST\r\n")
      .Server("+OK\r\n1 70\r\n.\r\n")
      .Client("RETR 1\r\n")
      .Server("+OK 70 octets\r\n")
      .Server("Subject: dots\r\n\r\n..\r\n..hidden\r\n.x\r\n.\r\n");
  ScriptedTransport::Plug plug(first);
  Open();
  pop.OnBeforeRetrieve = [&](TRapPOP&, int n) { trace.push_back("before " + std::to_string(n)); };
  pop.OnAfterRetrieve = [&](TRapPOP&, int n, TReceiveState state) {
    trace.push_back("after " + std::to_string(n) + (state == MailReceived ? " received" : ""));
  };
  pop.OnRecvRawMailInByte = [&](TRapPOP&, std::int64_t b) {
    trace.push_back("bytes " + std::to_string(b));
  };
  TRapMsg msg;
  msg.RawLines = {"old"};
  ASSERT_TRUE(pop.Retrieve(1, false, msg));
  EXPECT_EQ(msg.RawLines, (StringList{"Subject: dots", "", ".", ".hidden", ".x"}));
  EXPECT_EQ(msg.Size, 70);
  const std::vector<std::string> expected = {
      "before 1", "> LIST", "< +OK", "> RETR 1", "< +OK 70 octets", "bytes 35", "after 1 received"};
  EXPECT_EQ(trace, expected);
  ExpectPlayed(first);
}

TEST_F(Pop3Transcript, TopFetchesHeadersRepairedAndReportsNoBytes) {
  LogIn(first)
      .Client("LIST\r\n")
      .Server("+OK\r\n1 900\r\n.\r\n")
      .Client("TOP 1 0\r\n")
      .Server("+OK\r\nFrom: a@b\r\nX-Auto-Forward: c@d\r\n \r\nSubject: s\r\n\r\n.\r\n");
  ScriptedTransport::Plug plug(first);
  Open();
  int reports = 0;
  pop.OnRecvRawMailInByte = [&](TRapPOP&, std::int64_t) { ++reports; };
  std::unique_ptr<TRapMsg> msg = pop.Retrieve(1, true);
  ASSERT_NE(msg, nullptr);
  EXPECT_EQ(msg->RawLines, (StringList{"From: a@b", "X-Auto-Forward: c@d", "Subject: s", ""}));
  EXPECT_EQ(reports, 0);
  ExpectPlayed(first);
}

TEST_F(Pop3Transcript, LongRetrieveReportsBytesEvery200LinesAndTheRest) {
  std::string body;
  for (int i = 0; i < 450; ++i)
    body += "line\r\n";  // 6 bytes a line
  LogIn(first)
      .Client("LIST\r\n")
      .Server("+OK\r\n1 2700\r\n.\r\n")
      .Client("RETR 1\r\n")
      .Server("+OK\r\n" + body + ".\r\n");
  ScriptedTransport::Plug plug(first);
  Open();
  std::vector<std::int64_t> reports;
  int yields = 0;
  pop.OnRecvRawMailInByte = [&](TRapPOP&, std::int64_t b) { reports.push_back(b); };
  pop.OnYield = [&] { ++yields; };
  TRapMsg msg;
  ASSERT_TRUE(pop.Retrieve(1, false, msg));
  EXPECT_EQ(msg.RawLines.size(), 450u);
  EXPECT_EQ(reports, (std::vector<std::int64_t>{1200, 1200, 300}));
  EXPECT_GE(yields, 4);
  ExpectPlayed(first);
}

TEST_F(Pop3Transcript, RetrieveErrReturnsNothing) {
  LogIn(first)
      .Client("LIST\r\n")
      .Server("+OK\r\n1 70\r\n.\r\n")
      .Client("RETR 1\r\n")
      .Server("-ERR message locked\r\n")
      .Client("RETR 1\r\n")
      .Server("+OK\r\nSubject: later\r\n.\r\n")
      .Client("DELE 1\r\n")
      .Server("+OK\r\n");
  ScriptedTransport::Plug plug(first);
  Open();
  int after = 0;
  pop.OnAfterRetrieve = [&](TRapPOP&, int, TReceiveState) { ++after; };
  EXPECT_EQ(pop.Retrieve(1, false), nullptr);
  EXPECT_EQ(pop.LastFailure(), TPopFailure::ServerError);
  EXPECT_EQ(trace.back(), "error 0 -ERR message locked");
  EXPECT_EQ(after, 0);
  // The dialogue is still in step: the session goes on with the next commands.
  EXPECT_TRUE(pop.IsConnected());
  EXPECT_FALSE(pop.SocketError);
  std::unique_ptr<TRapMsg> msg = pop.Retrieve(1, false);
  ASSERT_NE(msg, nullptr) << pop.LastFailureText();
  EXPECT_EQ(msg->RawLines, (StringList{"Subject: later"}));
  EXPECT_TRUE(pop.Delete(1));
  ExpectPlayed(first);
}

TEST_F(Pop3Transcript, UnknownMessageIsNotAskedFor) {
  LogIn(first)
      .Client("LIST\r\n")
      .Server("+OK\r\n1 70\r\n.\r\n")
      .Client("LIST 9\r\n")
      .Server("-ERR no such message\r\n");
  ScriptedTransport::Plug plug(first);
  Open();
  TRapMsg msg;
  msg.RawLines = {"stale"};
  EXPECT_FALSE(pop.Retrieve(9, false, msg));
  EXPECT_TRUE(msg.RawLines.empty());
  EXPECT_EQ(pop.LastFailure(), TPopFailure::ServerError);
  ExpectPlayed(first);
}

TEST_F(Pop3Transcript, EmptyRetrieveIsAFetchError) {
  LogIn(first)
      .Client("LIST\r\n")
      .Server("+OK\r\n1 70\r\n.\r\n")
      .Client("RETR 1\r\n")
      .Server("+OK\r\n.\r\n");
  ScriptedTransport::Plug plug(first);
  Open();
  EXPECT_EQ(pop.Retrieve(1, false), nullptr);
  EXPECT_EQ(pop.LastFailure(), TPopFailure::NoData);
  ExpectPlayed(first);
}

TEST_F(Pop3Transcript, StalledRetrieveEndsByTimeOutWithNoLines) {
  LogIn(first)
      .Client("LIST\r\n")
      .Server("+OK\r\n1 70\r\n.\r\n")
      .Client("RETR 1\r\n")
      .Server("+OK\r\nSubject: x\r\n")
      .ServerStalls();
  ScriptedTransport::Plug plug(first);
  Open();
  TRapMsg msg;
  EXPECT_FALSE(pop.Retrieve(1, false, msg));
  EXPECT_TRUE(msg.RawLines.empty());
  EXPECT_EQ(pop.LastFailure(), TPopFailure::TimedOut);
  EXPECT_TRUE(pop.SocketError);
  // What the server sends later would belong to this message: the session is over.
  EXPECT_FALSE(pop.IsConnected());
  EXPECT_FALSE(pop.Delete(1));
  EXPECT_EQ(pop.LastFailure(), TPopFailure::NotConnected);
  ExpectPlayed(first);
}

TEST_F(Pop3Transcript, CloseInTheMiddleOfRetrieveIsAFailureWithNoLines) {
  LogIn(first)
      .Client("LIST\r\n")
      .Server("+OK\r\n1 70\r\n.\r\n")
      .Client("RETR 1\r\n")
      .Server("+OK\r\nSubject: x\r\n\r\nhalf a li")
      .ServerCloses();
  ScriptedTransport::Plug plug(first);
  Open();
  TRapMsg msg;
  EXPECT_FALSE(pop.Retrieve(1, false, msg));
  EXPECT_TRUE(msg.RawLines.empty());
  EXPECT_EQ(pop.LastFailure(), TPopFailure::ConnectionLost);
  EXPECT_FALSE(pop.IsConnected());
  ExpectPlayed(first);
}

TEST_F(Pop3Transcript, CancelAbandonsARetrieve) {
  std::string body;
  for (int i = 0; i < 150; ++i)
    body += "line\r\n";
  LogIn(first)
      .Client("LIST\r\n")
      .Server("+OK\r\n1 70\r\n.\r\n")
      .Client("RETR 1\r\n")
      .Server("+OK\r\n" + body + ".\r\n");
  ScriptedTransport::Plug plug(first);
  Open();
  pop.OnYield = [&] { pop.Cancel = true; };  // after 100 lines
  TRapMsg msg;
  EXPECT_FALSE(pop.Retrieve(1, false, msg));
  EXPECT_TRUE(msg.RawLines.empty());
  EXPECT_EQ(pop.LastFailure(), TPopFailure::Canceled);
}

TEST_F(Pop3Transcript, NothingIsSentWhenNotConnected) {
  TRapMsg msg;
  msg.RawLines = {"earlier message"};
  StringList lines;
  EXPECT_FALSE(pop.Retrieve(1, false, msg));
  EXPECT_EQ(msg.RawLines, (StringList{"earlier message"}));
  EXPECT_FALSE(pop.List(lines));
  EXPECT_FALSE(pop.Delete(1));
  EXPECT_FALSE(pop.Stat());
  EXPECT_FALSE(pop.Login());
  EXPECT_EQ(pop.LastFailure(), TPopFailure::NotConnected);
  EXPECT_EQ(first.Connects(), 0);
}

// ---- deleting and quitting ----

TEST_F(Pop3Transcript, DeleteRaisesOnDeleteOnlyWhenAccepted) {
  LogIn(first)
      .Client("DELE 1\r\n")
      .Server("+OK message 1 deleted\r\n")
      .Client("DELE 2\r\n")
      .Server("-ERR message 2 already deleted\r\n");
  ScriptedTransport::Plug plug(first);
  Open();
  std::vector<int> deleted;
  pop.OnDelete = [&](TRapPOP&, int n) { deleted.push_back(n); };
  EXPECT_TRUE(pop.Delete(1));
  EXPECT_FALSE(pop.Delete(2));
  EXPECT_EQ(pop.LastFailure(), TPopFailure::ServerError);
  EXPECT_EQ(deleted, (std::vector<int>{1}));
  ExpectPlayed(first);
}

TEST_F(Pop3Transcript, MessageNumbersAbove65535AreNotWrapped) {
  // Cut to 16 bits, 65537 would address (and delete) message 1.
  LogIn(first).Client("DELE 65537\r\n").Server("+OK\r\n");
  ScriptedTransport::Plug plug(first);
  Open();
  std::vector<int> deleted;
  pop.OnDelete = [&](TRapPOP&, int n) { deleted.push_back(n); };
  EXPECT_TRUE(pop.Delete(65537));
  EXPECT_EQ(deleted, (std::vector<int>{65537}));
  ExpectPlayed(first);
}

TEST_F(Pop3Transcript, QuitSendsAndDoesNotWait) {
  LogIn(first).Client("QUIT\r\n").Server("+OK bye\r\n");
  ScriptedTransport::Plug plug(first);
  Open();
  int quits = 0;
  pop.OnQuit = [&](TRapPOP&) { ++quits; };
  pop.Quit();
  EXPECT_FALSE(pop.IsConnected());
  EXPECT_TRUE(first.ClosedByClient());
  EXPECT_EQ(quits, 1);
  EXPECT_EQ(trace, (std::vector<std::string>{"> QUIT"}));
  // The server's farewell was never read.
  EXPECT_NE(first.Mismatch().find("server sends"), std::string::npos) << first.Mismatch();
  pop.Quit();  // a second Quit sends nothing
  EXPECT_EQ(first.Sent().find("QUIT\r\nQUIT"), std::string::npos);
}

}  // namespace
}  // namespace maillib
