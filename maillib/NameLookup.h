// Looking up the addresses of a host name within a connect deadline. The system resolver cannot
// be interrupted, so the look-up runs on a thread of its own and the caller waits for it in
// slices, seeing the deadline and the cancel flag; a look-up the caller gave up on finishes
// (or hangs) alone without holding anybody up.
#pragma once

#include <sys/socket.h>

#include <functional>
#include <string>
#include <vector>

#include "maillib/ConnectDeadline.h"

namespace maillib {

// One address to connect to, copied out of the resolver's answer.
struct ResolvedAddress {
  int Family = 0;
  int SockType = 0;
  int Protocol = 0;
  sockaddr_storage Address{};
  socklen_t Length = 0;
};

// Fills `addresses` (in the order to try them) for host:port, or returns false with the reason.
// Called on the look-up thread, possibly after the caller stopped waiting: it must own (or share)
// whatever it uses.
using NameResolver =
    std::function<bool(const std::string& host, int port, std::vector<ResolvedAddress>& addresses,
                       std::string& error)>;

// The system resolver (getaddrinfo, numeric port, any family, stream sockets).
[[nodiscard]] bool SystemResolve(const std::string& host, int port,
                                 std::vector<ResolvedAddress>& addresses, std::string& error);

// Tests replace the resolver every TCP connect uses; null restores SystemResolve.
void SetNameResolver(NameResolver resolver);

// The addresses of host:port, found before the deadline and while the cancel flag is clear.
// False with the reason in `error` when the name is unknown, on time-out or on cancel.
[[nodiscard]] bool ResolveBeforeDeadline(const std::string& host, int port,
                                         const ConnectDeadline& deadline,
                                         std::vector<ResolvedAddress>& addresses,
                                         std::string& error);

}  // namespace maillib
