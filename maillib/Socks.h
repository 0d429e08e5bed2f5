// The client side of the SOCKS 4, 4A and 5 proxy handshakes (SOCKS 5 with the user/password
// sub-negotiation), run over a transport that is already connected to the proxy.
#pragma once

#include <string>

#include "maillib/ConnectDeadline.h"
#include "maillib/Transport.h"

namespace maillib {

// Asks the proxy to connect to host:port, with the version and credentials of `socks`.
// True when the proxy granted it; the transport then carries the tunnelled connection, and any
// bytes that arrived after the proxy's reply are in `leftover`. False with the reason in
// `error`. SOCKS 4 resolves the host here (IPv4 only); 4A and 5 let the proxy resolve names.
bool SocksConnect(Transport& proxy, const TSocksInfo& socks, const std::string& host, int port,
                  const ConnectDeadline& deadline, std::string& leftover, std::string& error);

}  // namespace maillib
