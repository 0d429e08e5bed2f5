// The recipient field of the compose page: To addresses, then optionally "<抄送>" and the Cc
// addresses, then optionally "<密送>" and the Bcc addresses; addresses within a part are
// separated by commas. The address book writes the markers; the user may type them.
#pragma once

#include <string>

namespace send {

inline constexpr const char* kCcMarker = "<抄送>";
inline constexpr const char* kBccMarker = "<密送>";

// The three parts of a recipient field; `hasCc`/`hasBcc` tell whether the marker is there.
struct RecipientParts {
  std::string to;
  std::string cc;
  std::string bcc;
  bool hasCc = false;
  bool hasBcc = false;
};
// Cuts the field at the markers: To is the text before the first marker, Cc the text after
// "<抄送>" (up to "<密送>" when it follows), Bcc the text after "<密送>". A field without
// markers is all To. The parts are returned as they stand (not trimmed).
RecipientParts CutRecipientField(const std::string& field);

}  // namespace send
