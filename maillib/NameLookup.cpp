#include "maillib/NameLookup.h"

#include <netdb.h>

#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

namespace maillib {

namespace {

std::mutex& ResolverMutex() {
  static std::mutex mutex;
  return mutex;
}

NameResolver& ResolverSlot() {
  static NameResolver resolver;
  return resolver;
}

NameResolver CurrentResolver() {
  std::lock_guard<std::mutex> lock(ResolverMutex());
  return ResolverSlot() ? ResolverSlot() : NameResolver(SystemResolve);
}

// What the look-up thread and the waiting caller share. Each side holds a shared_ptr, so the
// state lives until the later of the two lets go: a caller that gave up may return at once.
struct LookupState {
  std::mutex mutex;
  std::condition_variable finished;
  bool done = false;
  bool found = false;
  std::vector<ResolvedAddress> addresses;
  std::string error;
};

// Starts the look-up thread. It is detached: nothing waits for it, not even program exit, so a
// resolver that hangs never holds up the caller, the account test's watchdog or quitting. That
// is safe because the thread owns copies of everything it reads (host, resolver, the shared
// state) and touches no global after it started; at exit it simply ends with the process.
[[nodiscard]] bool StartLookup(const std::shared_ptr<LookupState>& state, const std::string& host,
                               int port, std::string& error) {
  try {
    std::thread([state, host, port, resolver = CurrentResolver()] {
      std::vector<ResolvedAddress> addresses;
      std::string why;
      bool found = resolver(host, port, addresses, why);
      std::lock_guard<std::mutex> lock(state->mutex);
      state->found = found;
      state->addresses = std::move(addresses);
      state->error = std::move(why);
      state->done = true;
      state->finished.notify_all();
    }).detach();
    return true;
  } catch (const std::system_error& failure) {
    // No thread to spare (resource limit): reported as this connect's failure, nothing leaks.
    error = std::string("cannot start the name look-up: ") + failure.what();
    return false;
  }
}

}  // namespace

bool SystemResolve(const std::string& host, int port, std::vector<ResolvedAddress>& addresses,
                   std::string& error) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_NUMERICSERV;
  addrinfo* found = nullptr;
  int code = getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found);
  if (code != 0) {
    error = gai_strerror(code);
    return false;
  }
  for (addrinfo* entry = found; entry != nullptr; entry = entry->ai_next) {
    if (entry->ai_addrlen > sizeof(sockaddr_storage)) continue;
    ResolvedAddress address;
    address.Family = entry->ai_family;
    address.SockType = entry->ai_socktype;
    address.Protocol = entry->ai_protocol;
    std::memcpy(&address.Address, entry->ai_addr, entry->ai_addrlen);
    address.Length = entry->ai_addrlen;
    addresses.push_back(address);
  }
  freeaddrinfo(found);
  if (addresses.empty()) error = "no usable address";
  return !addresses.empty();
}

void SetNameResolver(NameResolver resolver) {
  std::lock_guard<std::mutex> lock(ResolverMutex());
  ResolverSlot() = std::move(resolver);
}

bool ResolveBeforeDeadline(const std::string& host, int port, const ConnectDeadline& deadline,
                           std::vector<ResolvedAddress>& addresses, std::string& error) {
  auto state = std::make_shared<LookupState>();
  if (!StartLookup(state, host, port, error)) return false;
  std::unique_lock<std::mutex> lock(state->mutex);
  // One slice per pass, so the cancel flag is seen within kSliceMs; the deadline ends it.
  while (!state->done) {
    if (const char* reason = deadline.StopReason()) {
      error = std::string(reason) + " while looking up " + host;
      return false;
    }
    state->finished.wait_for(lock, std::chrono::milliseconds(deadline.SliceMs()));
  }
  if (!state->found) {
    error = "host " + host + " not found: " + state->error;
    return false;
  }
  addresses = std::move(state->addresses);
  return true;
}

}  // namespace maillib
