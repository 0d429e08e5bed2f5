// The downloader behind the message files' "http:" pictures: a plain GET over Qt Network, no
// credentials, bounded in time and size, run in a local event loop of the calling thread.
#pragma once

#include <cstdint>
#include <string>

namespace send {

struct FetchLimits {
  int timeoutMs = 15000;                       // the whole transfer
  std::int64_t maxBytes = 20LL * 1024 * 1024;  // larger bodies are refused
};

// GETs url (http or https only) and writes the body whole to savePath. False on any failure:
// a bad address, a network error, a status other than 2xx, the time or size limit, or a write
// error; savePath is then left as it was.
bool HttpFetch(const std::string& url, const std::string& savePath, FetchLimits limits = {});

}  // namespace send
