// A TLS client connection (TLS 1.2 or newer, OpenSSL) over another transport, usually the TCP
// socket just opened. Certificates are verified against the system store, which honours
// SSL_CERT_FILE and SSL_CERT_DIR, and must name the server the client asked for.
#pragma once

#include <memory>
#include <string>

#include "maillib/ConnectDeadline.h"
#include "maillib/Transport.h"

namespace maillib {

// The error texts of a handshake whose server certificate failed verification (an unknown
// issuer, an expired certificate, a name that does not match) begin with this.
inline constexpr const char* kCertificateRejectedText = "TLS: server certificate not accepted: ";
// True when a connect's error text tells of a rejected server certificate.
bool IsCertificateRejection(const std::string& error);

class TlsTransport final : public Transport {
 public:
  // Runs the client handshake over `lower` for serverName (sent as SNI unless it is an address
  // literal, and checked against the certificate) before the deadline. Null with the reason in
  // `error` on failure; `lower` is closed then.
  static std::unique_ptr<TlsTransport> Handshake(std::unique_ptr<Transport> lower,
                                                 const std::string& serverName,
                                                 const ConnectDeadline& deadline,
                                                 std::string& error);
  ~TlsTransport() override;
  TlsTransport(const TlsTransport&) = delete;
  TlsTransport& operator=(const TlsTransport&) = delete;

  IoStatus Send(std::string_view bytes, std::string& error) override;
  IoStatus Receive(std::string& into, int timeoutMs, std::string& error) override;
  // Sends the close notice when it can, then closes the lower transport.
  void Close() override;
  void Abort() override;
  bool IsOpen() const override;

 private:
  struct Session;
  explicit TlsTransport(std::unique_ptr<Session> session);

  std::unique_ptr<Session> session_;
};

}  // namespace maillib
