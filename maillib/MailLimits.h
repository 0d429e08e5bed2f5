// The limits that keep one message from taking unbounded time or memory. Mail beyond them is
// handled in a bounded way (cut, kept whole as an attachment, or left on the server), never by
// failing the whole receive.
#pragma once

#include <cstddef>
#include <cstdint>

namespace maillib {

// The largest message the receive worker fetches (its size from LIST). A larger one is left on
// the server with a progress text that says so. Messages of 256 MB must still be taken.
inline constexpr std::int64_t kMaxMessageBytes = std::int64_t{512} * 1024 * 1024;

// The longest file name the file system takes, in bytes. Attachment names, a "(n)" added to
// make one unique included, are cut to it without splitting a UTF-8 character.
inline constexpr std::size_t kMaxFileNameBytes = 255;

// The header block of a message or part is read up to this many bytes. Header lines past it
// are skipped (they stay in the raw message) and the body still starts after the block.
inline constexpr std::size_t kMaxHeaderBlockBytes = std::size_t{4} * 1024 * 1024;

// The parts of one message that are sorted one by one. The parts of a multipart beyond this
// count are kept together, unsplit, as one attached message ("Default.eml").
inline constexpr int kMaxMimeParts = 10000;

// Parts nested deeper than this are not split further: a deeper multipart or attached message
// becomes an attachment.
inline constexpr int kMaxMimeDepth = 32;

}  // namespace maillib
