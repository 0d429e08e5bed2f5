#include "maillib/NetworkTransport.h"

#include "maillib/ConnectDeadline.h"
#include "maillib/PrefixedTransport.h"
#include "maillib/Socks.h"
#include "maillib/TcpTransport.h"
#include "maillib/TlsTransport.h"

namespace maillib {

namespace {

// "[v6addr]" as written in a host field, without its brackets.
std::string BareHost(const std::string& host) {
  if (host.size() >= 2 && host.front() == '[' && host.back() == ']') {
    return host.substr(1, host.size() - 2);
  }
  return host;
}

// The proxy handshake over `tcp`; the tunnelled connection, or null with the reason.
std::unique_ptr<Transport> ThroughProxy(std::unique_ptr<Transport> tcp, const ConnectTarget& target,
                                        const ConnectDeadline& deadline, std::string& error) {
  std::string leftover;
  if (!SocksConnect(*tcp, target.Socks, BareHost(target.Host), target.Port, deadline, leftover,
                    error)) {
    tcp->Close();
    return nullptr;
  }
  if (leftover.empty()) return tcp;
  return std::make_unique<PrefixedTransport>(std::move(tcp), std::move(leftover));
}

}  // namespace

std::unique_ptr<Transport> OpenNetworkTransport(const ConnectTarget& target, std::string& error) {
  ConnectDeadline deadline(target.TimeoutMs, target.Cancel);
  bool viaProxy = target.Socks.Version != svNoSocks;
  std::string host = BareHost(viaProxy ? target.Socks.Host : target.Host);
  int port = viaProxy ? target.Socks.Port : target.Port;
  std::unique_ptr<Transport> chain = TcpTransport::Connect(host, port, deadline, error);
  if (chain && viaProxy) chain = ThroughProxy(std::move(chain), target, deadline, error);
  if (chain && target.Tls) {
    chain = TlsTransport::Handshake(std::move(chain), BareHost(target.Host), deadline, error);
  }
  return chain;
}

std::unique_ptr<Transport> UpgradeNetworkTransport(std::unique_ptr<Transport> plain,
                                                   const ConnectTarget& target,
                                                   std::string& error) {
  ConnectDeadline deadline(target.TimeoutMs, target.Cancel);
  return TlsTransport::Handshake(std::move(plain), BareHost(target.Host), deadline, error);
}

}  // namespace maillib
