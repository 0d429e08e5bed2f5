#include "maillib/Socks.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>

#include <cstring>

namespace maillib {

namespace {

constexpr unsigned char kSocks4Version = 4;
constexpr unsigned char kSocks4Granted = 0x5a;
constexpr unsigned char kSocks5Version = 5;
constexpr unsigned char kAuthNone = 0x00;
constexpr unsigned char kAuthUserPassword = 0x02;
constexpr unsigned char kAuthRefused = 0xff;
constexpr unsigned char kUserPasswordVersion = 1;
constexpr unsigned char kCommandConnect = 1;
constexpr unsigned char kAddressIpv4 = 1;
constexpr unsigned char kAddressName = 3;
constexpr unsigned char kAddressIpv6 = 4;
constexpr std::size_t kMaxField = 255;  // longest name, user or password SOCKS 5 can carry

// Reads until `buffer` holds at least `count` bytes.
bool ReceiveAtLeast(Transport& proxy, std::string& buffer, std::size_t count,
                    const ConnectDeadline& deadline, std::string& error) {
  // Each pass adds at least one byte or ends with an error; the deadline bounds it.
  while (buffer.size() < count) {
    if (!ReceiveBeforeDeadline(proxy, buffer, deadline, error)) {
      error = "SOCKS proxy: " + error;
      return false;
    }
  }
  return true;
}

bool SendAll(Transport& proxy, const std::string& bytes, std::string& error) {
  if (proxy.Send(bytes, error) == IoStatus::Ok) return true;
  error = "SOCKS proxy: " + error;
  return false;
}

void AppendPort(std::string& out, int port) {
  out += static_cast<char>((port >> 8) & 0xff);
  out += static_cast<char>(port & 0xff);
}

// The IPv4 address of host (a literal or a name looked up here), as 4 network-order bytes.
bool ResolveIpv4(const std::string& host, std::string& address, std::string& error) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  int code = getaddrinfo(host.c_str(), nullptr, &hints, &found);
  if (code != 0 || found == nullptr) {
    error = "SOCKS 4: no IPv4 address for " + host + ": " + gai_strerror(code);
    return false;
  }
  const auto* ipv4 = reinterpret_cast<const sockaddr_in*>(found->ai_addr);
  address.assign(reinterpret_cast<const char*>(&ipv4->sin_addr), 4);
  freeaddrinfo(found);
  return true;
}

// The SOCKS 4 or 4A CONNECT request; 4A sends 0.0.0.1 and the name for the proxy to resolve.
bool Socks4Request(const TSocksInfo& socks, const std::string& host, int port, std::string& request,
                   std::string& error) {
  in_addr literal{};
  bool byName = socks.Version == svSocks4A && inet_pton(AF_INET, host.c_str(), &literal) != 1;
  std::string address = byName ? std::string("\0\0\0\1", 4) : std::string();
  if (!byName && !ResolveIpv4(host, address, error)) return false;
  request = {static_cast<char>(kSocks4Version), static_cast<char>(kCommandConnect)};
  AppendPort(request, port);
  request += address;
  request += socks.UserName;
  request += '\0';
  if (byName) request += host + '\0';
  return true;
}

bool Socks4Connect(Transport& proxy, const TSocksInfo& socks, const std::string& host, int port,
                   const ConnectDeadline& deadline, std::string& leftover, std::string& error) {
  std::string request;
  if (!Socks4Request(socks, host, port, request, error) || !SendAll(proxy, request, error)) {
    return false;
  }
  std::string reply;
  if (!ReceiveAtLeast(proxy, reply, 8, deadline, error)) return false;
  auto code = static_cast<unsigned char>(reply[1]);
  if (code != kSocks4Granted) {
    error = "SOCKS 4 proxy refused the connection (code " + std::to_string(code) + ")";
    return false;
  }
  leftover = reply.substr(8);
  return true;
}

// Method negotiation; `method` receives the method the proxy chose.
bool Socks5Greet(Transport& proxy, const TSocksInfo& socks, const ConnectDeadline& deadline,
                 unsigned char& method, std::string& error) {
  bool withPassword = socks.Authentication == saUsernamePassword;
  std::string greeting = {static_cast<char>(kSocks5Version), static_cast<char>(1),
                          static_cast<char>(kAuthNone)};
  if (withPassword) {
    greeting[1] = 2;
    greeting += static_cast<char>(kAuthUserPassword);
  }
  std::string reply;
  if (!SendAll(proxy, greeting, error) || !ReceiveAtLeast(proxy, reply, 2, deadline, error)) {
    return false;
  }
  method = static_cast<unsigned char>(reply[1]);
  bool offered = method == kAuthNone || (withPassword && method == kAuthUserPassword);
  if (reply[0] == static_cast<char>(kSocks5Version) && offered && reply.size() == 2) return true;
  error = method == kAuthRefused ? "SOCKS 5 proxy accepts none of the offered log-in methods"
                                 : "SOCKS 5 proxy sent an invalid method reply";
  return false;
}

// The user/password sub-negotiation.
bool Socks5LogIn(Transport& proxy, const TSocksInfo& socks, const ConnectDeadline& deadline,
                 std::string& error) {
  if (socks.UserName.size() > kMaxField || socks.Password.size() > kMaxField) {
    error = "SOCKS 5 user name or password longer than 255 bytes";
    return false;
  }
  std::string request = {static_cast<char>(kUserPasswordVersion)};
  request += static_cast<char>(socks.UserName.size());
  request += socks.UserName;
  request += static_cast<char>(socks.Password.size());
  request += socks.Password;
  std::string reply;
  if (!SendAll(proxy, request, error) || !ReceiveAtLeast(proxy, reply, 2, deadline, error)) {
    return false;
  }
  if (reply[1] == 0 && reply.size() == 2) return true;
  error = "SOCKS 5 proxy refused the user name or password";
  return false;
}

bool Socks5Request(const std::string& host, int port, std::string& request, std::string& error) {
  request = {static_cast<char>(kSocks5Version), static_cast<char>(kCommandConnect), '\0'};
  unsigned char address[16];
  if (inet_pton(AF_INET, host.c_str(), address) == 1) {
    request += static_cast<char>(kAddressIpv4);
    request.append(reinterpret_cast<const char*>(address), 4);
  } else if (inet_pton(AF_INET6, host.c_str(), address) == 1) {
    request += static_cast<char>(kAddressIpv6);
    request.append(reinterpret_cast<const char*>(address), 16);
  } else if (host.empty() || host.size() > kMaxField) {
    error = "SOCKS 5: host name empty or longer than 255 bytes";
    return false;
  } else {
    request += static_cast<char>(kAddressName);
    request += static_cast<char>(host.size());
    request += host;
  }
  AppendPort(request, port);
  return true;
}

const char* Socks5ReplyText(unsigned char code) {
  static const char* const kTexts[] = {
      "succeeded",           "general failure",       "connection not allowed by rule set",
      "network unreachable", "host unreachable",      "connection refused",
      "TTL expired",         "command not supported", "address type not supported"};
  return code < sizeof kTexts / sizeof kTexts[0] ? kTexts[code] : "unknown error";
}

// Reads the CONNECT reply, whose length depends on the address type in it.
bool Socks5Reply(Transport& proxy, const ConnectDeadline& deadline, std::string& leftover,
                 std::string& error) {
  std::string reply;
  if (!ReceiveAtLeast(proxy, reply, 5, deadline, error)) return false;
  auto code = static_cast<unsigned char>(reply[1]);
  if (reply[0] != static_cast<char>(kSocks5Version) || code != 0) {
    error = std::string("SOCKS 5 proxy: ") + Socks5ReplyText(code);
    return false;
  }
  std::size_t length = 0;
  switch (static_cast<unsigned char>(reply[3])) {
    case kAddressIpv4:
      length = 4 + 4 + 2;
      break;
    case kAddressIpv6:
      length = 4 + 16 + 2;
      break;
    case kAddressName:
      length = 4 + 1 + static_cast<unsigned char>(reply[4]) + 2;
      break;
    default:
      error = "SOCKS 5 proxy sent an unknown address type";
      return false;
  }
  if (!ReceiveAtLeast(proxy, reply, length, deadline, error)) return false;
  leftover = reply.substr(length);
  return true;
}

bool Socks5Connect(Transport& proxy, const TSocksInfo& socks, const std::string& host, int port,
                   const ConnectDeadline& deadline, std::string& leftover, std::string& error) {
  unsigned char method = kAuthNone;
  if (!Socks5Greet(proxy, socks, deadline, method, error)) return false;
  if (method == kAuthUserPassword && !Socks5LogIn(proxy, socks, deadline, error)) return false;
  std::string request;
  if (!Socks5Request(host, port, request, error) || !SendAll(proxy, request, error)) {
    return false;
  }
  return Socks5Reply(proxy, deadline, leftover, error);
}

}  // namespace

bool SocksConnect(Transport& proxy, const TSocksInfo& socks, const std::string& host, int port,
                  const ConnectDeadline& deadline, std::string& leftover, std::string& error) {
  leftover.clear();
  if (port <= 0 || port > 65535) {
    error = "invalid port " + std::to_string(port);
    return false;
  }
  switch (socks.Version) {
    case svSocks4:
    case svSocks4A:
      return Socks4Connect(proxy, socks, host, port, deadline, leftover, error);
    case svSocks5:
      return Socks5Connect(proxy, socks, host, port, deadline, leftover, error);
    case svNoSocks:
      break;
  }
  return true;
}

}  // namespace maillib
