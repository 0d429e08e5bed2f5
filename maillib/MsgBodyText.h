// Body text of a message: uuencoded blocks inside it, transfer decoding and appending to the
// plain-text body.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "maillib/MailTypes.h"

namespace maillib {

// One "begin ... end" block cut out of body text.
struct TUUBlock {
  std::string FileName;  // as written on the begin line (raw bytes)
  StringList Lines;      // from the begin line to the end line
};

// True for a uuencode begin line: longer than 10 characters, "begin " and a mode 1..776.
bool IsUUBeginLine(std::string_view line);
// Removes every uuencoded block from the lines and returns the blocks in order.
std::vector<TUUBlock> ExtractUUBlocks(StringList& lines);
// The bytes of a text body in its transfer encoding. A base64 body is decoded only when it
// looks like base64 (trailing blank and "." lines dropped first), a few stray bytes in it
// skipped; otherwise it stays as text.
std::string DecodeBodyBytes(StringList& lines, std::string_view encoding);
// Appends UTF-8 text as lines. When `text` already has lines and the new text is not blank,
// an empty line, `separator` and an empty line go first.
void AppendTextLines(StringList& text, std::string_view newText, std::string_view separator);

}  // namespace maillib
