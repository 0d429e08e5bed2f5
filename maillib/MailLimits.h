// The limits that keep one message from taking unbounded time or memory. Mail beyond them is
// handled in a bounded way (cut, kept whole as an attachment, or left on the server), never by
// failing the whole receive.
#pragma once

#include <cstdint>

namespace maillib {

// The largest message the receive worker fetches (its size from LIST). A larger one is left on
// the server with a progress text that says so. Messages of 256 MB must still be taken.
inline constexpr std::int64_t kMaxMessageBytes = std::int64_t{512} * 1024 * 1024;

}  // namespace maillib
