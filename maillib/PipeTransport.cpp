#include "maillib/PipeTransport.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace maillib {

struct PipeTransport::Shared {
  std::mutex mutex;
  std::condition_variable changed;
  std::string queued[2];            // bytes waiting for side 0 and side 1
  bool closed[2] = {false, false};  // side i called Close
};

std::pair<std::unique_ptr<PipeTransport>, std::unique_ptr<PipeTransport>>
PipeTransport::MakePair() {
  auto shared = std::make_shared<Shared>();
  return {std::make_unique<PipeTransport>(shared, 0), std::make_unique<PipeTransport>(shared, 1)};
}

PipeTransport::PipeTransport(std::shared_ptr<Shared> shared, int side)
    : shared_(std::move(shared)), side_(side) {}

PipeTransport::~PipeTransport() {
  Close();
}

IoStatus PipeTransport::Send(std::string_view bytes, std::string& error) {
  std::lock_guard<std::mutex> lock(shared_->mutex);
  if (shared_->closed[side_] || shared_->closed[1 - side_]) {
    error = shared_->closed[side_] ? "not connected" : "connection closed by the peer";
    return IoStatus::Closed;
  }
  shared_->queued[1 - side_].append(bytes);
  shared_->changed.notify_all();
  return IoStatus::Ok;
}

IoStatus PipeTransport::Receive(std::string& into, int timeoutMs, std::string& error) {
  std::unique_lock<std::mutex> lock(shared_->mutex);
  std::string& queue = shared_->queued[side_];
  auto ready = [&] { return !queue.empty() || shared_->closed[0] || shared_->closed[1]; };
  if (timeoutMs < 0) {
    shared_->changed.wait(lock, ready);
  } else if (!shared_->changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), ready)) {
    error = "read timed out";
    return IoStatus::TimedOut;
  }
  if (shared_->closed[side_]) {
    error = "not connected";
    return IoStatus::Closed;
  }
  if (queue.empty()) {
    error = "connection closed by the peer";
    return IoStatus::Closed;
  }
  into.append(queue);
  queue.clear();
  return IoStatus::Ok;
}

void PipeTransport::Close() {
  std::lock_guard<std::mutex> lock(shared_->mutex);
  shared_->closed[side_] = true;
  shared_->queued[side_].clear();
  shared_->changed.notify_all();
}

bool PipeTransport::IsOpen() const {
  std::lock_guard<std::mutex> lock(shared_->mutex);
  return !shared_->closed[side_] && !shared_->closed[1 - side_];
}

}  // namespace maillib
