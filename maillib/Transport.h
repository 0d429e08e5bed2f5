// The byte pipe under the line-oriented client: plain TCP, TLS, SOCKS-tunnelled TCP, or an
// in-memory pipe in tests. Implementations never throw; failures come back as a status and a
// readable error text.
#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <string_view>

namespace maillib {

enum class IoStatus { Ok, TimedOut, Closed, Failed };

class Transport {
 public:
  virtual ~Transport() = default;
  // Sends every byte or fails.
  virtual IoStatus Send(std::string_view bytes, std::string& error) = 0;
  // Appends at least one received byte to `into`, waiting up to timeoutMs (negative: forever).
  virtual IoStatus Receive(std::string& into, int timeoutMs, std::string& error) = 0;
  // Closes both directions; safe to call more than once.
  virtual void Close() = 0;
  // Called from another thread while the owner may be waiting in Receive or Send: ends that
  // wait and makes every later one fail at once (the connection is shut down, not closed; the
  // owner still calls Close). The caller makes sure Close does not run at the same time.
  virtual void Abort() {}
  virtual bool IsOpen() const = 0;
};

enum TSocksAuthentication { saNoAuthentication, saUsernamePassword };
enum TSocksVersion { svNoSocks, svSocks4, svSocks4A, svSocks5 };

// The proxy settings a connection goes through.
struct TSocksInfo {
  TSocksAuthentication Authentication = saNoAuthentication;
  TSocksVersion Version = svNoSocks;
  std::string UserName;
  std::string Password;
  std::string Host;
  int Port = 1080;
};

// Everything a transport needs to open a connection.
struct ConnectTarget {
  std::string Host;
  int Port = 0;
  bool Tls = false;
  TSocksInfo Socks;
  int TimeoutMs = 30000;                      // deadline of the whole connect
  const std::atomic<bool>* Cancel = nullptr;  // polled while connecting; may be null
};

// Opens a transport to the target, or returns null with the reason in `error`.
using TransportFactory = std::unique_ptr<Transport> (*)(const ConnectTarget& target,
                                                        std::string& error);

// Turns an open plain connection into a TLS one after the server agreed to it (SMTP STARTTLS,
// POP3 STLS): the handshake runs over `plain` for target.Host within target.TimeoutMs and
// target.Cancel. Null with the reason in `error` on failure; `plain` is closed then.
using TlsUpgrader = std::unique_ptr<Transport> (*)(std::unique_ptr<Transport> plain,
                                                   const ConnectTarget& target, std::string& error);

}  // namespace maillib
