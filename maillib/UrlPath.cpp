#include "maillib/UrlPath.h"

#include "maillib/TextUtil.h"

namespace maillib {

namespace {

int Hex(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

std::string PercentDecode(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    int hi = i + 2 < text.size() && text[i] == '%' ? Hex(text[i + 1]) : -1;
    int lo = hi >= 0 ? Hex(text[i + 2]) : -1;
    if (lo < 0) {  // not an escape: kept as written
      out.push_back(text[i]);
      continue;
    }
    if (hi * 16 + lo > 0) out.push_back(static_cast<char>(hi * 16 + lo));  // "%00" is dropped
    i += 2;
  }
  return out;
}

std::string FileUrlToPath(std::string_view url) {
  if (!StartsWithNoCase(url, "file://")) return std::string(url);
  std::string_view rest = url.substr(7);
  if (StartsWithNoCase(rest, "localhost/")) rest.remove_prefix(9);
  if (rest.empty() || rest.front() != '/') return std::string(url);
  return PercentDecode(rest);
}

}  // namespace maillib
