// The servers themselves, over plain sockets: each greets on its port. When these fail the
// fault is in the test set-up, not in the clients.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include "tests/integration/TestServers.h"

namespace integration {
namespace {

// The first bytes a server sends on 127.0.0.1:port (at most 512, within 5 s).
std::string FirstBytes(int port, const std::string& send = {}) {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  if (fd < 0) return {};
  timeval limit{5, 0};
  setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(static_cast<uint16_t>(port));
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  std::string got;
  if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
      write(fd, send.data(), send.size()) == static_cast<ssize_t>(send.size())) {
    char buffer[512];
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n > 0) got.assign(buffer, static_cast<std::size_t>(n));
  }
  close(fd);
  return got;
}

TEST(ServerSmoke, EachServerAnswersOnItsPort) {
  REQUIRE_SERVERS(servers);
  EXPECT_EQ(FirstBytes(servers->pop3Port).rfind("+OK ", 0), 0u);
  EXPECT_EQ(FirstBytes(servers->smtpPort).rfind("220 ", 0), 0u);
  EXPECT_EQ(FirstBytes(servers->smtpStartTlsPort).rfind("220 ", 0), 0u);
  // SOCKS 5 greeting offering "no authentication": the server picks method 0.
  EXPECT_EQ(FirstBytes(servers->socksPort, std::string("\x05\x01\x00", 3)),
            std::string("\x05\x00", 2));
  if (servers->socksAuthPort != 0) {
    EXPECT_EQ(FirstBytes(servers->socksAuthPort, std::string("\x05\x01\x02", 3)),
              std::string("\x05\x02", 2));
  }
}

}  // namespace
}  // namespace integration
