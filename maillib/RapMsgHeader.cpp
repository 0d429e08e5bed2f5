// The top-level header fields of a received message.
#include <charconv>

#include "maillib/MimePart.h"
#include "maillib/RapMsg.h"
#include "maillib/rapMime.h"

namespace maillib {

namespace {

// The leading decimal number of a trimmed value ("3 (Normal)" gives 3); `fallback` when none.
long long LeadingNumber(std::string_view text, long long fallback) {
  const std::string trimmed = Trim(text);
  long long value = 0;
  const auto [end, ec] = std::from_chars(trimmed.data(), trimmed.data() + trimmed.size(), value);
  if (ec != std::errc() || end == trimmed.data()) return fallback;
  return value;
}

// Header text is decoded without the body's charset: raw 8-bit bytes are read by what they
// are (valid UTF-8, else GB18030), so a UTF-8 Subject in a gb2312 message stays readable. The
// guess by the sender's domain (RapMsg) applies later, to messages that declare no charset.
std::string DecodeHeaderText(const StringList& header, std::string_view upperName) {
  return DecodeHeaderWords(FullHeaderValue(header, upperName), "");
}

// An address header in the stored form. The list is split before decoding, so a comma or ';'
// inside a decoded display name does not split one address into two.
std::string DecodeAddressHeader(const StringList& header, std::string_view upperName) {
  return DecodeAddressHeaderValue(FullHeaderValue(header, upperName), [](const std::string& item) {
    return DecodeHeaderWords(item, "");
  });
}

std::string TopCharSet(const StringList& header, const std::string& typeLine) {
  std::string charSet = DecodeParam(typeLine, "charset");
  if (charSet.empty()) charSet = HeaderParam("CHARSET=", header);
  return UpperAscii(Trim(RemoveAllChar(charSet, '"')));
}

void ReadDate(TRapMsg& msg) {
  const std::string value = FullHeaderValue(msg.HeaderLines, "DATE:");
  std::time_t when = 0;
  int zone = 0;
  if (value.empty()) {
    when = MissingMailDate();
    zone = LocalZoneMinutes(when);
  } else if (!TryParseMailDate(value, when, zone)) {
    when = UnreadableMailDate();
    zone = LocalZoneMinutes(when);
  }
  msg.Date = when;
  msg.DateZoneMinutes = zone;
}

void ReadPartialInfo(TRapMsg& msg, const std::string& typeLine) {
  if (msg.ContentType != "MESSAGE/PARTIAL") return;
  msg.MailKind = kMailKindPartial;
  msg.PartialTotal = static_cast<int>(LeadingNumber(DecodeParam(typeLine, "total"), 0));
  msg.PartialNumber = static_cast<int>(LeadingNumber(DecodeParam(typeLine, "number"), 0));
  msg.PartialId = DecodeParam(typeLine, "id");
}

void ReadContentFields(TRapMsg& msg, const std::string& typeLine) {
  msg.ContentType = UpperAscii(HeaderValue("CONTENT-TYPE:", typeLine));
  if (msg.ContentType.empty()) msg.ContentType = "TEXT/PLAIN";
  ReadPartialInfo(msg, typeLine);
  std::string line;
  if (FindHeader(msg.HeaderLines, "CONTENT-TRANSFER-ENCODING:", line)) {
    msg.ContentTransferEncoding = UpperAscii(HeaderValue("CONTENT-TRANSFER-ENCODING:", line));
  }
  if (msg.ContentTransferEncoding.empty()) msg.ContentTransferEncoding = "7BIT";
  msg.Boundary = BoundaryOf(typeLine);
}

void ReadAddressFields(TRapMsg& msg) {
  const StringList& h = msg.HeaderLines;
  msg.SetFrom(DecodeHeaderText(h, "FROM:"));
  msg.SetSendTo(DecodeAddressHeader(h, "TO:"));
  msg.SetCC(DecodeAddressHeader(h, "CC:"));
  msg.SetBCC(DecodeAddressHeader(h, "BCC:"));
  msg.ReplyTo = DecodeAddressHeader(h, "REPLY-TO:");
  msg.Sender = DecodeAddressHeader(h, "SENDER:");
  msg.SetSubject(DecodeHeaderText(h, "SUBJECT:"));
}

void ReadOtherFields(TRapMsg& msg) {
  const StringList& h = msg.HeaderLines;
  const long long priority = LeadingNumber(FullHeaderValue(h, "X-PRIORITY:"), 0);
  msg.Priority = priority >= 1 && priority <= 5 ? static_cast<TPriority>(priority - 1) : prNormal;
  msg.MessageId = FullHeaderValue(h, "MESSAGE-ID:");
  msg.References = FullHeaderValue(h, "REFERENCES:");
  msg.InReplyTo = FullHeaderValue(h, "IN-REPLY-TO:");
  msg.ReturnPath = FullHeaderValue(h, "RETURN-PATH:");
  msg.Size = LeadingNumber(FullHeaderValue(h, "SIZE:"), 0);
  msg.Uidl = FullHeaderValue(h, "UIDL:");
  msg.EncryptPubKey = FullHeaderValue(h, "X-QR-ENCRYPTPUBLICKEY:");
  if (UpperAscii(FullHeaderValue(h, "X-QR-MAILTYPE:")) == "ENCRYPTED") {
    msg.MailKind = kMailKindEncrypted;
  }
  std::string line;
  msg.IsAskReadReply = FindHeader(h, "DISPOSITION-NOTIFICATION-TO:", line) ? 1 : 0;
  msg.AskReadReplyAddress =
      msg.IsAskReadReply ? FullHeaderValue(h, "DISPOSITION-NOTIFICATION-TO:") : "";
}

}  // namespace

void ReadTopHeader(TRapMsg& msg) {
  std::string typeLine;
  if (!FindHeader(msg.HeaderLines, "CONTENT-TYPE:", typeLine)) typeLine.clear();
  msg.SetCharSet(TopCharSet(msg.HeaderLines, typeLine));
  ReadAddressFields(msg);
  ReadOtherFields(msg);
  ReadDate(msg);
  ReadContentFields(msg, typeLine);
}

}  // namespace maillib
