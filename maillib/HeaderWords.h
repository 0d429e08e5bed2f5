// RFC 2047 encoded words in header values.
#pragma once

#include <string>
#include <string_view>

namespace maillib {

// Decodes every "=?charset?B|Q?payload?=" word of a header value into UTF-8. Adjacent words
// of one charset are joined as bytes before conversion (a character split between two words
// comes out whole) and the blanks between adjacent words are dropped; blanks between a word and
// plain text stay. Plain 8-bit text that is valid UTF-8 stays UTF-8; other plain text is read in
// defaultCharset (empty: undeclared, see ConvertCharsetText). A malformed word stays as text; an
// unknown encoding letter gives empty. The result is one line: a line break inside a word
// becomes a blank. One forward scan: the time grows linearly with the text.
std::string DecodeHeaderWords(std::string_view text, std::string_view defaultCharset = "");
// Encodes UTF-8 text for a header: pure ASCII is returned trimmed; other text becomes B-encoded
// words labelled with `charset` as given (bytes from the alias table, e.g. "gb2312" -> GB18030),
// each word at most 75 characters. splitAtSpace: the parts before and after the first space are
// encoded separately. "name <addr>" keeps the bracketed address unencoded, and a text wrapped in
// double quotes keeps its quotes around the word.
std::string EncodeHeaderWord(std::string_view text, bool splitAtSpace, std::string_view charset);

}  // namespace maillib
