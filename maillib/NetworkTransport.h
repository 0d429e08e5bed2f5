// The real transport chain: TCP to the target (or to its SOCKS proxy), the proxy handshake when
// one is set, then the TLS handshake when the target asks for TLS; and the later upgrade of a
// plain connection to TLS.
#pragma once

#include <memory>
#include <string>

#include "maillib/Transport.h"

namespace maillib {

// A TransportFactory over the network.
std::unique_ptr<Transport> OpenNetworkTransport(const ConnectTarget& target, std::string& error);
// A TlsUpgrader over the network: the TLS handshake of TlsTransport with its certificate and
// host-name checks.
std::unique_ptr<Transport> UpgradeNetworkTransport(std::unique_ptr<Transport> plain,
                                                   const ConnectTarget& target, std::string& error);

}  // namespace maillib
