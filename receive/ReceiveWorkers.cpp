#include "receive/ReceiveWorkers.h"

#include <algorithm>

namespace receive {

ReceiveWorkers::~ReceiveWorkers() {
  CancelAll();
  JoinAll();
}

std::shared_ptr<const TReveiveEMailThread> ReceiveWorkers::Start(
    const TOnlyPOPReceivInformation& info, const ReceiveContext& context) {
  Reap();
  auto worker = std::make_shared<TReveiveEMailThread>(info, context);
  std::lock_guard<std::mutex> lock(mutex_);
  // Started under the lock, so Receiving() never sees the worker before it runs.
  worker->Start();
  workers_.push_back(worker);
  return worker;
}

bool ReceiveWorkers::Receiving() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return std::any_of(workers_.begin(), workers_.end(),
                     [](const auto& worker) { return !worker->Finished(); });
}

void ReceiveWorkers::CancelAll() {
  for (const auto& worker : Snapshot())
    worker->Cancel();
}

void ReceiveWorkers::JoinAll() {
  for (const auto& worker : Snapshot())
    worker->Join();
}

void ReceiveWorkers::Reap() {
  std::vector<std::shared_ptr<TReveiveEMailThread>> ended;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    auto running = std::stable_partition(workers_.begin(), workers_.end(),
                                         [](const auto& worker) { return !worker->Finished(); });
    ended.assign(std::make_move_iterator(running), std::make_move_iterator(workers_.end()));
    workers_.erase(running, workers_.end());
  }
  // Freed here, outside the lock: each joins its thread, which has ended already.
}

std::size_t ReceiveWorkers::Count() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return workers_.size();
}

std::vector<std::shared_ptr<TReveiveEMailThread>> ReceiveWorkers::Snapshot() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return workers_;
}

}  // namespace receive
