#include "maillib/RapMsg.h"

#include "maillib/MimePart.h"
#include "maillib/rapMime.h"

namespace maillib {

namespace {
const char kDefaultCharSet[] = "ISO-8859-1";

bool EndsWithNoCase(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() &&
         UpperAscii(text.substr(text.size() - suffix.size())) == UpperAscii(suffix);
}

bool HasHighBytes(std::string_view text) {
  for (const char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return true;
  }
  return false;
}

// The charset a sender's country suggests when the message declares none.
std::string CharSetForSender(const std::string& from) {
  const std::string addresses = Trim(ExtractAddressesQuoted(from));
  if (EndsWithNoCase(addresses, ".cn")) return "GB2312";
  if (EndsWithNoCase(addresses, ".tw")) return "BIG5";
  if (EndsWithNoCase(addresses, ".jp")) return "ISO-2022-JP";
  return kDefaultCharSet;
}

// Decodes a raw header value with a guessed charset. Text that is already valid UTF-8 keeps
// that reading, and the ISO-8859-1 fallback counts as no charset at all.
std::string DecodeWithGuess(const std::string& raw, const std::string& guess) {
  const bool utf8 = HasHighBytes(raw) && IsValidUtf8(raw);
  return DecodeHeaderWords(raw, utf8 || guess == kDefaultCharSet ? std::string() : guess);
}

// A message that names no charset anywhere: guess one from the sender's address and decode
// the subject and the sender and recipient fields again with it.
void GuessCharSet(TRapMsg& msg) {
  if (!msg.CharSet().empty() || msg.From().empty()) return;
  const std::string guess = CharSetForSender(msg.From());
  msg.SetCharSet(guess);
  const StringList& h = msg.HeaderLines;
  msg.SetSubject(DecodeWithGuess(FullHeaderValue(h, "SUBJECT:"), guess));
  msg.SetFrom(DecodeWithGuess(FullHeaderValue(h, "FROM:"), guess));
  const auto decode = [&](const std::string& item) { return DecodeWithGuess(item, guess); };
  msg.SetSendTo(DecodeAddressHeaderValue(FullHeaderValue(h, "TO:"), decode));
  msg.SetCC(DecodeAddressHeaderValue(FullHeaderValue(h, "CC:"), decode));
}
}  // namespace

TRapMsg::TRapMsg() = default;

std::string TRapMsg::From() const {
  return Trim(from_);
}
std::string TRapMsg::SendTo() const {
  return Trim(sendTo_);
}
std::string TRapMsg::CC() const {
  return Trim(cc_);
}
std::string TRapMsg::BCC() const {
  return Trim(bcc_);
}
std::string TRapMsg::Subject() const {
  return Trim(subject_);
}
std::string TRapMsg::TrueFromIP() const {
  return Trim(trueFromIP_);
}
void TRapMsg::SetCharSet(const std::string& value) {
  charSet_ = UpperAscii(value);
}

void TRapMsg::Clear(bool clearRaw, bool clearIds) {
  from_.clear();
  sendTo_.clear();
  cc_.clear();
  bcc_.clear();
  subject_.clear();
  trueFromIP_.clear();
  charSet_ = kDefaultCharSet;
  ReplyTo.clear();
  UserName.clear();
  Boundary.clear();
  EncryptPubKey.clear();
  X_MessageID.clear();
  Priority = prNormal;
  ExtraHeaders.clear();
  IsAskReadReply = 0;
  AskReadReplyAddress.clear();
  Text.clear();
  ClearRawMailAfterParse = false;
  HeaderLines.clear();
  HtmlLines.clear();
  Attachments.Clear();
  InlineFiles.Clear();
  MessageId.clear();
  References.clear();
  InReplyTo.clear();
  ReturnPath.clear();
  Sender.clear();
  Date = 0;
  DateZoneMinutes = 0;
  Size = 0;
  ContentType.clear();
  ContentTransferEncoding.clear();
  Uidl.clear();
  MailKind = kMailKindNormal;
  PartialTotal = 0;
  PartialNumber = 0;
  PartialId.clear();
  if (clearIds) {
    IsFlag = 0;
    IsRead = false;
    ReplyMailID = 0;
    FwMailID = 0;
    MailID = -1;
    AccountID = -1;
    OtherInfo = TMailOtherInfoRecord{};
  }
  if (clearRaw) RawLines.clear();
}

// The flag to drop the raw lines survives the clearing at the start, so a caller can set it
// before parsing.
void TRapMsg::Parse() {
  const bool dropRaw = ClearRawMailAfterParse;
  Clear(false, false);
  ClearRawMailAfterParse = dropRaw;
  const LineSpan all = SkipEmptyTop(RawLines);
  if (!all.empty()) {
    HeaderLines = HeaderBlockOf(all);
    ReadTopHeader(*this);
    TMimeWalker(*this).Run(all);
    GuessCharSet(*this);
  }
  if (ClearRawMailAfterParse) RawLines.clear();
}

}  // namespace maillib
