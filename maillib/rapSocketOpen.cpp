// The timed connect and the computer's network name.
#include <unistd.h>

#include <chrono>
#include <climits>

#include "maillib/RapTCPClient.h"

namespace maillib {

namespace {

constexpr int kLongConnectMs = 30000;
constexpr std::size_t kMaxComputerName = 15;

}  // namespace

// The connect runs on the calling thread against a deadline of `limitMs` (30000 ms for a limit
// of 0) and polls the cancel flag, so an attempt past the limit ends by itself, leaving the
// client closed. Only a name look-up that hangs is left behind on its own thread (NameLookup.h);
// the caller does not wait for it.
bool OpenWithTimeout(TRapTCPClient& client, const std::atomic<bool>* cancel, int limitMs) {
  int deadlineMs = limitMs > 0 ? limitMs : kLongConnectMs;
  auto start = std::chrono::steady_clock::now();
  bool connected = client.Connect(deadlineMs, cancel);
  if (connected) return true;
  if (cancel != nullptr && cancel->load()) return false;
  if (limitMs <= 0) return true;
  auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(
                   std::chrono::steady_clock::now() - start)
                   .count();
  return spent < limitMs;
}

std::string ComputerName() {
  char name[HOST_NAME_MAX + 1] = {};
  if (gethostname(name, sizeof name - 1) != 0) return {};
  std::string text(name);
  if (text.size() > kMaxComputerName) text.resize(kMaxComputerName);
  return text;
}

}  // namespace maillib
