#include "tools/tvmail/NetOptions.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>

namespace tvmail {
namespace {

bool ParsePort(const std::string& text, int& port) {
  int value = 0;
  const char* end = text.data() + text.size();
  const auto result = std::from_chars(text.data(), end, value);
  if (result.ec != std::errc() || result.ptr != end || value < 1 || value > 65535) return false;
  port = value;
  return true;
}

bool ParseVersion(const std::string& scheme, maillib::TSocksVersion& version) {
  if (scheme == "socks5")
    version = maillib::svSocks5;
  else if (scheme == "socks4")
    version = maillib::svSocks4;
  else if (scheme == "socks4a")
    version = maillib::svSocks4A;
  else
    return false;
  return true;
}

// "host", "host:port" or "[v6]:port" into the proxy settings.
bool ParseHostPort(const std::string& text, maillib::TSocksInfo& socks) {
  std::string host = text;
  std::string port;
  if (!text.empty() && text.front() == '[') {
    const std::size_t close = text.find(']');
    if (close == std::string::npos) return false;
    host = text.substr(1, close - 1);
    if (close + 1 < text.size()) {
      if (text[close + 1] != ':') return false;
      port = text.substr(close + 2);
    }
  } else if (const std::size_t colon = text.rfind(':'); colon != std::string::npos) {
    host = text.substr(0, colon);
    port = text.substr(colon + 1);
  }
  socks.Host = host;
  socks.Port = 1080;
  return !host.empty() && (port.empty() || ParsePort(port, socks.Port));
}

// Handles one network option at args[i]; false when args[i] is none of them.
bool TakeNetOption(std::span<const std::string> args, std::size_t& i, NetOptions& options,
                   std::string& error) {
  const std::string& arg = args[i];
  std::string value;
  if (arg == "--tls")
    options.tls = true;
  else if (arg == "-v" || arg == "--verbose")
    options.verbose = true;
  else if (arg == "--host")
    TakeValue(args, i, options.host, error);
  else if (arg == "--user")
    TakeValue(args, i, options.user, error);
  else if (arg == "--port") {
    if (TakeValue(args, i, value, error) && !ParsePort(value, options.port))
      error = "bad port '" + value + "'";
  } else if (arg == "--socks") {
    if (TakeValue(args, i, value, error)) ParseSocksUrl(value, options.socks, error);
  } else if (arg == "--pass-file") {
    if (TakeValue(args, i, value, error)) ReadPasswordFile(value, options.password, error);
  } else {
    return false;
  }
  return true;
}

}  // namespace

bool TakeValue(std::span<const std::string> args, std::size_t& i, std::string& value,
               std::string& error) {
  if (i + 1 >= args.size()) {
    error = args[i] + " needs a value";
    return false;
  }
  value = args[++i];
  return true;
}

bool TakeTimeout(std::span<const std::string> args, std::size_t& i, int& timeoutMs,
                 std::string& error) {
  std::string value;
  if (!TakeValue(args, i, value, error)) return false;
  const auto end = value.data() + value.size();
  const auto result = std::from_chars(value.data(), end, timeoutMs);
  if (result.ec == std::errc() && result.ptr == end && timeoutMs > 0) return true;
  error = "bad time-out '" + value + "'";
  return false;
}

bool ParseNetOptions(std::span<const std::string> args, NetOptions& options, std::string& error) {
  error.clear();
  for (std::size_t i = 0; i < args.size() && error.empty(); ++i) {
    if (!TakeNetOption(args, i, options, error)) options.rest.push_back(args[i]);
  }
  if (error.empty() && options.host.empty()) error = "--host is required";
  if (error.empty() && options.port == 0) error = "--port is required";
  return error.empty();
}

bool ParseSocksUrl(const std::string& url, maillib::TSocksInfo& socks, std::string& error) {
  const std::size_t schemeEnd = url.find("://");
  maillib::TSocksInfo parsed;
  if (schemeEnd == std::string::npos || !ParseVersion(url.substr(0, schemeEnd), parsed.Version)) {
    error = "bad SOCKS URL '" + url + "' (socks5://[user:password@]host[:port])";
    return false;
  }
  std::string rest = url.substr(schemeEnd + 3);
  if (!rest.empty() && rest.back() == '/') rest.pop_back();
  if (const std::size_t at = rest.rfind('@'); at != std::string::npos) {
    const std::string credentials = rest.substr(0, at);
    const std::size_t colon = credentials.find(':');
    parsed.UserName = credentials.substr(0, colon);
    if (colon != std::string::npos) parsed.Password = credentials.substr(colon + 1);
    parsed.Authentication = maillib::saUsernamePassword;
    rest = rest.substr(at + 1);
  }
  if (!ParseHostPort(rest, parsed)) {
    error = "bad SOCKS host in '" + url + "'";
    return false;
  }
  socks = parsed;
  return true;
}

bool ReadFileBytes(const std::string& path, std::string& bytes, std::string& error) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) {
    error = path + ": " + std::strerror(errno);
    return false;
  }
  char block[1 << 16];
  std::size_t got = 0;
  while ((got = std::fread(block, 1, sizeof block, file)) > 0)
    bytes.append(block, got);
  const bool failed = std::ferror(file) != 0;
  if (failed) error = path + ": " + std::strerror(errno);
  std::fclose(file);
  return !failed;
}

bool ReadPasswordFile(const std::string& path, std::string& password, std::string& error) {
  std::string bytes;
  if (!ReadFileBytes(path, bytes, error)) return false;
  password = bytes.substr(0, bytes.find_first_of("\r\n"));
  return true;
}

}  // namespace tvmail
