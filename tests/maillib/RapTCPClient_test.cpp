// Line reads, writes and connect bookkeeping of TRapTCPClient over a scripted transport.
#include "maillib/RapTCPClient.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/maillib/ScriptedTransport.h"

namespace maillib {
namespace {

using test::ScriptedTransport;

class RapTCPClientTest : public ::testing::Test {
 protected:
  // Connects `client_` to `script`; the script must outlive the client.
  void ConnectTo(ScriptedTransport& script) {
    ScriptedTransport::Plug plug(script);
    client_.SetTransportFactory(&ScriptedTransport::Factory);
    client_.Host = "mail.example";
    client_.Port = 110;
    ASSERT_TRUE(client_.Connect(5000)) << client_.LastError();
  }

  ScriptedTransport script_;
  TRapTCPClient client_;
};

TEST_F(RapTCPClientTest, ReadsCrLfAndBareLfLines) {
  script_.Server("+OK ready\r\nbare\n\r\nlast\r\n");
  ConnectTo(script_);
  std::string line;
  ASSERT_TRUE(client_.ReadLn(line));
  EXPECT_EQ(line, "+OK ready");
  ASSERT_TRUE(client_.ReadLn(line));
  EXPECT_EQ(line, "bare");
  ASSERT_TRUE(client_.ReadLn(line));
  EXPECT_EQ(line, "");
  ASSERT_TRUE(client_.ReadLn(line));
  EXPECT_EQ(line, "last");
  EXPECT_TRUE(script_.Done()) << script_.Mismatch();
}

TEST_F(RapTCPClientTest, JoinsALineSplitOverManyPackets) {
  script_.ChunkSize(1).Server("+OK a line sent one byte at a time\r").Server("\nnext\r\n");
  ConnectTo(script_);
  std::string line;
  ASSERT_TRUE(client_.ReadLn(line));
  EXPECT_EQ(line, "+OK a line sent one byte at a time");
  ASSERT_TRUE(client_.ReadLn(line));
  EXPECT_EQ(line, "next");
}

TEST_F(RapTCPClientTest, HandsOutAnOverLongLineInPieces) {
  const std::size_t max = TRapTCPClient::kMaxLineLength;
  std::string longLine(max * 2 + 10, 'x');
  longLine[max] = 'y';
  std::string exact(max, 'z');
  script_.ChunkSize(4096).Server(longLine + "\r\n" + exact + "\r\nend\r\n");
  ConnectTo(script_);
  std::string line;
  bool goesOn = false;
  ASSERT_TRUE(client_.ReadLn(line, goesOn));
  EXPECT_EQ(line, longLine.substr(0, max));
  EXPECT_TRUE(goesOn);
  ASSERT_TRUE(client_.ReadLn(line, goesOn));
  EXPECT_EQ(line, longLine.substr(max, max));
  EXPECT_TRUE(goesOn);
  ASSERT_TRUE(client_.ReadLn(line, goesOn));
  EXPECT_EQ(line, longLine.substr(2 * max));
  EXPECT_FALSE(goesOn);
  // A line of exactly the maximum keeps its end: no empty piece follows it.
  ASSERT_TRUE(client_.ReadLn(line, goesOn));
  EXPECT_EQ(line, exact);
  EXPECT_FALSE(goesOn);
  ASSERT_TRUE(client_.ReadLn(line));
  EXPECT_EQ(line, "end");
}

TEST_F(RapTCPClientTest, PiecesOfALineJoinToItsBytesWhereverTheReadsSplitIt) {
  const std::size_t max = TRapTCPClient::kMaxLineLength;
  // A CR that ends no line stays in the line, also at the end of a piece; the second line
  // ends in a bare LF.
  const std::string crLine = std::string(max - 1, 'a') + "\r" + std::string(max, 'b') + "\r";
  const std::string lfLine = std::string(max + 1, 'c');
  for (std::size_t chunk : {std::size_t{1}, max - 1, max + 1, max + 2}) {
    SCOPED_TRACE("chunk " + std::to_string(chunk));
    ScriptedTransport script;
    script.ChunkSize(chunk).Server(crLine + "\r\n" + lfLine + "\n");
    ConnectTo(script);
    for (const std::string& expected : {crLine, lfLine}) {
      std::string joined;
      std::string piece;
      bool goesOn = true;
      for (int pieces = 0; goesOn && pieces < 10; ++pieces) {
        ASSERT_TRUE(client_.ReadLn(piece, goesOn));
        joined += piece;
      }
      EXPECT_TRUE(joined == expected) << "a line of " << expected.size() << " bytes changed";
    }
    client_.Disconnect();
  }
}

TEST_F(RapTCPClientTest, TimeOutKeepsThePartialLineForTheNextRead) {
  script_.Server("+OK par").ServerStalls().Server("tial\r\n");
  ConnectTo(script_);
  std::string line;
  EXPECT_FALSE(client_.ReadLn(line, 50));
  EXPECT_EQ(client_.LastStatus(), IoStatus::TimedOut);
  ASSERT_TRUE(client_.ReadLn(line, 50));
  EXPECT_EQ(line, "+OK partial");
}

TEST_F(RapTCPClientTest, PeerCloseMidLineFailsWithTheRest) {
  script_.Server("+OK fine\r\n-ERR cut").ServerCloses();
  ConnectTo(script_);
  std::string line;
  ASSERT_TRUE(client_.ReadLn(line));
  EXPECT_FALSE(client_.ReadLn(line));
  EXPECT_EQ(client_.LastStatus(), IoStatus::Closed);
  EXPECT_EQ(line, "-ERR cut");
  EXPECT_FALSE(client_.Connected());
  EXPECT_FALSE(client_.ReadLn(line));
  EXPECT_EQ(line, "");
}

TEST_F(RapTCPClientTest, WritesLinesTextAndRawBytes) {
  script_.Client("USER bob\r\n").Client("raw").Client(std::string("\0\xff", 2));
  ConnectTo(script_);
  EXPECT_TRUE(client_.WriteLn("USER bob"));
  EXPECT_TRUE(client_.Write("raw"));
  EXPECT_TRUE(client_.WriteBuffer("\0\xff", 2));
  EXPECT_TRUE(script_.Done()) << script_.Mismatch();
}

TEST_F(RapTCPClientTest, WriteFailureIsReported) {
  script_.Client("QUIT\r\n");
  ConnectTo(script_);
  EXPECT_FALSE(client_.WriteLn("QUTI"));
  EXPECT_EQ(client_.LastStatus(), IoStatus::Failed);
  EXPECT_NE(client_.LastError().find("QUTI"), std::string::npos);
}

TEST_F(RapTCPClientTest, ReadAndWriteWithoutConnectionFail) {
  std::string line;
  EXPECT_FALSE(client_.Connected());
  EXPECT_FALSE(client_.ReadLn(line, 10));
  EXPECT_FALSE(client_.WriteLn("NOOP"));
  EXPECT_EQ(client_.LastStatus(), IoStatus::Closed);
}

TEST_F(RapTCPClientTest, ConnectPassesTargetAndRaisesNotifications) {
  int connects = 0;
  int disconnects = 0;
  client_.OnConnected = [&] { ++connects; };
  client_.OnDisconnected = [&] { ++disconnects; };
  client_.UseTls();
  client_.IdSocksInfo.Version = svSocks5;
  client_.TimeOut = 5;
  ConnectTo(script_);
  EXPECT_EQ(client_.TimeOut, 30000);
  EXPECT_TRUE(client_.Connected());
  ConnectTarget target = script_.Target();
  EXPECT_EQ(target.Host, "mail.example");
  EXPECT_EQ(target.Port, 110);
  EXPECT_TRUE(target.Tls);
  EXPECT_EQ(target.Socks.Version, svSocks5);
  EXPECT_EQ(target.TimeoutMs, 5000);
  client_.Disconnect();
  client_.Disconnect();
  EXPECT_FALSE(client_.Connected());
  EXPECT_TRUE(script_.ClosedByClient());
  EXPECT_EQ(connects, 1);
  EXPECT_EQ(disconnects, 1);
}

TEST_F(RapTCPClientTest, FailedConnectLeavesTheClientClosed) {
  script_.RefuseConnect("connection refused");
  ScriptedTransport::Plug plug(script_);
  client_.SetTransportFactory(&ScriptedTransport::Factory);
  bool raised = false;
  client_.OnConnected = [&] { raised = true; };
  EXPECT_FALSE(client_.Connect());
  EXPECT_FALSE(client_.Connected());
  EXPECT_FALSE(raised);
  EXPECT_EQ(client_.LastError(), "connection refused");
}

TEST_F(RapTCPClientTest, DefaultFactoryServesClientsWithoutTheirOwn) {
  script_.Server("hello\r\n");
  ScriptedTransport::Plug plug(script_);
  plug.AsDefault();
  TRapTCPClient other;
  ASSERT_TRUE(other.Connect());
  std::string line;
  ASSERT_TRUE(other.ReadLn(line));
  EXPECT_EQ(line, "hello");
}

TEST(ScriptedTransportTest, ReportsClientBytesBeyondTheScript) {
  ScriptedTransport script;
  script.Client("NOOP\r\n");
  ScriptedTransport::Plug plug(script);
  TRapTCPClient client;
  client.SetTransportFactory(&ScriptedTransport::Factory);
  ASSERT_TRUE(client.Connect());
  EXPECT_TRUE(client.Write("NO"));
  EXPECT_TRUE(client.Write("OP\r\n"));
  EXPECT_TRUE(script.Done()) << script.Mismatch();
  EXPECT_FALSE(client.WriteLn("QUIT"));
  EXPECT_FALSE(script.Done());
  EXPECT_NE(script.Mismatch().find("after the end"), std::string::npos) << script.Mismatch();
}

TEST(ScriptedTransportTest, ReadingWhenTheClientShouldSpeakIsAMismatch) {
  ScriptedTransport script;
  script.Client("USER a\r\n");
  ScriptedTransport::Plug plug(script);
  TRapTCPClient client;
  client.SetTransportFactory(&ScriptedTransport::Factory);
  ASSERT_TRUE(client.Connect());
  std::string line;
  EXPECT_FALSE(client.ReadLn(line, 10));
  EXPECT_NE(script.Mismatch().find("USER a"), std::string::npos) << script.Mismatch();
}

}  // namespace
}  // namespace maillib
