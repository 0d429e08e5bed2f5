// Uudecoding of "begin ... end" blocks (alphabet: '`' = 0, '!'..'_' = 1..63, space = 0).
#pragma once

#include <string>
#include <string_view>

#include "maillib/MailTypes.h"

namespace maillib {

// Decodes one encoded line (length character + symbols) and appends its bytes. A symbol
// outside the alphabet reads as 0 and gives false; a bad length character appends nothing.
bool UUDecodeLine(std::string_view line, std::string& out);
// Decodes the block after the first "begin" line (from the first line if none) up to "end"
// or a single '`'. `out` is emptied first. A damaged line does not stop the decoding: `out`
// holds every line's bytes, and the result is false when any symbol was outside the alphabet.
bool UUDecodeLines(const StringList& lines, std::string& out);

}  // namespace maillib
