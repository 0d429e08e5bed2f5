// The time limit of a connect (TCP, proxy handshake, TLS handshake) together with the caller's
// cancel flag. Waits are cut into slices of at most kSliceMs so the flag is seen quickly.
#pragma once

#include <algorithm>
#include <atomic>
#include <chrono>
#include <string>

#include "maillib/Transport.h"

namespace maillib {

// Milliseconds from now until `end`, at least 0.
inline int MsUntil(std::chrono::steady_clock::time_point end) {
  auto left =
      std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
  return static_cast<int>(std::max<long long>(left.count(), 0));
}

// The end of a wait of timeoutMs from now (negative: never; only read when timeoutMs >= 0).
inline std::chrono::steady_clock::time_point EndAfter(int timeoutMs) {
  return std::chrono::steady_clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
}

class ConnectDeadline {
 public:
  static constexpr int kSliceMs = 100;

  // timeoutMs < 0: no limit.
  ConnectDeadline(int timeoutMs, const std::atomic<bool>* cancel)
      : unlimited_(timeoutMs < 0), end_(EndAfter(timeoutMs)), cancel_(cancel) {}

  bool Cancelled() const { return cancel_ != nullptr && cancel_->load(); }
  bool Expired() const { return !unlimited_ && std::chrono::steady_clock::now() >= end_; }
  // Milliseconds left (at least 0); a large number when there is no limit.
  int RemainingMs() const { return unlimited_ ? kUnlimitedMs : MsUntil(end_); }
  // The next wait: what is left, but never longer than one slice.
  int SliceMs() const { return std::min(RemainingMs(), kSliceMs); }
  // Why the connect stops, or null while it may go on.
  const char* StopReason() const {
    if (Cancelled()) return "connect cancelled";
    if (Expired()) return "connect timed out";
    return nullptr;
  }

 private:
  static constexpr int kUnlimitedMs = 1 << 30;
  bool unlimited_;
  std::chrono::steady_clock::time_point end_;
  const std::atomic<bool>* cancel_;
};

// Receives at least one more byte into `into` before the deadline, in slices so the cancel flag
// is seen. False with the reason in `error` on time-out, cancel, close or failure.
inline bool ReceiveBeforeDeadline(Transport& transport, std::string& into,
                                  const ConnectDeadline& deadline, std::string& error) {
  // Each pass waits one slice at most; the deadline ends the loop.
  for (;;) {
    if (const char* reason = deadline.StopReason()) {
      error = reason;
      return false;
    }
    IoStatus status = transport.Receive(into, deadline.SliceMs(), error);
    if (status == IoStatus::Ok) return true;
    if (status != IoStatus::TimedOut) return false;
  }
}

}  // namespace maillib
