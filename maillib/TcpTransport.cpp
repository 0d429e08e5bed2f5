#include "maillib/TcpTransport.h"

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

namespace maillib {

namespace {

constexpr std::size_t kReceiveChunk = 16384;

std::string ErrnoText(const char* what, int code) {
  return std::string(what) + ": " + std::strerror(code);
}

// Waits until the socket is ready for `events` or timeoutMs passed (negative: forever).
// Returns >0 when ready, 0 on time-out, <0 on failure (errno set).
int WaitFor(int fd, short events, int timeoutMs) {
  auto end = EndAfter(timeoutMs);
  // Repeats only when a signal interrupted the wait; the time left shrinks each time.
  for (;;) {
    pollfd entry{fd, events, 0};
    int result = poll(&entry, 1, timeoutMs);
    if (result >= 0 || errno != EINTR) return result;
    if (timeoutMs >= 0) timeoutMs = MsUntil(end);
  }
}

// Waits for a non-blocking connect to finish; 0 when connected, else an errno value.
int FinishConnect(int fd, const ConnectDeadline& deadline, std::string& stopReason) {
  // One slice per pass, so the cancel flag is seen within kSliceMs; the deadline ends it.
  for (;;) {
    if (const char* reason = deadline.StopReason()) {
      stopReason = reason;
      return ETIMEDOUT;
    }
    int ready = WaitFor(fd, POLLOUT, deadline.SliceMs());
    if (ready < 0) return errno;
    if (ready == 0) continue;
    int code = 0;
    socklen_t size = sizeof code;
    if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &code, &size) != 0) return errno;
    return code;
  }
}

// Connects to one address; the socket, or -1 with the reason in `error`.
int ConnectOne(const addrinfo& address, const ConnectDeadline& deadline, std::string& error) {
  int fd = socket(address.ai_family, address.ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                  address.ai_protocol);
  if (fd < 0) {
    error = ErrnoText("socket", errno);
    return -1;
  }
  int code = 0;
  if (connect(fd, address.ai_addr, address.ai_addrlen) != 0) {
    code = errno == EINPROGRESS ? 0 : errno;
    std::string stopReason;
    if (code == 0) code = FinishConnect(fd, deadline, stopReason);
    if (!stopReason.empty()) error = stopReason;
  }
  if (code == 0) {
    // Commands and replies alternate: a short write (a command, the end-of-data mark) must go
    // out at once, not wait for the acknowledgement of the previous one.
    const int on = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    return fd;
  }
  if (error.empty()) error = ErrnoText("connect", code);
  close(fd);
  return -1;
}

}  // namespace

std::unique_ptr<TcpTransport> TcpTransport::Connect(const std::string& host, int port,
                                                    const ConnectDeadline& deadline,
                                                    std::string& error) {
  if (port <= 0 || port > 65535) {
    error = "invalid port " + std::to_string(port);
    return nullptr;
  }
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_NUMERICSERV;
  addrinfo* found = nullptr;
  // The name look-up itself cannot be cancelled; the resolver's own time-out bounds it.
  int code = getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found);
  if (code != 0) {
    error = "host " + host + " not found: " + gai_strerror(code);
    return nullptr;
  }
  int fd = -1;
  for (addrinfo* address = found; address != nullptr && fd < 0; address = address->ai_next) {
    error.clear();
    fd = ConnectOne(*address, deadline, error);
    if (deadline.StopReason() != nullptr) break;
  }
  freeaddrinfo(found);
  if (fd < 0) {
    error = host + ":" + std::to_string(port) + ": " + error;
    return nullptr;
  }
  error.clear();
  return std::make_unique<TcpTransport>(fd);
}

TcpTransport::TcpTransport(int fd) : fd_(fd) {
  int flags = fcntl(fd_, F_GETFL);
  if (flags >= 0) fcntl(fd_, F_SETFL, flags | O_NONBLOCK);
}

TcpTransport::~TcpTransport() {
  Close();
}

IoStatus TcpTransport::Send(std::string_view bytes, std::string& error) {
  if (fd_ < 0) {
    error = "not connected";
    return IoStatus::Closed;
  }
  // Every pass sends some bytes or waits up to kSendStallMs for room; a stall ends it.
  while (!bytes.empty()) {
    ssize_t sent = send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (sent > 0) {
      bytes.remove_prefix(static_cast<std::size_t>(sent));
      continue;
    }
    int code = errno;
    if (code == EINTR) continue;
    if (code != EAGAIN && code != EWOULDBLOCK) {
      error = ErrnoText("send", code);
      return (code == EPIPE || code == ECONNRESET) ? IoStatus::Closed : IoStatus::Failed;
    }
    int ready = WaitFor(fd_, POLLOUT, kSendStallMs);
    if (ready == 0) {
      error = "send timed out";
      return IoStatus::TimedOut;
    }
    if (ready < 0) {
      error = ErrnoText("poll", errno);
      return IoStatus::Failed;
    }
  }
  return IoStatus::Ok;
}

IoStatus TcpTransport::Receive(std::string& into, int timeoutMs, std::string& error) {
  if (fd_ < 0 || peerClosed_) {
    error = fd_ < 0 ? "not connected" : "connection closed by the peer";
    return IoStatus::Closed;
  }
  auto end = EndAfter(timeoutMs);
  // Repeats only after a wake-up without data; the time left shrinks each pass.
  for (;;) {
    int ready = WaitFor(fd_, POLLIN, timeoutMs < 0 ? -1 : MsUntil(end));
    if (ready == 0) {
      error = "read timed out";
      return IoStatus::TimedOut;
    }
    if (ready < 0) {
      error = ErrnoText("poll", errno);
      return IoStatus::Failed;
    }
    IoStatus status = ReadAvailable(into, error);
    if (status != IoStatus::TimedOut) return status;
  }
}

IoStatus TcpTransport::ReadAvailable(std::string& into, std::string& error) {
  char buffer[kReceiveChunk];
  ssize_t got = recv(fd_, buffer, sizeof buffer, 0);
  if (got > 0) {
    into.append(buffer, static_cast<std::size_t>(got));
    return IoStatus::Ok;
  }
  int code = got == 0 ? 0 : errno;
  if (code == EAGAIN || code == EWOULDBLOCK || code == EINTR) return IoStatus::TimedOut;
  if (code == 0 || code == ECONNRESET) {
    peerClosed_ = true;
    error = code == 0 ? "connection closed by the peer" : ErrnoText("recv", code);
    return IoStatus::Closed;
  }
  error = ErrnoText("recv", code);
  return IoStatus::Failed;
}

void TcpTransport::Abort() {
  // shutdown wakes a poll or recv of the owner's thread; the descriptor stays valid until Close.
  if (fd_ >= 0) shutdown(fd_, SHUT_RDWR);
}

void TcpTransport::Close() {
  if (fd_ < 0) return;
  shutdown(fd_, SHUT_RDWR);
  close(fd_);
  fd_ = -1;
}

}  // namespace maillib
