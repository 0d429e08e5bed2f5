// The text side of the POP3 dialogue, as plain functions over lines: reply codes, the end of
// a multi-line answer and dot-stuffing, the APOP digest, LIST lines, the masking of secrets in
// traces, and the repair of retrieved header blocks. The client in RapPOP3 does the I/O.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "maillib/MailTypes.h"

namespace maillib {

// The reply code of one (trimmed) reply line: its first 4 bytes, trimmed and upper-cased
// ("+OK", "-ERR", "220", ...). Lines of 2 bytes or less have no code (empty).
std::string Pop3ReplyCode(std::string_view line);
// True when the line ends a reply: it is 2 bytes or shorter, or its code is "+OK", "-ERR" or
// an integer. Other lines are continuation text and the next line belongs to the reply.
bool Pop3EndsReply(std::string_view line);
// True for the line that ends a multi-line answer: "." once trailing blanks are removed.
bool Pop3EndsMultiLine(std::string_view line);
// A data line of a multi-line answer with the transmission dot-stuffing removed: a line that
// begins with ".." loses its first dot.
std::string Pop3Unstuff(std::string_view line);

// The APOP time stamp of a greeting: on its first line, from the first '<' up to and including
// the next '>'; empty when there is none.
std::string ApopStamp(std::string_view greeting);
// Lower-case hexadecimal MD5 of stamp + password (empty if the digest is unavailable).
std::string ApopDigest(std::string_view stamp, std::string_view password);

// The message count of a STAT reply ("+OK count size"; of a chatty reply its last line). False
// when the count is missing or no number from 0 up: such a reply tells nothing about the
// mailbox, and taking it for an empty one would hide the mail.
[[nodiscard]] bool Pop3ParseStat(std::string_view reply, int& count);
// One line of a LIST answer, "n size": the message number (from 1) and the size in octets
// (from 0). Words after the size, which servers are discouraged from sending, are ignored.
// False when the line does not begin with these two numbers.
[[nodiscard]] bool Pop3ParseListLine(std::string_view line, int& number, long long& size);
// True when every line of a LIST answer is such a line.
[[nodiscard]] bool Pop3ValidList(const StringList& lines);
// The size a LIST answer gives message n: from its line; 0 when there is no such line or the
// size is 0.
long long Pop3ListSize(const StringList& listLines, int n);
// One line of a UIDL answer: the message number and the server's unique id of that message.
struct Pop3UidlEntry {
  int number = 0;
  std::string uid;
};
// Reads the lines of a UIDL answer ("n uid"). False when a line is not of that form (no number
// from 1 up, no id, an id of more than 70 bytes or with bytes outside 0x21..0x7E, or a number
// given twice): such an answer cannot be trusted to tell messages apart.
[[nodiscard]] bool Pop3ParseUidl(const StringList& lines, std::vector<Pop3UidlEntry>& entries);

// True when a line of a CAPA answer names the capability `name` (upper-case, e.g. "STLS"): its
// first word, in any letter case.
bool Pop3HasCapability(const StringList& capaLines, std::string_view name);

// The second user name tried when the password is refused: the e-mail address when the user id
// has no '@'; the trimmed local part when it has one. Empty when there is nothing else to try.
std::string Pop3AlternateUser(std::string_view userId, std::string_view emailAddress);

// The command as traces may show it: the argument of PASS, and the digest of APOP, become
// "****". Every other command is returned unchanged.
std::string Pop3TraceText(std::string_view command);

// Deletes the blank-only lines that some forwarders put into the header block after an
// "X-Auto-Forward:" line, so that the header block ends at the real empty line.
void RepairForwardedHeader(StringList& rawLines);

}  // namespace maillib
