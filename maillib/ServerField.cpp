#include "maillib/ServerField.h"

#include <charconv>

namespace maillib {

namespace {

constexpr int kPop3TlsPort = 995;
constexpr int kSmtpTlsPort = 465;

std::string_view Trim(std::string_view text) {
  std::size_t begin = text.find_first_not_of(" \t");
  if (begin == std::string_view::npos) return {};
  std::size_t end = text.find_last_not_of(" \t");
  return text.substr(begin, end - begin + 1);
}

// A port from 1 to 65535, or 0.
int ParsePort(std::string_view text) {
  int port = 0;
  auto [end, code] = std::from_chars(text.data(), text.data() + text.size(), port);
  bool whole = code == std::errc() && end == text.data() + text.size();
  return whole && port >= 1 && port <= 65535 ? port : 0;
}

}  // namespace

bool IsImplicitTlsPort(int port) {
  return port == kPop3TlsPort || port == kSmtpTlsPort;
}

ServerEndpoint ParseServerField(std::string_view field, int defaultPort, bool defaultTls) {
  field = Trim(field);
  ServerEndpoint endpoint{std::string(field), defaultPort, defaultTls};
  std::string_view host = field;
  std::string_view portText;
  if (!field.empty() && field.front() == '[') {
    std::size_t close = field.find(']');
    if (close == std::string_view::npos) return endpoint;
    host = field.substr(1, close - 1);
    std::string_view rest = field.substr(close + 1);
    if (!rest.empty() && rest.front() != ':') return endpoint;
    if (!rest.empty()) portText = rest.substr(1);
  } else if (std::size_t colon = field.find(':');
             colon != std::string_view::npos &&
             field.find(':', colon + 1) == std::string_view::npos) {
    host = field.substr(0, colon);
    portText = field.substr(colon + 1);
  }
  int port = portText.empty() ? 0 : ParsePort(portText);
  if (!portText.empty() && port == 0) return endpoint;
  endpoint.Host = std::string(host);
  if (port != 0) {
    endpoint.Port = port;
    endpoint.Tls = IsImplicitTlsPort(port);
  }
  return endpoint;
}

}  // namespace maillib
