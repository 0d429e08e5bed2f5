// The receive workers of the process: starts one worker per account receive, tells whether any
// is still running (the receiving flag of the schedule and the menus), cancels them, and waits
// for them when the program ends.
#pragma once

#include <memory>
#include <mutex>
#include <vector>

#include "receive/ReceiveEMailThread.h"

namespace receive {

class ReceiveWorkers {
 public:
  ReceiveWorkers() = default;
  // Cancels every running worker and waits for them.
  ~ReceiveWorkers();
  ReceiveWorkers(const ReceiveWorkers&) = delete;
  ReceiveWorkers& operator=(const ReceiveWorkers&) = delete;

  // Creates a worker for the record, makes it the most recent one and starts it. Receiving()
  // is true from here until every started worker has ended. The worker is returned so that the
  // caller can read its outcome after JoinAll.
  std::shared_ptr<const TReveiveEMailThread> Start(const TOnlyPOPReceivInformation& info,
                                                   const ReceiveContext& context);
  // True while any worker started here has not ended.
  bool Receiving() const;
  // Cancels every running worker (the progress window's cancel button).
  void CancelAll();
  // Waits until every worker has ended.
  void JoinAll();
  // Frees the workers that have ended (Start does this too).
  void Reap();
  // Number of workers not yet freed (running or ended).
  std::size_t Count() const;

 private:
  // A copy of the list, so that waiting and cancelling happen outside the lock.
  std::vector<std::shared_ptr<TReveiveEMailThread>> Snapshot() const;

  mutable std::mutex mutex_;
  // Shared so that JoinAll can wait for a worker while Start frees the ended ones.
  std::vector<std::shared_ptr<TReveiveEMailThread>> workers_;
};

}  // namespace receive
