// Base64 (RFC 2045 alphabet, '=' padding): whole strings, 76-character lines, streams, and a
// resumable decoder that skips every byte outside the alphabet.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <string_view>

#include "maillib/MailTypes.h"

namespace maillib {

// Resumable decoder: keeps the pending symbols between Feed calls; any byte outside the
// alphabet (CR, LF, space, '=', junk) is skipped.
class Base64Decoder {
 public:
  // Decodes the input and appends the bytes of every complete group of 4 symbols.
  void Feed(std::string_view input, std::string& out);
  // Feed into a buffer with room for (pending symbols + input.size()) / 4 * 3 bytes; returns
  // the position after the bytes written.
  char* FeedInto(std::string_view input, char* dst);
  // Flushes pending symbols: 3 give 2 bytes, 2 give 1 byte, 1 gives nothing. Resets.
  void Finish(std::string& out);

 private:
  std::uint32_t acc_ = 0;
  int count_ = 0;
};

// Base64 of the whole string, no line breaks.
std::string Base64EncodeStr(std::string_view bytes);
// Decodes a whole base64 text (bytes outside the alphabet skipped).
std::string Base64DecodeStr(std::string_view text);
// Base64 in lines of 76 characters (57 input bytes each); the last line may be shorter.
StringList Base64EncodeToLines(std::string_view bytes);
// Reads the stream from its current position to the end and appends its 76-character lines.
void Base64EncodeStreamToLines(std::istream& in, StringList& lines);
// Encodes a file into 76-character lines; false (lines untouched) when it cannot be opened.
bool Base64EncodeFileToLines(const std::string& path, StringList& lines);
// Decodes base64 lines to bytes (trimmed lines, accumulator carried across lines).
std::string Base64DecodeLines(const StringList& lines);
// Decodes lines into a new file at path (an existing file is replaced). With no non-empty
// line the lines are written as text instead. False when the file cannot be written.
bool Base64DecodeLinesToFile(const StringList& lines, const std::string& path);
// When the first line's length is a multiple of 4, replaces the lines by their decoded bytes
// (re-split into lines) and returns true; otherwise leaves them unchanged and returns false.
bool Base64DecodeLinesInPlace(StringList& lines);
// True when the lines look like one base64 block (blank lists included).
bool IsBase64Block(const StringList& lines);

}  // namespace maillib
