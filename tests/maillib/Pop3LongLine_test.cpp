// Transcript tests of the POP3 client with lines longer than the connection's line pieces:
// a retrieved message must equal the server's bytes, and nothing inside it can end the answer
// early or pass for a reply to a later command.
#include <gtest/gtest.h>

#include <string>

#include "maillib/RapPOP3.h"
#include "maillib/TextUtil.h"
#include "tests/maillib/ScriptedTransport.h"

namespace maillib {
namespace {

using test::ScriptedTransport;

constexpr std::size_t kPiece = TRapTCPClient::kMaxLineLength;

// The lines as a RETR answer carries them: dot-stuffed, CR LF ends, the closing ".".
std::string OnTheWire(const StringList& lines) {
  std::string wire;
  for (const std::string& line : lines)
    wire += (line.starts_with('.') ? "." : "") + line + "\r\n";
  return wire + ".\r\n";
}

// A session that logs in, retrieves message 1 (the server sends `answer` after "+OK", at most
// `chunk` bytes a read) and deletes it; the server refuses the DELE.
struct LongLineSession {
  LongLineSession(const std::string& answer, std::size_t chunk) {
    script.ChunkSize(chunk)
        .Server("+OK ready\r\n")
        .Client("CAPA\r\n")
        .Server("-ERR unknown command\r\n")
        .Client("USER bob\r\n")
        .Server("+OK\r\n")
        .Client("PASS secret\r\n")
        .Server("+OK\r\n")
        .Client("LIST\r\n")
        .Server("+OK\r\n1 100\r\n.\r\n")
        .Client("RETR 1\r\n")
        .Server("+OK\r\n" + answer)
        .Client("DELE 1\r\n")
        .Server("-ERR the real reply\r\n");
    pop.Host = "127.0.0.1";
    pop.UserId = "bob";
    pop.UserPasswd = "secret";
    pop.TimeOut = 2000;
    pop.TCPClient().SetTransportFactory(&ScriptedTransport::Factory, &ScriptedTransport::Upgrade);
  }

  // Retrieves, then checks that the DELE read the server's own reply.
  StringList RetrieveThenDelete() {
    ScriptedTransport::Plug plug(script);
    EXPECT_TRUE(pop.Connect() && pop.Login()) << pop.LastFailureText();
    TRapMsg msg;
    EXPECT_TRUE(pop.Retrieve(1, false, msg)) << pop.LastFailureText();
    EXPECT_FALSE(pop.Delete(1));
    EXPECT_EQ(pop.LastReplyText, "-ERR the real reply");
    EXPECT_TRUE(script.Done()) << script.Mismatch();
    return msg.RawLines;
  }

  ScriptedTransport script;
  TRapPOP pop;
};

TEST(Pop3LongLine, LongLinesComeWholeWithDotsAfterThem) {
  // Pieces of a long line that are ".", begin with ".." or are empty are no line starts.
  const StringList message = {"Subject: long lines",
                              "",
                              std::string(kPiece, 'a') + ".",
                              std::string(kPiece, 'b'),
                              ".",
                              std::string(kPiece + 1, 'c'),
                              "..",
                              std::string(kPiece, 'd') + "..z",
                              "." + std::string(kPiece * 2, 'e') + ".",
                              std::string(kPiece, 'f') + "\r",
                              "end"};
  for (std::size_t chunk :
       {std::size_t{0}, std::size_t{1}, std::size_t{4096}, kPiece - 1, kPiece + 1, kPiece + 2}) {
    SCOPED_TRACE("chunk " + std::to_string(chunk));
    LongLineSession session(OnTheWire(message), chunk);
    EXPECT_EQ(session.RetrieveThenDelete(), message);
  }
}

TEST(Pop3LongLine, MegabyteLineFollowedByDotLines) {
  // 64 whole pieces, then "." as the last piece of the same line.
  const StringList message = {"Subject: big",
                              "",
                              std::string(64 * kPiece, 'm') + ".",
                              ".",
                              "..",
                              std::string(64 * kPiece + 1, 'n'),
                              "."};
  for (std::size_t chunk : {std::size_t{0}, std::size_t{65543}, kPiece + 1}) {
    SCOPED_TRACE("chunk " + std::to_string(chunk));
    LongLineSession session(OnTheWire(message), chunk);
    const StringList lines = session.RetrieveThenDelete();
    EXPECT_TRUE(lines == message) << "the 1 MB message came back changed";
  }
}

TEST(Pop3LongLine, TextInAMessageCannotForgeReplies) {
  // Cut into pieces, this would end the message after its first line and answer the DELE
  // with the message's own "+OK".
  const StringList message = {std::string(kPiece, 'x') + ".", "+OK message 1 deleted",
                              "+OK all fine", "the real rest"};
  LongLineSession session(OnTheWire(message), 0);
  int deleted = 0;
  session.pop.OnDelete = [&](TRapPOP&, int) { ++deleted; };
  EXPECT_EQ(session.RetrieveThenDelete(), message);
  EXPECT_EQ(deleted, 0);
}

TEST(Pop3LongLine, LongReplyTextIsCutAndItsRestNeverTakenForTheNextReply) {
  ScriptedTransport script;
  const std::string chatter(kPiece * 2 + 5, 'r');
  script.Server("+OK ready\r\n")
      .Client("USER bob\r\n")
      .Server("+OK " + chatter + "\r\n")
      .Client("PASS secret\r\n")
      .Server("-ERR refused\r\n");
  TRapPOP pop;
  pop.Host = "127.0.0.1";
  pop.UserId = "bob";
  pop.UserPasswd = "secret";
  pop.TCPClient().SetTransportFactory(&ScriptedTransport::Factory, &ScriptedTransport::Upgrade);
  ScriptedTransport::Plug plug(script);
  ASSERT_TRUE(pop.Connect());
  pop.SendCommand("USER bob");
  EXPECT_EQ(pop.ReadReply(), ("+OK " + chatter).substr(0, kPiece));
  pop.SendCommand("PASS secret");
  EXPECT_EQ(pop.ReadReply(), "-ERR refused");
  EXPECT_TRUE(script.Done()) << script.Mismatch();
}

// A server whose answer never ends fails the read once it passes the limit, with no lines.
TEST(Pop3LongLine, AnswerOverTheLimitFailsAndEndsTheSession) {
  const std::string noLineEnd(3 * kPiece, 'z');
  std::string manyLines;
  for (int i = 0; i < 5000; ++i)
    manyLines += "line\r\n";
  for (const std::string& answer : {noLineEnd, manyLines}) {
    ScriptedTransport script;
    script.ChunkSize(7000).Server("+OK ready\r\n").Client("RETR 1\r\n").Server("+OK\r\n" + answer);
    TRapPOP pop;
    pop.Host = "127.0.0.1";
    pop.MaxAnswerBytes = 20000;
    pop.TCPClient().SetTransportFactory(&ScriptedTransport::Factory, &ScriptedTransport::Upgrade);
    ScriptedTransport::Plug plug(script);
    ASSERT_TRUE(pop.Connect());
    pop.SendCommand("RETR 1");
    StringList lines = {"stale"};
    EXPECT_FALSE(pop.ReadMultiLine(lines, true));
    EXPECT_TRUE(lines.empty());
    EXPECT_EQ(pop.LastFailure(), TPopFailure::ProtocolError);
    EXPECT_FALSE(pop.IsConnected());
  }
}

}  // namespace
}  // namespace maillib
