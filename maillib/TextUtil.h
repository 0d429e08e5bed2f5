// Mechanical string routines: trimming, cutting at separators, splitting and joining.
// "To trim" removes leading and trailing bytes <= space.
#pragma once

#include <string>
#include <string_view>

#include "maillib/MailTypes.h"

namespace maillib {

// The text without leading and trailing bytes <= space.
std::string Trim(std::string_view text);
// The same, as a view into the text.
std::string_view TrimView(std::string_view text);
// The text with 'a'..'z' turned to upper case (other bytes unchanged).
std::string UpperAscii(std::string_view text);
// The text with 'A'..'Z' turned to lower case (other bytes unchanged).
std::string LowerAscii(std::string_view text);
// True when the text begins with the prefix, comparing ASCII letters case-insensitively.
bool StartsWithNoCase(std::string_view text, std::string_view prefix);
// Text before the first separator; when absent: empty if emptyIfMissing, else the whole text.
std::string TextBefore(std::string_view text, std::string_view separator, bool trim = false,
                       bool emptyIfMissing = false);
// Text after the first separator, with the same rules as TextBefore.
std::string TextAfter(std::string_view text, std::string_view separator, bool trim = false,
                      bool emptyIfMissing = false);
// The text with every occurrence of the byte deleted.
std::string RemoveAllChar(std::string_view text, char c);
// Removes one leading and one trailing double or single quote.
std::string StripQuotes(std::string_view text);
// Upper-cased text after the first '=' (whole text if none), leading/trailing '"' removed.
std::string ParamValueUpper(std::string_view text);
// Splits at each separator (items not trimmed); pads with empty items up to minIndex (-1: none).
StringList SplitWords(std::string_view text, char separator, int minIndex = -1);
// Splits at every byte of the set; empty items are dropped.
StringList SplitByChars(std::string_view text, std::string_view separators);
// Skips n space-separated words of the trimmed text and returns the next as an integer.
long long WordAsInt(std::string_view text, int n, long long defaultValue);
// True for four '.'-separated decimal numbers each 0..255.
bool IsDottedQuad(std::string_view text);
// Splits text into lines at CR LF, LF or a lone CR; no terminators kept. A final line break
// does not produce an extra empty line.
StringList SplitLines(std::string_view text);
// Joins lines with the separator (CR LF by default), no separator after the last line.
// The text with '&', '<', '>' and '"' as HTML entities, safe in element text and in quoted
// attribute values.
std::string EscapeHtml(std::string_view text);
std::string JoinLines(const StringList& lines, std::string_view separator = "\r\n");
// Joins items with ','; an item with a byte <= space, a '"' or a ',' is wrapped in double
// quotes with its inner double quotes doubled.
std::string JoinCommaText(const StringList& items);
// The inverse of JoinCommaText: items separated by ',' (or blanks outside quotes); a quoted
// item keeps its commas and blanks and gives back one '"' for each doubled pair.
StringList SplitCommaText(std::string_view text);

}  // namespace maillib
