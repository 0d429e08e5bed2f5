// Marks a send or read of a protocol client as in progress for as long as the scope lasts, also
// when it ends by an exception (a message too big for memory): the client's destructor waits for
// the mark, and a mark left set would make it wait for nothing.
#pragma once

#include <atomic>

namespace maillib {

class BusyScope {
 public:
  explicit BusyScope(std::atomic<bool>& flag) : flag_(flag) { flag_ = true; }
  ~BusyScope() { flag_ = false; }
  BusyScope(const BusyScope&) = delete;
  BusyScope& operator=(const BusyScope&) = delete;

 private:
  std::atomic<bool>& flag_;
};

}  // namespace maillib
