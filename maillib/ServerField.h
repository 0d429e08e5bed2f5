// The server field of an account (POP3 or SMTP server) as the user typed it: a host, which may
// carry a port, "host:port" or "[v6addr]:port". A port in the field replaces the port the caller
// picked, and then implicit TLS is on exactly for the ports 995 and 465; a field without a port
// keeps the caller's port and TLS choice.
#pragma once

#include <string>
#include <string_view>

namespace maillib {

struct ServerEndpoint {
  std::string Host;
  int Port = 0;
  bool Tls = false;
};

// True for the implicit-TLS ports of POP3 (995) and SMTP (465).
bool IsImplicitTlsPort(int port);

// Splits `field` (surrounding blanks ignored). A port that is not a number from 1 to 65535
// leaves the whole field as the host, so the connect reports it as a host not found. A bare
// IPv6 address (more than one colon, no brackets) is a host without a port.
ServerEndpoint ParseServerField(std::string_view field, int defaultPort, bool defaultTls);

}  // namespace maillib
