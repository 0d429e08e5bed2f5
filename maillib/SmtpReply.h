// SMTP reply and capability handling as plain functions over text: reply codes of single lines,
// the end of a multi-line reply, the AUTH mechanism an EHLO reply offers, the user name tried
// after a refused password, and the acceptance rule of the end-of-data reply.
#pragma once

#include <string>
#include <string_view>

#include "maillib/MailTypes.h"

namespace maillib {

// A reply longer than this many lines is cut off and treated as complete; it keeps a server
// that never sends a final line from holding the client forever.
constexpr int kMaxReplyLines = 1000;
// The mechanism named after AUTH is taken from at most this many bytes.
constexpr std::size_t kMaxMechanismText = 64;

// The reply code of a (trimmed) reply line: its first three bytes as a number when they are
// digits; -1 otherwise.
int ReplyLineCode(std::string_view line);
// True when the trimmed line ends a reply: a code followed by a blank or nothing ("250 OK",
// "250"), or a line of two bytes or less. "250-..." continues the reply, as does any line
// without a code.
bool IsFinalReplyLine(std::string_view line);

// The AUTH mechanism of an EHLO reply: the first line whose keyword (after the "250-" or
// "250 " prefix) is AUTH followed by a blank or '=' names it; the mechanism is the first word
// after AUTH with one '=' removed ("AUTH=LOGIN" and "AUTH LOGIN PLAIN" both give "LOGIN",
// "AUTH PLAIN LOGIN" gives "PLAIN"). Empty when no line offers AUTH.
std::string AuthMechanism(const StringList& ehloLines);

// Every mechanism the AUTH lines of an EHLO reply name, upper-cased, in order and without
// repeats ("250-AUTH LOGIN PLAIN" and "250-AUTH=PLAIN" give LOGIN, PLAIN).
StringList AuthMechanisms(const StringList& ehloLines);

// True when a line of the EHLO reply names the extension `keyword` (upper-case, e.g.
// "STARTTLS"): its keyword after the code, in any letter case, alone or followed by a blank.
bool OffersExtension(const StringList& ehloLines, std::string_view keyword);

// The initial response of AUTH PLAIN (RFC 4616): base64 of NUL, the user name, NUL and the
// password, with no authorization identity.
std::string PlainAuthResponse(std::string_view user, std::string_view password);

// The part of the address before '@' (the whole text when it has none).
std::string LocalPart(std::string_view address);

// The user name tried once more after a refused password: the e-mail address when the name
// has no '@' and an address is known, the part before '@' when it has one. Empty when there is
// no other name to try.
std::string AlternateUserName(std::string_view userName, std::string_view emailAddress);

// The end-of-data reply counts as accepted when its code is 250, or when one of its lines
// begins with "250 " (a complete 250 reply after stray lines). A "250 " elsewhere in the text of
// a refusal ("552 message exceeds 250 MB") does not count.
bool FinalReplyAccepted(int code, std::string_view replyText);

// True when the text can go into one command line: no CR, LF or NUL in it.
bool IsSingleLine(std::string_view text);

// The envelope form of one address: trimmed, and the text between '<' and '>' when it has
// them. Empty when nothing usable remains or the address holds bytes that cannot stand in a
// command (CR, LF, NUL, '<', '>', blanks).
std::string EnvelopeAddress(std::string_view item);

}  // namespace maillib
