// Messages for the integration tests, with CR LF line ends as they travel on the wire.
#pragma once

#include <cstddef>
#include <string>

#include "maillib/MailTypes.h"

namespace integration {

// A message of about `bodyBytes` bytes of body whose lines show what a transfer can break:
// lines beginning with "." and "..", a line of one ".", an empty line, 8-bit bytes, a tab,
// a line ending in blanks. `tag` goes into the subject and Message-ID so that copies differ.
std::string MakeMessage(const std::string& tag, std::size_t bodyBytes);

// The message as a POP3 retrieve hands it out (lines without their CR LF) and back.
maillib::StringList SplitCrLf(const std::string& bytes);
std::string JoinCrLf(const maillib::StringList& lines);

// The header block of a message: everything before the first empty line, with CR LF ends.
std::string HeaderBlock(const std::string& bytes);

}  // namespace integration
