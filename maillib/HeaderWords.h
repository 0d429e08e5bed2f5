// RFC 2047 encoded words in header values.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "maillib/MailTypes.h"

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
// words labelled with `charset` as given (GBK bytes under the gb2312/gbk labels, see
// ConvertForLabel; "utf-8" words when the charset cannot hold the text), each word at most 75
// characters. splitAtSpace: the parts before and after the first space are
// encoded separately. "name <addr>" keeps the bracketed address unencoded, and a text wrapped in
// double quotes keeps its quotes around the word.
std::string EncodeHeaderWord(std::string_view text, bool splitAtSpace, std::string_view charset);

// The UTF-8 text as B-encoded words (RFC 2047) labelled `charset`, or "utf-8" when that charset
// cannot hold all of it. The first word is at most `firstLength` characters long (at least
// what one character needs), every other at most 75; a character is never split between words.
std::vector<std::string> EncodeWords(std::string_view text, std::string_view charset,
                                     std::size_t firstLength = 75);

// Header lines that never pass 78 characters where that can be helped: tokens are added with
// the blanks before them, and a token that does not fit on the line starts a continuation line
// with those blanks (unfolding, which removes only the line break, gives the value back).
class THeaderLines {
 public:
  static constexpr std::size_t kMaxLine = 78;
  // `start` opens the first line ("Subject: ", "\tname=\"").
  explicit THeaderLines(std::string start);
  // Adds the blanks `sep` and the token. `reserve` characters will be appended right after
  // the token (a closing quote, a comma). Without blanks the token is glued on, never folded.
  void Add(std::string_view token, std::string_view sep = " ", std::size_t reserve = 0);
  // Adds the text as encoded words (EncodeWords), the first one filling the line.
  void AddEncoded(std::string_view text, std::string_view charset, std::string_view sep = " ",
                  std::size_t reserve = 0);
  // Appends the text to the current line as it is.
  void Append(std::string_view text) { current_ += text; }
  bool Fresh() const { return fresh_; }
  StringList Take();

 private:
  StringList lines_;
  std::string current_;
  bool fresh_ = true;
};

// True when the text must travel as encoded words: 8-bit or control bytes, or "=?" that a
// reader would take for the start of an encoded word.
bool NeedsEncodedWord(std::string_view text);
// The header "name: text" for unstructured text (Subject): words needing it become encoded
// words, a run of such words one encoded text with its blanks inside it; plain words keep the
// blanks around them, and an encoded word is never glued to a plain one. Folded at 78.
StringList EncodeTextHeader(std::string_view name, std::string_view text, std::string_view charset);

}  // namespace maillib
