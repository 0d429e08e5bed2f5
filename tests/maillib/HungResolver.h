// A name resolver that hangs, as a system resolver with an unreachable name server does, until
// the test lets it go (at the latest when the fixture ends, and never longer than 10 s). Plugged
// in for every TCP connect of a test through the fixture below.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>

#include "maillib/NameLookup.h"

namespace net_test {

class HungResolver {
 public:
  // The resolver to plug in; it shares the state, so it may outlive this object.
  maillib::NameResolver Resolver() const {
    return [state = state_](const std::string&, int, std::vector<maillib::ResolvedAddress>&,
                            std::string& error) {
      std::unique_lock<std::mutex> lock(state->mutex);
      ++state->entered;
      state->changed.wait_for(lock, std::chrono::seconds(10), [&] { return state->released; });
      ++state->returned;
      state->changed.notify_all();
      error = "released by the test";
      return false;
    };
  }
  // How many look-ups have come back so far.
  int Returned() const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->returned;
  }
  // Lets every look-up go and waits (bounded) until all that started have come back.
  void Release() {
    std::unique_lock<std::mutex> lock(state_->mutex);
    state_->released = true;
    state_->changed.notify_all();
    state_->changed.wait_for(lock, std::chrono::seconds(10),
                             [&] { return state_->returned == state_->entered; });
  }

 private:
  struct State {
    std::mutex mutex;
    std::condition_variable changed;
    bool released = false;
    int entered = 0;
    int returned = 0;
  };
  std::shared_ptr<State> state_ = std::make_shared<State>();
};

// Every connect of the test meets the hung resolver; the system one is back afterwards.
class HungResolverTest : public ::testing::Test {
 protected:
  HungResolverTest() { maillib::SetNameResolver(hung_.Resolver()); }
  ~HungResolverTest() override {
    maillib::SetNameResolver(nullptr);
    hung_.Release();
  }

  HungResolver hung_;
};

}  // namespace net_test
