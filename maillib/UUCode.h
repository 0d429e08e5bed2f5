// Uudecoding of "begin ... end" blocks (alphabet: '`' = 0, '!'..'_' = 1..63, space = 0).
#pragma once

#include <string>
#include <string_view>

#include "maillib/MailTypes.h"

namespace maillib {

// Decodes one encoded line (length character + symbols) and appends its bytes.
// False when a symbol lies outside the alphabet (nothing appended then).
bool UUDecodeLine(std::string_view line, std::string& out);
// Decodes the block after the first "begin" line (from the first line if none) up to "end"
// or a single '`'. `out` is emptied first. False on a symbol outside the alphabet.
bool UUDecodeLines(const StringList& lines, std::string& out);

}  // namespace maillib
