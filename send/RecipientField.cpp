#include "send/RecipientField.h"

#include <algorithm>
#include <string_view>

namespace send {
namespace {

// The text after the marker at `at`, up to `stop` (the other marker, when it follows).
std::string After(std::string_view text, std::size_t at, std::size_t markerSize, std::size_t stop) {
  const std::size_t from = at + markerSize;
  const std::size_t end = stop != std::string_view::npos && stop > at ? stop : text.size();
  return std::string(text.substr(from, end - from));
}

}  // namespace

RecipientParts CutRecipientField(const std::string& field) {
  const std::string_view text(field);
  const std::string_view cc(kCcMarker);
  const std::string_view bcc(kBccMarker);
  const std::size_t ccAt = text.find(cc);
  const std::size_t bccAt = text.find(bcc);
  RecipientParts parts;
  parts.hasCc = ccAt != std::string_view::npos;
  parts.hasBcc = bccAt != std::string_view::npos;
  parts.to = std::string(text.substr(0, std::min(ccAt, bccAt)));
  if (parts.hasCc) parts.cc = After(text, ccAt, cc.size(), bccAt);
  if (parts.hasBcc) parts.bcc = After(text, bccAt, bcc.size(), ccAt);
  return parts;
}

}  // namespace send
