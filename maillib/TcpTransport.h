// A plain TCP connection (IPv4 or IPv6) over a non-blocking POSIX socket.
#pragma once

#include <memory>
#include <string>

#include "maillib/ConnectDeadline.h"
#include "maillib/Transport.h"

namespace maillib {

class TcpTransport final : public Transport {
 public:
  // How long a send may wait for room in a full socket buffer before it fails.
  static constexpr int kSendStallMs = 60000;

  // Looks up host (see NameLookup.h) and connects to its addresses, a new attempt starting while
  // the earlier ones have not answered (see ConnectRace), before the deadline and until the
  // cancel flag is set; both also bound the look-up. Null with the reason in `error` on failure.
  static std::unique_ptr<TcpTransport> Connect(const std::string& host, int port,
                                               const ConnectDeadline& deadline, std::string& error);

  // Takes over a connected socket.
  explicit TcpTransport(int fd);
  ~TcpTransport() override;
  TcpTransport(const TcpTransport&) = delete;
  TcpTransport& operator=(const TcpTransport&) = delete;

  IoStatus Send(std::string_view bytes, std::string& error) override;
  IoStatus Receive(std::string& into, int timeoutMs, std::string& error) override;
  void Close() override;
  void Abort() override;
  bool IsOpen() const override { return fd_ >= 0 && !peerClosed_; }

 private:
  // One recv of what is there; TimedOut when nothing was (a wake-up without data).
  IoStatus ReadAvailable(std::string& into, std::string& error);

  int fd_;
  bool peerClosed_ = false;
};

}  // namespace maillib
