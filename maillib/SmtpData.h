// The message text on its way through DATA: each line in its wire form (CR LF line ends,
// transparency dot) and the grouping of lines into the chunks written to the socket.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "maillib/MailTypes.h"

namespace maillib {

// A chunk takes lines while its bytes plus the next line (without its CR LF) stay below this.
constexpr std::size_t kSmtpChunkLimit = 15360;

// Appends the wire form of one message line to `out`: every line break inside it (CR LF, LF or
// a lone CR) and its end become CR LF, and with `stuffDots` every line that begins with '.'
// gets a second '.' in front (RFC 5321 transparency), so no line of the text can end the data.
void AppendWireLine(std::string& out, std::string_view line, bool stuffDots);

// The length of the lines as text with CR LF after each line, as they stand (no stuffing).
std::int64_t TextLength(const StringList& lines);

// Cuts the next chunk, starting at lines[next], and advances `next` past the lines taken.
// Whole lines are taken while the bytes already in the chunk plus the next line's wire length
// without its CR LF stay below kSmtpChunkLimit. A line too long for any chunk goes out alone,
// so each call with lines left returns a non-empty chunk and the whole text is always sent.
std::string NextChunk(const StringList& lines, std::size_t& next, bool stuffDots);

}  // namespace maillib
