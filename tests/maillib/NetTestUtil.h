// Helpers of the network tests: a listening socket on 127.0.0.1 with a port of its own, and
// reads on the server side that give up after a time-out. Every wait here is bounded.
#pragma once

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <string_view>

#include "maillib/Transport.h"

namespace net_test {

constexpr int kServerWaitMs = 5000;  // the longest any fake server waits for the client

class Listener {
 public:
  Listener() {
    fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (fd_ < 0 || bind(fd_, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
        listen(fd_, 8) != 0 ||
        getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
      return;
    }
    port_ = ntohs(address.sin_port);
  }
  ~Listener() { Close(); }
  Listener(const Listener&) = delete;
  Listener& operator=(const Listener&) = delete;

  int Port() const { return port_; }
  void Close() {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
  }
  // The next connection (with send and receive time-outs of kServerWaitMs), or -1.
  int Accept(int timeoutMs = kServerWaitMs) {
    pollfd entry{fd_, POLLIN, 0};
    if (poll(&entry, 1, timeoutMs) != 1) return -1;
    int client = accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (client < 0) return -1;
    timeval limit{kServerWaitMs / 1000, 0};
    setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    setsockopt(client, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
    return client;
  }

 private:
  int fd_ = -1;
  int port_ = 0;
};

// Receives into `buffer` until it holds `marker`; false after kServerWaitMs or on a close.
inline bool ReadUntil(maillib::Transport& transport, std::string& buffer, std::string_view marker) {
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(kServerWaitMs);
  std::string error;
  // Each pass receives at least one byte or ends; the overall wait is bounded by `end`.
  while (buffer.find(marker) == std::string::npos) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        end - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    if (transport.Receive(buffer, static_cast<int>(left.count()), error) != maillib::IoStatus::Ok) {
      return false;
    }
  }
  return true;
}

// Milliseconds since `start`.
inline long long MsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                               start)
      .count();
}

}  // namespace net_test
