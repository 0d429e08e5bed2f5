// The header block of an outgoing message (used by the composer, rapSMTPCode).
#pragma once

#include <string_view>

#include "maillib/MailTypes.h"

namespace maillib {

class TRapMsg;

struct TComposeOptions {
  std::string_view extraHeader;    // one more header line; none when empty
  bool base64Body = true;          // bodies as base64 (else 8-bit)
  bool includeBcc = false;         // write the BCC line
  std::string_view headerCharset;  // charset label of encoded words
};

// The header lines in their fixed order, from Reply-To to the ExtraHeaders. ContentType,
// Boundary and CharSet must already be final; MessageId is made and stored when empty.
// `multipart` selects the boundary form of Content-Type. Values never carry a line break
// of their own: breaks in the subject and address fields become blanks, and a folded
// address list becomes separate continuation lines.
StringList ComposeHeaderLines(TRapMsg& msg, const TComposeOptions& options, bool multipart);

}  // namespace maillib
