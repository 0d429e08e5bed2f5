#include "maillib/TcpTransport.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <vector>

#include "maillib/NameLookup.h"

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

// The connects to a host's addresses, raced in the manner of "happy eyeballs": the first
// address is tried, and when it has not answered within kNextAttemptMs the next one is started
// while the first is kept, and so on; a refused attempt starts the next one at once. The first
// to connect wins and the others are closed. So a silent address (an IPv6 route that drops
// everything) costs kNextAttemptMs, not the whole deadline, and a slow but working first
// address can still win. Splitting the deadline among the addresses instead would give every
// address less time and still spend half of it on a black hole.
class ConnectRace {
 public:
  static constexpr int kNextAttemptMs = 300;

  explicit ConnectRace(const std::vector<ResolvedAddress>& addresses) : addresses_(addresses) {}
  ~ConnectRace() {
    for (const pollfd& entry : pending_)
      close(entry.fd);
  }
  ConnectRace(const ConnectRace&) = delete;
  ConnectRace& operator=(const ConnectRace&) = delete;

  // The connected socket, or -1 with the reason in `error`.
  int Run(const ConnectDeadline& deadline, std::string& error);

 private:
  bool ShouldStartNext() const {
    return next_ < addresses_.size() &&
           (pending_.empty() || std::chrono::steady_clock::now() >= nextStart_);
  }
  int NextWaitMs(const ConnectDeadline& deadline) const {
    int wait = deadline.SliceMs();
    return next_ < addresses_.size() ? std::min(wait, MsUntil(nextStart_)) : wait;
  }
  void StartNext();
  void CollectFinished();

  const std::vector<ResolvedAddress>& addresses_;
  std::size_t next_ = 0;
  std::vector<pollfd> pending_;  // attempts in progress
  std::chrono::steady_clock::time_point nextStart_;
  int winner_ = -1;
  std::string lastError_;
};

int ConnectRace::Run(const ConnectDeadline& deadline, std::string& error) {
  // Each pass starts an attempt or waits one slice at most; the deadline ends the loop.
  while (winner_ < 0) {
    if (const char* reason = deadline.StopReason()) {
      error = reason;
      return -1;
    }
    if (ShouldStartNext()) {
      StartNext();
      continue;
    }
    if (pending_.empty()) {
      error = lastError_.empty() ? "no address to connect to" : lastError_;
      return -1;
    }
    int ready = poll(pending_.data(), pending_.size(), NextWaitMs(deadline));
    if (ready < 0 && errno != EINTR) {
      error = ErrnoText("poll", errno);
      return -1;
    }
    if (ready > 0) CollectFinished();
  }
  return winner_;
}

void ConnectRace::StartNext() {
  const ResolvedAddress& address = addresses_[next_++];
  int fd =
      socket(address.Family, address.SockType | SOCK_NONBLOCK | SOCK_CLOEXEC, address.Protocol);
  if (fd < 0) {
    lastError_ = ErrnoText("socket", errno);
    return;
  }
  if (connect(fd, reinterpret_cast<const sockaddr*>(&address.Address), address.Length) == 0) {
    winner_ = fd;
  } else if (errno == EINPROGRESS) {
    pending_.push_back(pollfd{fd, POLLOUT, 0});
    nextStart_ = std::chrono::steady_clock::now() + std::chrono::milliseconds(kNextAttemptMs);
  } else {
    lastError_ = ErrnoText("connect", errno);
    close(fd);
  }
}

// Takes the attempts that finished out of pending_: the first success becomes the winner, a
// failure is closed and lets the next address start at once.
void ConnectRace::CollectFinished() {
  for (std::size_t i = pending_.size(); i-- > 0;) {
    if (pending_[i].revents == 0) continue;
    int fd = pending_[i].fd;
    pending_.erase(pending_.begin() + static_cast<std::ptrdiff_t>(i));
    int code = 0;
    socklen_t size = sizeof code;
    if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &code, &size) != 0) code = errno;
    if (code == 0 && winner_ < 0) {
      winner_ = fd;
      continue;
    }
    if (code != 0) lastError_ = ErrnoText("connect", code);
    close(fd);
    nextStart_ = std::chrono::steady_clock::now();
  }
}

}  // namespace

std::unique_ptr<TcpTransport> TcpTransport::Connect(const std::string& host, int port,
                                                    const ConnectDeadline& deadline,
                                                    std::string& error) {
  if (port <= 0 || port > 65535) {
    error = "invalid port " + std::to_string(port);
    return nullptr;
  }
  std::vector<ResolvedAddress> addresses;
  if (!ResolveBeforeDeadline(host, port, deadline, addresses, error)) return nullptr;
  int fd = ConnectRace(addresses).Run(deadline, error);
  if (fd < 0) {
    error = host + ":" + std::to_string(port) + ": " + error;
    return nullptr;
  }
  // Commands and replies alternate: a short write (a command, the end-of-data mark) must go out
  // at once, not wait for the acknowledgement of the previous one.
  const int on = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
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
