// Quoted-printable decoding (RFC 2045): whole texts and a resumable streaming decoder.
#pragma once

#include <string>
#include <string_view>

namespace maillib {

// Resumable decoder: an '=' near the end of one chunk waits for the next chunk.
// "=" CR LF, "=" LF and "=" CR are soft breaks; "=XX" (hex, either case) gives one byte; an
// '=' not followed by two hex digits is kept as it stands. Underscore is not changed.
class QPDecoder {
 public:
  void Feed(std::string_view input, std::string& out);
  // Ends the text: a pending '=' with fewer than two following bytes is dropped. Resets.
  void Finish(std::string& out);

 private:
  std::string pending_;  // an '=' and at most one following byte
};

// Decodes a whole quoted-printable text.
std::string QPDecode(std::string_view text);

}  // namespace maillib
