#include "tests/send/ui/LoopbackSmtp.h"

#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

#include "maillib/TextUtil.h"
#include "tests/maillib/NetTestUtil.h"

namespace send_test {

struct LoopbackSmtp::Impl {
  Impl(Hold hold, bool acceptLogin) : hold_(hold), acceptLogin_(acceptLogin) {
    thread_ = std::thread([this] { Serve(); });
  }
  ~Impl() {
    Release();
    listener_.Close();
    thread_.join();
  }
  void Release() {
    std::lock_guard<std::mutex> lock(mutex_);
    released_ = true;
    wake_.notify_all();
  }

  void Serve() {
    const int fd = listener_.Accept();
    if (fd < 0) return;
    Session(fd);
    ::close(fd);
  }

  bool Write(int fd, const std::string& text) {
    return ::send(fd, text.data(), text.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(text.size());
  }
  // The next line without CR LF; false on a close or the socket's time-out.
  bool ReadLine(int fd, std::string* line) {
    for (;;) {
      const std::size_t end = buffer_.find("\r\n");
      if (end != std::string::npos) {
        *line = buffer_.substr(0, end);
        buffer_.erase(0, end + 2);
        return true;
      }
      char chunk[4096];
      const ssize_t got = ::recv(fd, chunk, sizeof chunk, 0);
      if (got <= 0) return false;
      buffer_.append(chunk, static_cast<std::size_t>(got));
    }
  }
  void WaitIfHeld(Hold where) {
    if (hold_ != where) return;
    holding_ = true;
    std::unique_lock<std::mutex> lock(mutex_);
    wake_.wait_for(lock, std::chrono::milliseconds(net_test::kServerWaitMs),
                   [this] { return released_; });
  }

  void Session(int fd) {
    if (!Write(fd, "220 loopback ESMTP\r\n")) return;
    std::string line;
    while (ReadLine(fd, &line)) {
      const std::string verb = line.substr(0, 4);
      bool ok = true;
      if (verb == "EHLO") {
        ok = Write(fd, "250-loopback\r\n250-AUTH LOGIN\r\n250 8BITMIME\r\n");
      } else if (verb == "HELO") {
        ok = Write(fd, "250 loopback\r\n");
      } else if (line == "AUTH LOGIN") {
        std::string user;
        std::string password;
        ok = Write(fd, "334 VXNlcm5hbWU6\r\n") && ReadLine(fd, &user) &&
             Write(fd, "334 UGFzc3dvcmQ6\r\n") && ReadLine(fd, &password);
        WaitIfHeld(Hold::Login);
        ok = ok && Write(fd, acceptLogin_ ? "235 ok\r\n" : "535 refused\r\n");
      } else if (verb == "MAIL") {
        sawMail_ = true;
        ok = Write(fd, "250 ok\r\n");
      } else if (verb == "RCPT") {
        {
          std::lock_guard<std::mutex> lock(mutex_);
          recipients_.push_back(maillib::Trim(line.substr(8)));
        }
        ok = Write(fd, "250 ok\r\n");
      } else if (verb == "DATA") {
        ok = Write(fd, "354 go ahead\r\n");
        std::string text;
        while (ok && (ok = ReadLine(fd, &line)) && line != ".")
          text += line + "\r\n";
        {
          std::lock_guard<std::mutex> lock(mutex_);
          data_ = text;
        }
        WaitIfHeld(Hold::DataEnd);
        ok = ok && Write(fd, "250 queued\r\n");
      } else if (verb == "QUIT") {
        Write(fd, "221 bye\r\n");
        return;
      } else {
        ok = Write(fd, "250 ok\r\n");
      }
      if (!ok) return;
    }
  }

  net_test::Listener listener_;
  const Hold hold_;
  const bool acceptLogin_;
  std::thread thread_;
  std::string buffer_;
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  bool released_ = false;
  std::atomic<bool> holding_{false};
  std::atomic<bool> sawMail_{false};
  std::string data_;
  std::vector<std::string> recipients_;
};

LoopbackSmtp::LoopbackSmtp(Hold hold, bool acceptLogin)
    : impl_(std::make_unique<Impl>(hold, acceptLogin)) {}
LoopbackSmtp::~LoopbackSmtp() = default;

int LoopbackSmtp::Port() const {
  return impl_->listener_.Port();
}
void LoopbackSmtp::Release() {
  impl_->Release();
}
bool LoopbackSmtp::Holding() const {
  return impl_->holding_;
}
bool LoopbackSmtp::SawMailFrom() const {
  return impl_->sawMail_;
}
std::string LoopbackSmtp::Data() const {
  std::lock_guard<std::mutex> lock(impl_->mutex_);
  return impl_->data_;
}
std::vector<std::string> LoopbackSmtp::Recipients() const {
  std::lock_guard<std::mutex> lock(impl_->mutex_);
  return impl_->recipients_;
}

}  // namespace send_test
