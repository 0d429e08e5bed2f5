// Address lists: splitting, bare addresses, the stored normalised form and header formatting.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "maillib/MailTypes.h"

namespace maillib {

// Splits at ';' and ',' outside a quoted display name (backslash escapes and doubled quotes
// inside it) and outside comments in parentheses. A group ("Team: a@x, b@y;",
// "undisclosed-recipients:;") gives its members, not its name. Items trimmed, empty dropped.
StringList SplitAddressList(std::string_view list);
// Bare addresses of a list ("a@x,b@y"), split at every ';' and ',': the text between '<' and
// '>', else the item without its comments ("a@x (Name)"); items without '@' are skipped (these
// lists are for sending and for the sender's domain).
std::string ExtractAddresses(std::string_view list);
// As ExtractAddresses, but split with SplitAddressList (quoted names may hold commas).
std::string ExtractAddressesQuoted(std::string_view list);
// Stored form of a list: split with SplitAddressList, each item as "\"name\" <addr>" joined
// with JoinCommaText. The name is the display name (quoted strings unescaped), else the comment
// of the old "addr (Name)" form, else the local part. An address without a domain (a local
// user: "root", "<postmaster>") is kept. Items beginning with '%' are kept as they are.
std::string NormalizeAddressList(std::string_view list);
// As above for a raw header value: the list is split first and each item's encoded words are
// then decoded (defaultCharset for undeclared 8-bit text), so a comma inside an encoded display
// name cannot split an item.
std::string NormalizeAddressList(std::string_view rawList, std::string_view charset);
// The stored form of a raw address header: the list is split first and each item decoded by
// `decode`; a ',' or ';' that decoding brings into a display name becomes a blank, so it cannot
// split the item later. Items that give nothing are dropped; the rest are joined with ",".
std::string DecodeAddressHeaderValue(std::string_view rawList,
                                     const std::function<std::string(const std::string&)>& decode);
// Header form of a list, items joined with ", ": a display name that needs it becomes encoded
// words (charset as in EncodeWords), a name holding specials (',' ';' '"' '<' ...) a quoted
// string, and the address follows in angle brackets; a bare address stays bare. Folded with
// "\r\n " so that no line of "Name: " + value passes 78 characters where that can be helped.
std::string FormatAddressHeader(std::string_view list, std::string_view charset);
// The same as the header lines "name: value", folded.
StringList AddressHeaderLines(std::string_view name, std::string_view list,
                              std::string_view charset);

}  // namespace maillib
