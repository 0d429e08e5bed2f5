// Command-line options shared by `tvmail pop3` and `tvmail smtp`: the server, TLS, the SOCKS
// proxy, the credentials, -v, and the reading of files they name.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "maillib/Transport.h"

namespace tvmail {

struct NetOptions {
  std::string host;
  int port = 0;
  bool tls = false;
  maillib::TSocksInfo socks;  // Version svNoSocks without --socks
  std::string user;
  std::string password;  // read from --pass-file
  bool verbose = false;
  std::vector<std::string> rest;  // arguments that are not network options, in order
};

// Takes the network options out of `args` (the rest stays in order in `rest`). False, with
// the reason in `error`, on a bad value, a missing --host/--port, or an unreadable pass file.
bool ParseNetOptions(std::span<const std::string> args, NetOptions& options, std::string& error);

// "socks5://[user:password@]host[:port]" (also socks4, socks4a; port 1080 when left out).
bool ParseSocksUrl(const std::string& url, maillib::TSocksInfo& socks, std::string& error);

// A whole file's bytes; false with the reason in `error`.
bool ReadFileBytes(const std::string& path, std::string& bytes, std::string& error);

// A password file's first line, without its line end.
bool ReadPasswordFile(const std::string& path, std::string& password, std::string& error);

// Takes the value after --timeout as a positive number of milliseconds; false with the reason
// in `error` when it is missing or no such number.
bool TakeTimeout(std::span<const std::string> args, std::size_t& i, int& timeoutMs,
                 std::string& error);

// Takes the value after an option such as --out; false when it is missing.
bool TakeValue(std::span<const std::string> args, std::size_t& i, std::string& value,
               std::string& error);

}  // namespace tvmail
