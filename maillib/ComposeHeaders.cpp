#include "maillib/ComposeHeaders.h"

#include <ctime>

#include "maillib/Addresses.h"
#include "maillib/ComposeParts.h"
#include "maillib/HeaderWords.h"
#include "maillib/MailDate.h"
#include "maillib/MailIds.h"
#include "maillib/RapMsg.h"
#include "maillib/TextUtil.h"

namespace maillib {
namespace {

// The value with CR and LF turned into blanks, so that it cannot start a header of its own.
std::string OneLine(std::string_view value) {
  std::string line(value);
  for (char& c : line) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  return line;
}

// Adds a header line; a value folded with CR LF becomes separate lines.
void AddHeader(StringList& out, std::string_view line) {
  StringList lines = SplitLines(line);
  if (lines.empty()) lines.emplace_back(line);
  for (std::string& l : lines)
    out.push_back(std::move(l));
}

void AddAddressHeader(StringList& out, std::string_view name, const std::string& list,
                      std::string_view charset) {
  for (std::string& line : AddressHeaderLines(name, OneLine(list), charset))
    out.push_back(std::move(line));
}

// The domain of the sender's address, for the Message-Id; empty when From has none.
std::string SenderDomain(const TRapMsg& msg) {
  const std::string first = TextBefore(ExtractAddressesQuoted(msg.From()), ",");
  const std::size_t at = first.rfind('@');
  return at == std::string::npos ? std::string() : first.substr(at + 1);
}

void AddAddressLines(StringList& out, const TRapMsg& msg, const TComposeOptions& options) {
  const std::string_view cs = options.headerCharset;
  if (!msg.ReplyTo.empty()) AddAddressHeader(out, "Reply-To", msg.ReplyTo, cs);
  AddAddressHeader(out, "From", msg.From(), cs);
  AddAddressHeader(out, "To", msg.SendTo(), cs);
  if (!msg.CC().empty()) AddAddressHeader(out, "CC", msg.CC(), cs);
  if (options.includeBcc && !msg.BCC().empty()) AddAddressHeader(out, "BCC", msg.BCC(), cs);
}

// A list of message ids, folded at its blanks (a long thread has many References).
void AddIdList(StringList& out, std::string_view name, const std::string& ids) {
  THeaderLines lines(std::string(name) + ": ");
  for (const std::string& id : SplitByChars(OneLine(ids), " \t"))
    lines.Add(id, lines.Fresh() ? "" : " ");
  AppendLines(out, lines.Take());
}

void AddIdentityLines(StringList& out, TRapMsg& msg, const TComposeOptions& options) {
  AppendLines(out, EncodeTextHeader("Subject", OneLine(msg.Subject()), options.headerCharset));
  out.push_back("Date: " + FormatMailDate(std::time(nullptr)));
  if (msg.MessageId.empty()) msg.MessageId = MakeMessageId(SenderDomain(msg));
  out.push_back("Message-Id: " + OneLine(msg.MessageId));
  if (!msg.References.empty()) AddIdList(out, "References", msg.References);
  if (!msg.InReplyTo.empty()) AddIdList(out, "In-Reply-To", msg.InReplyTo);
  out.push_back("MIME-Version: 1.0");
}

bool IsSendablePartial(const TRapMsg& msg) {
  return msg.MailKind == kMailKindPartial && !msg.PartialId.empty() && msg.PartialTotal > 0 &&
         msg.PartialNumber > 0;
}

void AddContentLines(StringList& out, const TRapMsg& msg, const TComposeOptions& options,
                     bool multipart) {
  if (IsSendablePartial(msg)) {
    out.push_back("Content-Type: message/partial;");
    out.push_back("\ttotal=" + std::to_string(msg.PartialTotal) + ";");
    out.push_back("\tid=\"" + msg.PartialId + "\";");
    out.push_back("\tnumber=" + std::to_string(msg.PartialNumber));
  } else if (multipart) {
    out.push_back("Content-Type: " + msg.ContentType + "; ");
    out.push_back("\tboundary=\"" + msg.Boundary + "\"");
  } else {
    out.push_back("Content-Type: text/plain;");
    out.push_back("\tcharset=\"" + msg.CharSet() + "\"");
    out.push_back(options.base64Body ? "Content-Transfer-Encoding: base64"
                                     : "Content-Transfer-Encoding: 8bit");
  }
}

// The address a read receipt goes to: the one asked for, else Reply-To, else From.
std::string ReceiptAddress(const TRapMsg& msg) {
  if (!msg.AskReadReplyAddress.empty()) return msg.AskReadReplyAddress;
  return msg.ReplyTo.empty() ? msg.From() : msg.ReplyTo;
}

void AddTrailingLines(StringList& out, const TRapMsg& msg, const TComposeOptions& options) {
  if (!msg.EncryptPubKey.empty()) out.push_back("X-QR-EncryptPublicKey: " + msg.EncryptPubKey);
  if (msg.MailKind == kMailKindEncrypted) out.push_back("X-QR-MailType: Encrypted");
  if (!msg.X_MessageID.empty()) out.push_back("X-QR-MessageID: " + msg.X_MessageID);
  out.push_back("X-Priority: " + std::to_string(static_cast<int>(msg.Priority) + 1));
  if (!options.extraHeader.empty()) AddHeader(out, options.extraHeader);
  if (msg.IsAskReadReply == 1) {
    AddAddressHeader(out, "Disposition-Notification-To", ReceiptAddress(msg),
                     options.headerCharset);
  }
  for (const std::string& line : msg.ExtraHeaders)
    AddHeader(out, line);
}

}  // namespace

StringList ComposeHeaderLines(TRapMsg& msg, const TComposeOptions& options, bool multipart) {
  StringList out;
  AddAddressLines(out, msg, options);
  AddIdentityLines(out, msg, options);
  AddContentLines(out, msg, options, multipart);
  AddTrailingLines(out, msg, options);
  return out;
}

}  // namespace maillib
