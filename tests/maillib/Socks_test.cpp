// The SOCKS 4, 4A and 5 handshakes: byte-exact against scripted proxies, and end to end through
// a small SOCKS server thread on 127.0.0.1.
#include "maillib/Socks.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <thread>

#include "maillib/RapTCPClient.h"
#include "maillib/TcpTransport.h"
#include "tests/maillib/NetTestUtil.h"
#include "tests/maillib/ScriptedTransport.h"

namespace maillib {
namespace {

using test::ScriptedTransport;

std::string Bytes(std::initializer_list<int> values) {
  std::string out;
  for (int value : values)
    out += static_cast<char>(value);
  return out;
}

TSocksInfo Socks(TSocksVersion version, std::string user = "", std::string password = "") {
  TSocksInfo info;
  info.Version = version;
  info.UserName = std::move(user);
  info.Password = std::move(password);
  if (!info.Password.empty()) info.Authentication = saUsernamePassword;
  return info;
}

// Runs the handshake against `script`; the error text, empty on success.
std::string Handshake(ScriptedTransport& script, const TSocksInfo& socks, const std::string& host,
                      int port, std::string* leftover = nullptr) {
  ScriptedTransport::Plug plug(script);
  std::string error;
  std::unique_ptr<Transport> proxy = ScriptedTransport::Factory(ConnectTarget{}, error);
  std::string rest;
  bool ok = SocksConnect(*proxy, socks, host, port, ConnectDeadline(1000, nullptr), rest, error);
  if (leftover != nullptr) *leftover = rest;
  return ok ? std::string() : (error.empty() ? "failed without a reason" : error);
}

const std::string kSocks5Granted = Bytes({5, 0, 0, 1, 0, 0, 0, 0, 0, 0});

TEST(SocksTest, Socks4SendsAddressPortAndUser) {
  ScriptedTransport script;
  script.Client(Bytes({4, 1, 0, 110, 127, 0, 0, 1}) + "bob" + Bytes({0}))
      .Server(Bytes({0, 0x5a, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(Handshake(script, Socks(svSocks4, "bob"), "127.0.0.1", 110), "");
  EXPECT_TRUE(script.Done()) << script.Mismatch();
}

TEST(SocksTest, Socks4ReportsARefusal) {
  ScriptedTransport script;
  script.Client(Bytes({4, 1, 0, 25, 10, 1, 2, 3, 0})).Server(Bytes({0, 0x5b, 0, 0, 0, 0, 0, 0}));
  EXPECT_NE(Handshake(script, Socks(svSocks4), "10.1.2.3", 25).find("refused"), std::string::npos);
}

TEST(SocksTest, Socks4ALetsTheProxyResolveTheName) {
  ScriptedTransport script;
  script.Client(Bytes({4, 1, 0x03, 0xe3, 0, 0, 0, 1, 0}) + "pop.example.com" + Bytes({0}))
      .ChunkSize(6)  // the reply arrives split, the second piece with more bytes
      .Server(Bytes({0, 0x5a, 0, 0, 0, 0, 0, 0}) + "+OK");
  std::string leftover;
  EXPECT_EQ(Handshake(script, Socks(svSocks4A), "pop.example.com", 995, &leftover), "");
  EXPECT_TRUE(script.Done()) << script.Mismatch();
  EXPECT_EQ(leftover, "+OK");  // what came after the reply is not lost
}

TEST(SocksTest, Socks5WithoutPasswordSendsTheNameAndKeepsLaterBytes) {
  ScriptedTransport script;
  script.Client(Bytes({5, 1, 0}))
      .Server(Bytes({5, 0}))
      .Client(Bytes({5, 1, 0, 3, 9}) + "mail.test" + Bytes({0, 25}))
      .Server(Bytes({5, 0, 0, 4}) + std::string(16, '\0') + Bytes({0, 0}) + "220 hi\r\n");
  std::string leftover;
  EXPECT_EQ(Handshake(script, Socks(svSocks5), "mail.test", 25, &leftover), "");
  EXPECT_TRUE(script.Done()) << script.Mismatch();
  EXPECT_EQ(leftover, "220 hi\r\n");
}

TEST(SocksTest, Socks5LogsInWithUserAndPassword) {
  ScriptedTransport script;
  script.Client(Bytes({5, 2, 0, 2}))
      .Server(Bytes({5, 2}))
      .Client(Bytes({1, 3}) + "bob" + Bytes({6}) + "secret")
      .Server(Bytes({1, 0}))
      .Client(Bytes({5, 1, 0, 4}) + std::string(15, '\0') + Bytes({1, 0, 110}))
      .Server(kSocks5Granted);
  EXPECT_EQ(Handshake(script, Socks(svSocks5, "bob", "secret"), "::1", 110), "");
  EXPECT_TRUE(script.Done()) << script.Mismatch();
}

TEST(SocksTest, Socks5Refusals) {
  ScriptedTransport noMethod;
  noMethod.Client(Bytes({5, 1, 0})).Server(Bytes({5, 0xff}));
  EXPECT_NE(Handshake(noMethod, Socks(svSocks5), "h", 1).find("none of the offered"),
            std::string::npos);

  // A proxy that picks the password method the client never offered.
  ScriptedTransport unasked;
  unasked.Client(Bytes({5, 1, 0})).Server(Bytes({5, 2}));
  EXPECT_NE(Handshake(unasked, Socks(svSocks5), "h", 1), "");

  ScriptedTransport badPassword;
  badPassword.Client(Bytes({5, 2, 0, 2}))
      .Server(Bytes({5, 2}))
      .Client(Bytes({1, 1}) + "u" + Bytes({1}) + "p")
      .Server(Bytes({1, 1}));
  EXPECT_NE(Handshake(badPassword, Socks(svSocks5, "u", "p"), "h", 1).find("password"),
            std::string::npos);

  ScriptedTransport refused;
  refused.Client(Bytes({5, 1, 0}))
      .Server(Bytes({5, 0}))
      .Client(Bytes({5, 1, 0, 1, 127, 0, 0, 1, 0, 1}))
      .Server(Bytes({5, 5, 0, 1, 0, 0, 0, 0, 0, 0}));
  EXPECT_NE(Handshake(refused, Socks(svSocks5), "127.0.0.1", 1).find("connection refused"),
            std::string::npos);
}

TEST(SocksTest, InvalidInputIsRefusedBeforeSending) {
  ScriptedTransport script;
  EXPECT_NE(Handshake(script, Socks(svSocks5), "h", 70000), "");
  ScriptedTransport longName;
  longName.Client(Bytes({5, 1, 0})).Server(Bytes({5, 0}));
  EXPECT_NE(Handshake(longName, Socks(svSocks5), std::string(300, 'a'), 25), "");
  EXPECT_EQ(script.Sent(), "");
}

TEST(SocksTest, SilentOrClosingProxyEndsTheHandshake) {
  ScriptedTransport silent;
  silent.Client(Bytes({5, 1, 0})).ServerStalls().ServerStalls().Server(Bytes({5}));
  // The stalls are time-outs of one slice each; the handshake then waits for the rest.
  silent.ServerCloses();
  EXPECT_NE(Handshake(silent, Socks(svSocks5), "h", 1).find("closed"), std::string::npos);
}

// Receives into `buffer` until `enough()` holds; bounded in passes and in time per pass.
template <typename Enough>
bool Fill(Transport& peer, std::string& buffer, Enough enough) {
  std::string error;
  for (int pass = 0; pass < 50 && !enough(); ++pass) {
    if (peer.Receive(buffer, net_test::kServerWaitMs, error) != IoStatus::Ok) return false;
  }
  return enough();
}

int PortAt(const std::string& bytes, std::size_t at) {
  return static_cast<unsigned char>(bytes[at]) * 256 + static_cast<unsigned char>(bytes[at + 1]);
}

// What the loopback proxy was asked.
struct ProxySaw {
  int version = 0;
  std::string user;
  std::string password;
  std::string host;
  int port = 0;
};

// A SOCKS 4/4A/5 proxy thread for one client; on granting the connect it plays the mail server
// itself: a greeting, then it waits for the client's line.
class LoopbackProxy {
 public:
  explicit LoopbackProxy(bool requirePassword)
      : thread_([this, requirePassword] { Serve(requirePassword); }) {}
  int Port() const { return listener_.Port(); }
  ProxySaw Saw() {
    thread_.join();
    return saw_;
  }

 private:
  void Serve(bool requirePassword) {
    int fd = listener_.Accept();
    if (fd < 0) return;
    TcpTransport peer(fd);
    std::string buffer;
    if (!Fill(peer, buffer, [&] { return !buffer.empty(); })) return;
    saw_.version = buffer[0];
    bool granted = saw_.version == 4 ? Socks4(peer, buffer) : Socks5(peer, buffer, requirePassword);
    // The grant and the server's greeting go out in one packet, as a busy proxy may send them.
    std::string error;
    std::string grant = saw_.version == 4 ? Bytes({0, 0x5a, 0, 0, 0, 0, 0, 0}) : kSocks5Granted;
    if (!granted || peer.Send(grant + "+OK via proxy\r\n", error) != IoStatus::Ok) return;
    std::string line;
    net_test::ReadUntil(peer, line, "\r\n");
  }

  bool Socks4(Transport& peer, std::string& buffer) {
    auto endOfText = [&](std::size_t from) { return buffer.find('\0', from); };
    if (!Fill(peer, buffer, [&] { return endOfText(8) != std::string::npos; })) return false;
    saw_.port = PortAt(buffer, 2);
    saw_.user = buffer.substr(8, endOfText(8) - 8);
    std::size_t nameAt = endOfText(8) + 1;
    if (buffer.compare(4, 3, std::string(3, '\0')) == 0) {  // 4A: the name follows
      if (!Fill(peer, buffer, [&] { return endOfText(nameAt) != std::string::npos; })) return false;
      saw_.host = buffer.substr(nameAt, endOfText(nameAt) - nameAt);
    } else {
      char text[INET_ADDRSTRLEN];
      saw_.host = inet_ntop(AF_INET, buffer.data() + 4, text, sizeof text);
    }
    return true;
  }

  bool Socks5(Transport& peer, std::string& buffer, bool requirePassword) {
    auto size = [&](std::size_t at) { return static_cast<unsigned char>(buffer[at]); };
    if (!Fill(peer, buffer, [&] { return buffer.size() >= 2 && buffer.size() >= 2u + size(1); })) {
      return false;
    }
    char wanted = requirePassword ? 2 : 0;
    bool offered = buffer.find(wanted, 2) != std::string::npos;
    std::string error;
    peer.Send(Bytes({5, offered ? wanted : 0xff}), error);
    buffer.erase(0, 2 + size(1));
    if (!offered || (requirePassword && !LogIn(peer, buffer))) return false;
    if (!Fill(peer, buffer, [&] { return buffer.size() >= 5 && buffer.size() >= 7u + size(4); })) {
      return false;
    }
    saw_.host = buffer.substr(5, size(4));
    saw_.port = PortAt(buffer, 5 + size(4));
    return true;
  }

  bool LogIn(Transport& peer, std::string& buffer) {
    auto size = [&](std::size_t at) { return static_cast<unsigned char>(buffer[at]); };
    auto complete = [&] {
      return buffer.size() >= 2 && buffer.size() > 2u + size(1) &&
             buffer.size() >= 3u + size(1) + size(2 + size(1));
    };
    if (!Fill(peer, buffer, complete)) return false;
    saw_.user = buffer.substr(2, size(1));
    saw_.password = buffer.substr(3 + size(1), size(2 + size(1)));
    buffer.erase(0, 3 + size(1) + size(2 + size(1)));
    std::string error;
    return peer.Send(Bytes({1, 0}), error) == IoStatus::Ok;
  }

  net_test::Listener listener_;  // made before the thread starts
  ProxySaw saw_;
  std::jthread thread_;
};

TEST(SocksTest, ClientConnectsThroughLoopbackProxiesOfEveryVersion) {
  struct Case {
    TSocksVersion version;
    const char* host;
    const char* user;
    const char* password;
  };
  for (const Case& c :
       {Case{svSocks4, "127.0.0.1", "bob", ""}, Case{svSocks4A, "mail.test", "bob", ""},
        Case{svSocks5, "mail.test", "", ""}, Case{svSocks5, "mail.test", "alice", "pass"}}) {
    SCOPED_TRACE(std::string("version ") + std::to_string(c.version) + " user " + c.user);
    LoopbackProxy proxy(*c.password != '\0');
    TRapTCPClient client;
    client.Host = c.host;
    client.Port = 110;
    client.IdSocksInfo = Socks(c.version, c.user, c.password);
    client.IdSocksInfo.Host = "127.0.0.1";
    client.IdSocksInfo.Port = proxy.Port();
    ASSERT_TRUE(client.Connect(2000)) << client.LastError();
    std::string line;
    ASSERT_TRUE(client.ReadLn(line, 2000)) << client.LastError();
    EXPECT_EQ(line, "+OK via proxy");
    EXPECT_TRUE(client.WriteLn("QUIT"));
    ProxySaw saw = proxy.Saw();
    EXPECT_EQ(saw.version, c.version == svSocks5 ? 5 : 4);
    EXPECT_EQ(saw.host, c.host);
    EXPECT_EQ(saw.port, 110);
    EXPECT_EQ(saw.user, c.user);
    EXPECT_EQ(saw.password, c.password);
  }
}

TEST(SocksTest, ProxyWantingAPasswordRefusesAClientWithout) {
  LoopbackProxy proxy(true);
  TRapTCPClient client;
  client.Host = "mail.test";
  client.Port = 25;
  client.Proxy_SocketVersion() = svSocks5;  // the views write through to IdSocksInfo
  client.Proxy_Host() = "127.0.0.1";
  client.Proxy_Port() = proxy.Port();
  EXPECT_FALSE(client.Connect(2000));
  EXPECT_NE(client.LastError().find("log-in"), std::string::npos) << client.LastError();
}

}  // namespace
}  // namespace maillib
