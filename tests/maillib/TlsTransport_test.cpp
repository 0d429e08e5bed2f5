// TLS on 127.0.0.1 against a server thread with certificates made by the test: trusted,
// untrusted and wrong-name certificates, line traffic both ways, and stalled handshakes.
#include "maillib/TlsTransport.h"

#include <gtest/gtest.h>
#include <openssl/ssl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <thread>

#include "maillib/RapTCPClient.h"
#include "maillib/TcpTransport.h"
#include "tests/maillib/NetTestUtil.h"
#include "tests/maillib/TlsTestUtil.h"

namespace maillib {
namespace {

constexpr int kMaxServerLines = 10;
constexpr std::size_t kEchoLimit = 64;

// Echoes each line the client sends ("echo <line>", or "long <length>" for long ones).
void EchoLines(SSL* ssl) {
  std::string received;
  char buffer[16384];
  // Bounded by the line count and by the socket's receive time-out.
  for (int lines = 0; lines < kMaxServerLines;) {
    int got = SSL_read(ssl, buffer, sizeof buffer);
    if (got <= 0) return;
    received.append(buffer, static_cast<std::size_t>(got));
    for (std::size_t end; (end = received.find("\r\n")) != std::string::npos; ++lines) {
      std::string line = received.substr(0, end);
      received.erase(0, end + 2);
      std::string reply =
          line.size() <= kEchoLimit ? "echo " + line : "long " + std::to_string(line.size());
      reply += "\r\n";
      SSL_write(ssl, reply.data(), static_cast<int>(reply.size()));
    }
  }
}

// The plain prelude of an upgraded connection: "+OK plain", the client's "STLS", "+OK begin".
// False when the client sent something else or nothing.
bool PlainPrelude(int fd) {
  const std::string greeting = "+OK plain\r\n";
  if (send(fd, greeting.data(), greeting.size(), MSG_NOSIGNAL) < 0) return false;
  std::string received;
  char byte = 0;
  // Bounded by the line length and by the socket's receive time-out.
  while (received.size() < kEchoLimit && received.find("\r\n") == std::string::npos) {
    if (recv(fd, &byte, 1, 0) != 1) return false;
    received += byte;
  }
  if (received != "STLS\r\n") return false;
  const std::string begin = "+OK begin\r\n";
  return send(fd, begin.data(), begin.size(), MSG_NOSIGNAL) > 0;
}

// Serves one connection: (after the plain prelude when `upgrade` is set) handshake, greeting,
// echo until the client closes.
void ServeTls(net_test::Listener& listener, const tls_test::Credential& credential,
              std::atomic<bool>& handshakeOk, bool upgrade = false) {
  int fd = listener.Accept();
  if (fd < 0) return;
  if (upgrade && !PlainPrelude(fd)) {
    close(fd);
    return;
  }
  SSL_CTX* context = credential.ServerContext();
  SSL* ssl = SSL_new(context);
  SSL_set_fd(ssl, fd);
  if (SSL_accept(ssl) == 1) {
    handshakeOk = true;
    const char greeting[] = "+OK secure\r\n";
    SSL_write(ssl, greeting, sizeof greeting - 1);
    EchoLines(ssl);
    SSL_shutdown(ssl);
  }
  SSL_free(ssl);
  SSL_CTX_free(context);
  close(fd);
}

class TlsTest : public ::testing::Test {
 protected:
  void Serve(const tls_test::Credential& credential, bool upgrade = false) {
    server_ = std::jthread(
        [this, &credential, upgrade] { ServeTls(listener_, credential, handshakeOk_, upgrade); });
  }
  // A plain connection to the server thread that has asked for STLS and been told to begin.
  void OpenForUpgrade(TRapTCPClient& client) {
    client.Host = "127.0.0.1";
    client.Port = listener_.Port();
    ASSERT_TRUE(client.Connect(3000)) << client.LastError();
    std::string line;
    ASSERT_TRUE(client.ReadLn(line, 3000)) << client.LastError();
    EXPECT_EQ(line, "+OK plain");
    ASSERT_TRUE(client.WriteLn("STLS"));
    ASSERT_TRUE(client.ReadLn(line, 3000)) << client.LastError();
    EXPECT_EQ(line, "+OK begin");
  }
  // A TLS connection to the server thread checked against `name`.
  std::unique_ptr<TlsTransport> Open(const std::string& name, std::string& error,
                                     int timeoutMs = 3000,
                                     const std::atomic<bool>* cancel = nullptr) {
    ConnectDeadline deadline(timeoutMs, cancel);
    auto tcp = TcpTransport::Connect("127.0.0.1", listener_.Port(), deadline, error);
    if (!tcp) return nullptr;
    return TlsTransport::Handshake(std::move(tcp), name, deadline, error);
  }

  tls_test::Pki pki_;
  net_test::Listener listener_;
  std::atomic<bool> handshakeOk_{false};
  std::jthread server_;
};

TEST_F(TlsTest, TrustedCertificateCarriesLinesBothWays) {
  ASSERT_TRUE(pki_.written);
  Serve(pki_.server);
  TRapTCPClient client;
  client.Host = "127.0.0.1";
  client.Port = listener_.Port();
  client.UseTls();
  ASSERT_TRUE(client.Connect(3000)) << client.LastError();
  std::string line;
  ASSERT_TRUE(client.ReadLn(line, 3000)) << client.LastError();
  EXPECT_EQ(line, "+OK secure");
  ASSERT_TRUE(client.WriteLn("NOOP"));
  ASSERT_TRUE(client.ReadLn(line, 3000));
  EXPECT_EQ(line, "echo NOOP");
  // More than one TLS record each way.
  ASSERT_TRUE(client.WriteLn(std::string(100000, 'm')));
  ASSERT_TRUE(client.ReadLn(line, 3000)) << client.LastError();
  EXPECT_EQ(line, "long 100000");
  client.Disconnect();
  EXPECT_FALSE(client.Connected());
}

TEST_F(TlsTest, CertificateNameMustMatch) {
  Serve(pki_.server);
  std::string error;
  auto tls = Open("mail.test", error);
  ASSERT_TRUE(tls) << error;
  std::string greeting;
  EXPECT_EQ(tls->Receive(greeting, 3000, error), IoStatus::Ok) << error;
  tls.reset();
  server_.join();

  Serve(pki_.server);
  EXPECT_EQ(Open("other.test", error), nullptr);
  EXPECT_NE(error.find("certificate"), std::string::npos) << error;
  EXPECT_TRUE(IsCertificateRejection(error)) << error;
  server_.join();
}

TEST_F(TlsTest, UntrustedCertificateIsRefused) {
  Serve(pki_.stranger);
  TRapTCPClient client;
  client.Host = "127.0.0.1";
  client.Port = listener_.Port();
  client.UseTls();
  EXPECT_FALSE(client.Connect(3000));
  EXPECT_FALSE(client.Connected());
  EXPECT_NE(client.LastError().find("certificate"), std::string::npos) << client.LastError();
  EXPECT_EQ(client.ConnectFailure(), TMailFailure::CertificateRejected);
  server_.join();
  EXPECT_FALSE(handshakeOk_);
}

TEST_F(TlsTest, PlainConnectionUpgradesAndCarriesLines) {
  Serve(pki_.server, true);
  TRapTCPClient client;
  OpenForUpgrade(client);
  EXPECT_FALSE(client.UsingTls());
  ASSERT_TRUE(client.StartTls(3000)) << client.LastError();
  EXPECT_TRUE(client.UsingTls());
  std::string line;
  ASSERT_TRUE(client.ReadLn(line, 3000)) << client.LastError();
  EXPECT_EQ(line, "+OK secure");
  ASSERT_TRUE(client.WriteLn("NOOP"));
  ASSERT_TRUE(client.ReadLn(line, 3000));
  EXPECT_EQ(line, "echo NOOP");
  client.Disconnect();
  // The next connection of the client starts plain again.
  EXPECT_FALSE(client.UsingTls());
}

TEST_F(TlsTest, UpgradeToAnUntrustedCertificateFailsAndCloses) {
  Serve(pki_.stranger, true);
  TRapTCPClient client;
  bool disconnected = false;
  client.OnDisconnected = [&disconnected] { disconnected = true; };
  OpenForUpgrade(client);
  EXPECT_FALSE(client.StartTls(3000));
  EXPECT_EQ(client.ConnectFailure(), TMailFailure::CertificateRejected) << client.LastError();
  EXPECT_FALSE(client.Connected());
  EXPECT_FALSE(client.UsingTls());
  EXPECT_TRUE(disconnected);
  EXPECT_FALSE(client.WriteLn("PASS secret"));
  server_.join();
  EXPECT_FALSE(handshakeOk_);
}

TEST_F(TlsTest, PlainServerFailsTheHandshake) {
  server_ = std::jthread([this] {
    int fd = listener_.Accept();
    if (fd < 0) return;
    TcpTransport peer(fd);
    std::string error;
    peer.Send("+OK plain text server\r\n", error);
  });
  std::string error;
  EXPECT_EQ(Open("mail.test", error), nullptr);
  EXPECT_FALSE(error.empty());
  // Not a certificate problem: the server does not speak TLS at all.
  EXPECT_FALSE(IsCertificateRejection(error)) << error;
}

TEST_F(TlsTest, SilentServerEndsTheHandshakeAtTheDeadline) {
  // The kernel completes the TCP connect from the listen queue; nobody ever answers.
  std::string error;
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(Open("mail.test", error, 300), nullptr);
  long long spent = net_test::MsSince(start);
  EXPECT_GE(spent, 290);
  EXPECT_LT(spent, 1500);
  EXPECT_NE(error.find("timed out"), std::string::npos) << error;
}

TEST_F(TlsTest, CancelEndsAStalledHandshakeQuickly) {
  std::string error;
  // A first short attempt loads the trusted certificates, the one step no flag interrupts.
  EXPECT_EQ(Open("mail.test", error, 50), nullptr);
  std::atomic<bool> cancel{false};
  std::chrono::steady_clock::time_point cancelledAt;
  std::jthread canceller([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    cancelledAt = std::chrono::steady_clock::now();
    cancel = true;
  });
  EXPECT_EQ(Open("mail.test", error, 10000, &cancel), nullptr);
  long long afterCancel = net_test::MsSince(cancelledAt);
  canceller.join();
  EXPECT_LT(afterCancel, 250);
  EXPECT_NE(error.find("cancel"), std::string::npos) << error;
}

}  // namespace
}  // namespace maillib
