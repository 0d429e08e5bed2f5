// Header lookup in a list of lines (the header block ends at the first empty line).
#pragma once

#include <string>
#include <string_view>

#include "maillib/MailTypes.h"

namespace maillib {

// Finds the first header line whose upper-cased text begins with upperName ("SUBJECT:") and
// unfolds it: its continuation lines are appended as they stand, leading blanks included, so
// "Zhang" + " San" reads "Zhang San". False when none matches.
bool FindHeader(const StringList& lines, std::string_view upperName, std::string& line);
// The trimmed text after upperName in the line (found case-insensitively), cut at the first ';'
// or, for a value in double quotes, before the first '"' followed by ';'. Empty when absent.
std::string HeaderValue(std::string_view upperName, std::string_view line);
// The text after the first occurrence of upperName in the header block, cut at ';', trimmed.
std::string HeaderParam(std::string_view upperName, const StringList& lines);
// Deletes the header block (up to the first empty line) and the blank lines after it.
void StripHeaderBlock(StringList& lines);

}  // namespace maillib
