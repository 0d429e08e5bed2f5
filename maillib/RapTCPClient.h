// The line-oriented connection the POP3 and SMTP clients own: line reads with a time-out,
// writes, SOCKS proxy settings and a switch between the plain and the TLS transport.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "maillib/MailFailure.h"
#include "maillib/Transport.h"

namespace maillib {

class TRapTCPClient {
 public:
  // Received lines longer than this are handed out in pieces of this length.
  static constexpr std::size_t kMaxLineLength = 16384;

  TRapTCPClient();
  ~TRapTCPClient();
  TRapTCPClient(const TRapTCPClient&) = delete;
  TRapTCPClient& operator=(const TRapTCPClient&) = delete;

  std::string Host;
  int Port = 0;
  int TimeOut = 30000;     // default read time-out of ReadLn, in ms
  TSocksInfo IdSocksInfo;  // the proxy settings (Proxy_* below are views of it)

  TSocksAuthentication& Proxy_Authentication() { return IdSocksInfo.Authentication; }
  TSocksVersion& Proxy_SocketVersion() { return IdSocksInfo.Version; }
  std::string& Proxy_UserName() { return IdSocksInfo.UserName; }
  std::string& Proxy_Passwrod() { return IdSocksInfo.Password; }
  std::string& Proxy_Host() { return IdSocksInfo.Host; }
  int& Proxy_Port() { return IdSocksInfo.Port; }

  // Raised on the connecting thread after a connection opened / when it is closed.
  std::function<void()> OnConnected;
  std::function<void()> OnDisconnected;

  // Sets TimeOut to 30000, then connects (time-out 0 or negative: 30000 ms). False on failure,
  // with the reason in LastError().
  bool Connect(int timeoutMs = -1, const std::atomic<bool>* cancel = nullptr);
  void Disconnect();
  bool Connected() const;
  // From any thread: ends a read or write in progress on the connection at once, and every later
  // one, until the owner disconnects (see Transport::Abort).
  void Abort();

  void UseTls();
  void UsePlain();
  // True when the connection runs over TLS: from the first byte, or since StartTls.
  bool UsingTls() const { return tls_ || upgraded_; }
  // Runs the TLS handshake on the open plain connection, after the server agreed to it
  // (STARTTLS, STLS), with the same certificate and host-name checks as a TLS connect. False
  // with the reason in LastError() on failure; the connection is closed then. Bytes the server
  // sent after its consent and before the handshake came in plain text where nobody can vouch
  // for them: they make the upgrade fail.
  bool StartTls(int timeoutMs, const std::atomic<bool>* cancel = nullptr);
  // Why the last Connect or StartTls failed: CertificateRejected when the server's certificate
  // failed verification, ConnectFailed otherwise.
  TMailFailure ConnectFailure() const;

  bool WriteLn(std::string_view text);
  bool Write(std::string_view text);
  bool WriteBuffer(const char* bytes, std::size_t count);
  // Reads up to the next LF (negative time-out: TimeOut); the line comes without CR LF.
  // False on time-out, closed connection or failure, with the reason in LastError(); when the
  // peer closed in the middle of a line, `line` holds that unterminated rest.
  // A line longer than kMaxLineLength comes in pieces, one a call.
  bool ReadLn(std::string& line, int timeoutMs = -1);
  // The same, and `goesOn` tells whether the piece was cut from a longer line: the next read
  // then continues that line, so the piece joined with it gives the line's bytes unchanged.
  // False (the read failed) leaves `goesOn` false.
  [[nodiscard]] bool ReadLn(std::string& line, bool& goesOn, int timeoutMs = -1);
  IoStatus LastStatus() const { return lastStatus_; }
  const std::string& LastError() const { return lastError_; }

  // Tests and tools replace how transports are made and upgraded to TLS (null restores the
  // default one).
  void SetTransportFactory(TransportFactory factory, TlsUpgrader upgrader = nullptr);

 private:
  std::unique_ptr<Transport> transport_;  // replaced and closed only under transportMutex_
  std::mutex transportMutex_;
  TransportFactory factory_ = nullptr;
  TlsUpgrader upgrader_ = nullptr;
  std::string pending_;              // bytes received, from the last line handed out on
  std::size_t pendingStart_ = 0;     // where the unread part of pending_ begins
  std::size_t pendingSearched_ = 0;  // pending_ before it holds no LF after pendingStart_
  bool tls_ = false;                 // the next Connect opens TLS from the first byte
  bool upgraded_ = false;            // the current connection went over to TLS through StartTls
  IoStatus lastStatus_ = IoStatus::Ok;
  std::string lastError_;
};

// The factory of every client that has none of its own: null restores the real network
// (TCP, then SOCKS when set, then TLS when switched on). Tests plug in-memory servers here for
// objects that build their own client (the POP3 and SMTP clients, the workers). The upgrader
// (null: the real TLS handshake) serves StartTls of the same clients.
void SetDefaultTransportFactory(TransportFactory factory, TlsUpgrader upgrader = nullptr);

// Connects with a time limit the caller can also end through the cancel flag: returns true when
// the attempt finished (successfully or not) within the limit; the caller then tests
// Connected(). A limit of 0 waits for the attempt itself. Nothing is killed: the connect runs
// against a deadline and polls the flag.
bool OpenWithTimeout(TRapTCPClient& client, const std::atomic<bool>* cancel, int limitMs);

// The computer's network name, up to 15 characters; empty on failure. Used for HELO/EHLO.
std::string ComputerName();

}  // namespace maillib
