// An in-memory connection: two Transport ends, usable from two threads, so a test can run a
// fake server on one thread and the code under test on another without sockets.
#pragma once

#include <memory>
#include <string>
#include <utility>

#include "maillib/Transport.h"

namespace maillib {

class PipeTransport final : public Transport {
 public:
  struct Shared;
  // Makes a connected pair: what one end sends, the other receives.
  static std::pair<std::unique_ptr<PipeTransport>, std::unique_ptr<PipeTransport>> MakePair();

  PipeTransport(std::shared_ptr<Shared> shared, int side);
  ~PipeTransport() override;
  PipeTransport(const PipeTransport&) = delete;
  PipeTransport& operator=(const PipeTransport&) = delete;

  IoStatus Send(std::string_view bytes, std::string& error) override;
  // Hands out everything queued for this end; Closed once the other end closed and the queue
  // is empty.
  IoStatus Receive(std::string& into, int timeoutMs, std::string& error) override;
  void Close() override;
  bool IsOpen() const override;

 private:
  std::shared_ptr<Shared> shared_;
  int side_;
};

}  // namespace maillib
