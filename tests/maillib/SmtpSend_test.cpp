// Transcript tests of the SMTP client's mail transaction: MAIL, RCPT, DATA, the text in
// chunks with its progress events, and the final reply.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "maillib/PipeTransport.h"
#include "maillib/RapSMTP.h"
#include "maillib/TextUtil.h"
#include "maillib/rapSMTPCode.h"
#include "tests/maillib/SmtpTestUtil.h"

using maillib::StringList;
using maillib::TRapMsg;
using maillib::TSmtpFailure;
using smtp_test::LoggedIn;
using smtp_test::ScriptedTransport;
using smtp_test::SmtpTest;

namespace {

const StringList kText = {"From: Zhang <zhang@example.cn>", "To: li@example.cn", "Subject: hi", "",
                          "body"};
const std::string kWire =
    "From: Zhang <zhang@example.cn>\r\nTo: li@example.cn\r\n"
    "Subject: hi\r\n\r\nbody\r\n.\r\n";

TRapMsg Message(const StringList& lines = kText) {
  TRapMsg msg;
  msg.SetFrom("Zhang <zhang@example.cn>");
  msg.RawLines = lines;
  return msg;
}

// MAIL FROM and one accepted RCPT TO.
ScriptedTransport& Envelope(ScriptedTransport& s, const std::string& rcpt = "li@example.cn") {
  return s.Client("MAIL FROM: <zhang@example.cn>\r\n")
      .Server("250 ok\r\n")
      .Client("RCPT TO: <" + rcpt + ">\r\n")
      .Server("250 ok\r\n");
}

ScriptedTransport& Data(ScriptedTransport& s) {
  return s.Client("DATA\r\n").Server("354 end with <CRLF>.<CRLF>\r\n");
}

class SmtpTransaction : public SmtpTest {
 protected:
  // Logs in on the script, clears the log of the login, and sends msg to the recipients.
  bool LoginAndSend(ScriptedTransport& s, TRapMsg& msg, const StringList& to = {"li@example.cn"}) {
    ScriptedTransport::Plug plug(s);
    if (!smtp.ConnectAndLogin()) return false;
    log.clear();
    return smtp.SendMessage(msg, to);
  }
};

}  // namespace

TEST_F(SmtpTransaction, DataCarriesTheTextAndEndsWithTheFinalReply) {
  ScriptedTransport& s = Script();
  Data(Envelope(LoggedIn(s))).Client(kWire).Server("250 queued as 1234\r\n");
  TRapMsg msg = Message();
  ASSERT_TRUE(LoginAndSend(s, msg)) << smtp.LastFailureText();
  EXPECT_TRUE(s.Done()) << s.Mismatch();
  EXPECT_TRUE(smtp.IsConnected());
  EXPECT_EQ(msg.Size, 72);
  const std::vector<std::string> expected = {"before",
                                             "> MAIL FROM: <zhang@example.cn>",
                                             "< 250 ok",
                                             "> RCPT TO: <li@example.cn>",
                                             "< 250 ok",
                                             "> DATA",
                                             "< 354 end with <CRLF>.<CRLF>",
                                             "bytes 72",
                                             "progress 100",
                                             "< 250 queued as 1234",
                                             "progress 100",
                                             "after"};
  EXPECT_EQ(log, expected);
}

TEST_F(SmtpTransaction, EveryRecipientGetsRcptIn251IsAcceptedToo) {
  ScriptedTransport& s = Script();
  Envelope(LoggedIn(s))
      .Client("RCPT TO: <wang@example.cn>\r\n")
      .Server("251 user not local; will forward\r\n");
  Data(s).Client(kWire).Server("250 ok\r\n");
  TRapMsg msg = Message();
  EXPECT_TRUE(LoginAndSend(s, msg, {"li@example.cn", " ", "Wang <wang@example.cn>"}))
      << smtp.LastFailureText();
  EXPECT_TRUE(s.Done()) << s.Mismatch();
}

TEST_F(SmtpTransaction, RefusedRecipientEndsTheTransactionBeforeData) {
  ScriptedTransport& s = Script();
  Envelope(LoggedIn(s)).Client("RCPT TO: <nobody@example.cn>\r\n").Server("550 no such user\r\n");
  TRapMsg msg = Message();
  EXPECT_FALSE(LoginAndSend(s, msg, {"li@example.cn", "nobody@example.cn", "wang@example.cn"}));
  EXPECT_TRUE(s.Done()) << s.Mismatch();
  EXPECT_EQ(smtp.LastFailure(), TSmtpFailure::ServerError);
  EXPECT_EQ(smtp.LastReplyCode, 550);
  EXPECT_EQ(Logged("error"), std::vector<std::string>{"error 550 550 no such user"});
  EXPECT_TRUE(Logged("after").empty());
  EXPECT_TRUE(smtp.IsConnected());  // left for the caller to quit
}

TEST_F(SmtpTransaction, RefusedSenderEndsTheTransaction) {
  ScriptedTransport& s = Script();
  LoggedIn(s).Client("MAIL FROM: <zhang@example.cn>\r\n").Server("553 not yours\r\n");
  TRapMsg msg = Message();
  EXPECT_FALSE(LoginAndSend(s, msg));
  EXPECT_TRUE(s.Done()) << s.Mismatch();
  EXPECT_EQ(Logged("error"), std::vector<std::string>{"error 553 553 not yours"});
}

TEST_F(SmtpTransaction, RefusedDataIsAServerError) {
  ScriptedTransport& s = Script();
  Envelope(LoggedIn(s)).Client("DATA\r\n").Server("554 no valid recipients\r\n");
  TRapMsg msg = Message();
  EXPECT_FALSE(LoginAndSend(s, msg));
  EXPECT_TRUE(s.Done()) << s.Mismatch();
  EXPECT_EQ(smtp.LastReplyCode, 554);
  EXPECT_TRUE(Logged("bytes").empty());
}

TEST_F(SmtpTransaction, FinalReply550IsAFailureWithItsCode) {
  ScriptedTransport& s = Script();
  Data(Envelope(LoggedIn(s))).Client(kWire).Server("550 spam rejected\r\n");
  TRapMsg msg = Message();
  EXPECT_FALSE(LoginAndSend(s, msg));
  EXPECT_TRUE(s.Done()) << s.Mismatch();
  EXPECT_EQ(smtp.LastFailure(), TSmtpFailure::ServerError);
  EXPECT_EQ(smtp.LastFailureText(), "550 spam rejected");
  EXPECT_EQ(Logged("error"), std::vector<std::string>{"error 550 550 spam rejected"});
  EXPECT_EQ(Logged("progress"), std::vector<std::string>{"progress 100"});  // the chunk only
}

TEST_F(SmtpTransaction, RefusalMentioning250IsNoSuccess) {
  ScriptedTransport& s = Script();
  Data(Envelope(LoggedIn(s))).Client(kWire).Server("552 message exceeds 250 MB\r\n");
  TRapMsg msg = Message();
  EXPECT_FALSE(LoginAndSend(s, msg));
  EXPECT_EQ(smtp.LastReplyCode, 552);
}

TEST_F(SmtpTransaction, ConnectionClosedBeforeTheFinalReplyIsAFailure) {
  ScriptedTransport& s = Script();
  Data(Envelope(LoggedIn(s))).Client(kWire).ServerCloses();
  TRapMsg msg = Message();
  EXPECT_FALSE(LoginAndSend(s, msg));
  EXPECT_TRUE(smtp.SocketError);
  EXPECT_FALSE(smtp.IsConnected());
  EXPECT_EQ(smtp.LastFailure(), TSmtpFailure::ConnectionLost);
  EXPECT_TRUE(Logged("after").empty());
}

TEST_F(SmtpTransaction, LinesBeginningWithADotAreStuffedOnce) {
  const StringList lines = {"Subject: dots", "", ".", ".hidden", "..two", "a.b", "end"};
  ScriptedTransport& s = Script();
  Data(Envelope(LoggedIn(s)))
      .Client("Subject: dots\r\n\r\n..\r\n..hidden\r\n...two\r\na.b\r\nend\r\n.\r\n")
      .Server("250 ok\r\n");
  TRapMsg msg = Message(lines);
  EXPECT_TRUE(LoginAndSend(s, msg)) << s.Mismatch();
  EXPECT_EQ(msg.RawLines, lines);  // the message itself is not changed
}

TEST_F(SmtpTransaction, EightBitComposedTextIsNotStuffedTwice) {
  TRapMsg msg;
  msg.SetFrom("zhang@example.cn");
  msg.SetSendTo("li@example.cn");
  msg.SetSubject("dots");
  msg.Text = {"first", ".", ".dot"};
  maillib::ComposeMessage(msg, {}, /*base64Body=*/false);
  const std::string wire = maillib::JoinLines(msg.RawLines) + "\r\n.\r\n";
  ASSERT_NE(wire.find("\r\n..\r\n..dot\r\n"), std::string::npos);
  smtp.StuffDots = false;
  ScriptedTransport& s = Script();
  Data(Envelope(LoggedIn(s))).Client(wire).Server("250 ok\r\n");
  EXPECT_TRUE(LoginAndSend(s, msg)) << s.Mismatch();
}

TEST_F(SmtpTransaction, ShortLinesGoInChunksWithProgressAfterEach) {
  const StringList lines(400, std::string(98, 'x'));  // 40000 bytes with CR LF
  ScriptedTransport& s = Script();
  Data(Envelope(LoggedIn(s))).Client(maillib::JoinLines(lines) + "\r\n.\r\n").Server("250 ok\r\n");
  TRapMsg msg = Message(lines);
  ASSERT_TRUE(LoginAndSend(s, msg)) << s.Mismatch();
  EXPECT_EQ(msg.Size, 40000);
  EXPECT_EQ(Logged("bytes"),
            (std::vector<std::string>{"bytes 15300", "bytes 15300", "bytes 9400"}));
  EXPECT_EQ(Logged("progress"), (std::vector<std::string>{"progress 38", "progress 76",
                                                          "progress 100", "progress 100"}));
}

TEST_F(SmtpTransaction, OverlongLineAndSmallPresetSizeStillSendEverything) {
  const StringList lines = {"Subject: big", "", std::string(20000, 'L'), "tail"};
  ScriptedTransport& s = Script();
  Data(Envelope(LoggedIn(s)))
      .Client("Subject: big\r\n\r\n" + std::string(20000, 'L') + "\r\ntail\r\n.\r\n")
      .Server("250 ok\r\n");
  TRapMsg msg = Message(lines);
  msg.Size = 100;  // smaller than the text
  ASSERT_TRUE(LoginAndSend(s, msg)) << s.Mismatch();
  EXPECT_TRUE(s.Done()) << s.Mismatch();
  EXPECT_EQ(Logged("bytes"), (std::vector<std::string>{"bytes 16", "bytes 20002", "bytes 6"}));
  EXPECT_EQ(Logged("progress"),
            (std::vector<std::string>{"progress 16", "progress 100", "progress 100"}));
}

TEST_F(SmtpTransaction, AnonymousSendingHidesTheSenderInTheHeader) {
  smtp.SendAsAnonymous = true;
  smtp.AnonymouseFrom = "anonymous";
  ScriptedTransport& s = Script();
  Data(Envelope(LoggedIn(s)))
      .Client("From: @anonymous\r\nTo: li@example.cn\r\nSubject: hi\r\n\r\nbody\r\n.\r\n")
      .Server("250 ok\r\n");
  TRapMsg msg = Message();
  EXPECT_TRUE(LoginAndSend(s, msg)) << s.Mismatch();
}

TEST_F(SmtpTransaction, AddressWithALineBreakSendsNothing) {
  ScriptedTransport& s = Script();
  LoggedIn(s);
  TRapMsg msg = Message();
  EXPECT_FALSE(LoginAndSend(s, msg, {"li@example.cn>\r\nRCPT TO: <evil@example.cn"}));
  EXPECT_TRUE(s.Done()) << s.Mismatch();
  EXPECT_EQ(smtp.LastFailure(), TSmtpFailure::BadInput);
}

TEST_F(SmtpTransaction, NothingIsSentWithoutRecipientsSenderOrConnection) {
  TRapMsg msg = Message();
  EXPECT_FALSE(smtp.SendMessage(msg, {"li@example.cn"}));
  EXPECT_EQ(smtp.LastFailure(), TSmtpFailure::NotConnected);
  ScriptedTransport& s = Script();
  LoggedIn(s);
  EXPECT_FALSE(LoginAndSend(s, msg, {" "}));
  EXPECT_EQ(smtp.LastFailure(), TSmtpFailure::BadInput);
  TRapMsg noSender = Message();
  noSender.SetFrom("");
  EXPECT_FALSE(smtp.SendMessage(noSender, {"li@example.cn"}));
  EXPECT_EQ(smtp.LastFailure(), TSmtpFailure::BadInput);
  EXPECT_TRUE(s.Done()) << s.Mismatch();
}

// ---- with an in-memory connection and real waiting ----

namespace {

// The client end handed to the next connect; the test keeps the server end.
std::unique_ptr<maillib::PipeTransport>& PendingClientEnd() {
  static std::unique_ptr<maillib::PipeTransport> end;
  return end;
}

std::unique_ptr<maillib::Transport> PipeFactory(const maillib::ConnectTarget&, std::string& error) {
  if (!PendingClientEnd()) error = "no pipe";
  return std::move(PendingClientEnd());
}

// Reads from the server end until `text` arrived or 5 s passed.
bool WaitFor(maillib::PipeTransport& server, std::string& received, const std::string& text) {
  const auto start = std::chrono::steady_clock::now();
  std::string error;
  while (received.find(text) == std::string::npos) {
    if (std::chrono::steady_clock::now() - start > std::chrono::seconds(5)) return false;
    if (server.Receive(received, 100, error) == maillib::IoStatus::Closed) return false;
  }
  return true;
}

class SmtpWaiting : public SmtpTest {
 protected:
  SmtpWaiting() {
    auto pair = maillib::PipeTransport::MakePair();
    PendingClientEnd() = std::move(pair.first);
    server = std::move(pair.second);
    smtp.TCPClient().SetTransportFactory(&PipeFactory);
    smtp.MustVerify = false;
  }
  ~SmtpWaiting() override { PendingClientEnd().reset(); }

  void Say(const std::string& text) {
    std::string error;
    server->Send(text, error);
  }

  // The server side of a HELO session with one message; the final reply comes after a pause.
  // With `closeInData` the server hangs up right after its 354.
  void ServeOneMessage(std::string& received, int finalDelayMs, bool closeInData = false) {
    const std::pair<const char*, const char*> steps[] = {{"HELO", "250 mx\r\n"},
                                                         {"MAIL FROM", "250 ok\r\n"},
                                                         {"RCPT TO", "250 ok\r\n"},
                                                         {"DATA\r\n", "354 go\r\n"}};
    Say("220 mx\r\n");
    for (const auto& [command, reply] : steps) {
      if (!WaitFor(*server, received, command)) return;
      Say(reply);
    }
    if (closeInData) {
      server->Close();
      return;
    }
    if (!WaitFor(*server, received, "\r\n.\r\n")) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(finalDelayMs));
    Say("250 queued\r\n");
  }

  std::unique_ptr<maillib::PipeTransport> server;
};

}  // namespace

TEST_F(SmtpWaiting, NeverAnsweringServerEndsByTimeOut) {
  smtp.TimeOut = 300;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(smtp.ConnectAndLogin());
  const auto spent = std::chrono::steady_clock::now() - start;
  EXPECT_GE(spent, std::chrono::milliseconds(250));
  EXPECT_LT(spent, std::chrono::seconds(5));
  EXPECT_TRUE(smtp.SocketError);
  EXPECT_FALSE(smtp.IsConnected());
  EXPECT_EQ(smtp.LastFailure(), TSmtpFailure::TimedOut);
}

TEST_F(SmtpWaiting, QuitFromAnotherThreadEndsAWaitingRead) {
  smtp.TimeOut = 20000;
  smtp.MustVerify = false;
  // Events would be raised on two threads here; the log is not made for that.
  smtp.OnSendCmdToSocket = nullptr;
  smtp.OnError = nullptr;
  Say("220 mx\r\n");
  std::thread quitter([this] {
    std::string received;
    WaitFor(*server, received, "HELO");  // the client now waits for the HELO reply
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    smtp.Quit();
  });
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(smtp.ConnectAndLogin());
  quitter.join();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  EXPECT_EQ(smtp.LastFailure(), TSmtpFailure::Canceled);
  EXPECT_FALSE(smtp.IsConnected());
}

TEST_F(SmtpWaiting, EmptyRawLinesAreComposedBeforeSending) {
  smtp.ExtraHeader = "X-Mailer:Tenvel 202";
  std::string received;
  std::thread fakeServer([&] { ServeOneMessage(received, 0); });
  TRapMsg msg;
  msg.SetFrom("Zhang <zhang@example.cn>");
  msg.SetSendTo("li@example.cn");
  msg.SetSubject("hello");
  msg.Text = {"text body"};
  const bool ok = smtp.ConnectAndLogin() && smtp.SendMessage(msg, {"li@example.cn"});
  fakeServer.join();
  EXPECT_TRUE(ok) << smtp.LastFailureText();
  EXPECT_FALSE(msg.RawLines.empty());
  EXPECT_NE(received.find("\r\nX-Mailer:Tenvel 202\r\n"), std::string::npos);
  EXPECT_NE(received.find("\r\nSubject: hello\r\n"), std::string::npos);
  EXPECT_EQ(received.find("BCC:"), std::string::npos);
}

TEST_F(SmtpWaiting, FinalReplyMayTakeLongerThanACommandReply) {
  smtp.TimeOut = 200;
  smtp.DataEndTimeOut = 5000;
  std::string received;
  std::thread fakeServer([&] { ServeOneMessage(received, 600); });
  TRapMsg msg = Message();
  const bool ok = smtp.ConnectAndLogin() && smtp.SendMessage(msg, {"li@example.cn"});
  fakeServer.join();
  EXPECT_TRUE(ok) << smtp.LastFailureText();
}

TEST_F(SmtpWaiting, ServerHangingUpDuringTheTextIsAFailure) {
  std::string received;
  std::thread fakeServer([&] { ServeOneMessage(received, 0, true); });
  TRapMsg msg = Message(StringList(2000, std::string(98, 'x')));  // 200000 bytes, 14 chunks
  bool ok = smtp.ConnectAndLogin();
  EXPECT_TRUE(ok) << smtp.LastFailureText();
  ok = ok && smtp.SendMessage(msg, {"li@example.cn"});
  fakeServer.join();
  EXPECT_FALSE(ok);
  EXPECT_TRUE(smtp.SocketError);
  EXPECT_FALSE(smtp.IsConnected());
  EXPECT_EQ(smtp.LastFailure(), TSmtpFailure::ConnectionLost);
  EXPECT_TRUE(Logged("after").empty());
}
