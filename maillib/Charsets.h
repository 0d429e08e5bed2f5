// Charsets as data: the one alias table from mail labels to converter names, the fallback rule
// for undeclared 8-bit text, and conversion to and from UTF-8 (glibc iconv).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace maillib {

// Converter name for a mail charset label (case-insensitive, quotes and blanks ignored):
// gb2312/gbk/cp936/... -> "GB18030", big5 -> "BIG5-HKSCS", a declared iso-8859-1 ->
// "WINDOWS-1252", shift_jis -> "CP932", "HZ-GB-2312", "ISO-2022-JP", ... Empty for an empty
// or unknown label (the text then counts as undeclared).
std::string CanonicalCharset(std::string_view label);
// Length of the well-formed UTF-8 sequence at pos (1 for ASCII), 0 when malformed or cut off.
std::size_t Utf8SequenceAt(std::string_view text, std::size_t pos);
// True when the whole text is well-formed UTF-8 (ASCII included).
bool IsValidUtf8(std::string_view text);
// Quick guess: true when the first multi-byte sequences (up to 8) are well-formed UTF-8 and
// there is at least one; any malformed sequence before that gives false.
bool LooksLikeUtf8(std::string_view text);
// Converts text in the given charset to UTF-8. Undeclared/unknown charset: valid UTF-8 stays,
// otherwise GB18030. Bytes invalid in the declared charset are read as UTF-8 or GB18030 when
// possible, and only then become U+FFFD; the rest of the text is never lost.
std::string ConvertCharsetText(std::string_view text, std::string_view charset);
// Converts UTF-8 text to bytes in the charset (alias table applied: "gb2312" gives GB18030
// bytes). Returns false and leaves `out` empty when a character cannot be written in it.
bool ConvertFromUtf8(std::string_view utf8, std::string_view charset, std::string& out);
// Converts UTF-8 text to GBK bytes, the charset Chinese mail readers expect under a "gb2312" or
// "GBK" label. Returns false and leaves `out` empty when a character has no GBK form (emoji,
// rare characters): the caller then writes the text as UTF-8 and labels it "UTF-8".
bool ConvertToGbk(std::string_view utf8, std::string& out);
// Converts UTF-8 text to the bytes mail readers expect under the label: GBK for the GB labels
// other than "GB18030" (gb2312, gbk, cp936, ...), the label's own charset otherwise. False and
// `out` empty when a character cannot be written under the label.
bool ConvertForLabel(std::string_view utf8, std::string_view label, std::string& out);
// UTF-8 text made safe: valid sequences kept, invalid bytes read as GB18030 or U+FFFD.
std::string Utf8ToGb(std::string_view text);
// Big5 (HKSCS) text converted to UTF-8.
std::string Big5ToGb(std::string_view text);

}  // namespace maillib
