// The message object of the mail library. The POP3 client fills `RawLines` and `Parse` turns
// them into header fields, a plain-text body, an HTML body, attachments and inline files. For
// sending, the caller fills the fields and the composer turns them back into `RawLines`.
//
// All text fields are UTF-8 after Parse (subject, addresses, Text, HtmlLines, names).
// Properties with a trimming getter or an upper-casing setter are getter/setter pairs
// (From()/SetFrom(), ...); every other property is a public data member.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>

#include "maillib/AttachedFiles.h"
#include "maillib/MailTypes.h"

namespace maillib {

enum TPriority { prHighest, prHigh, prNormal, prLow, prLowest };

// Free data for the caller; cleared with the ids and never read by the library.
struct TMailOtherInfoRecord {
  int Tag = 0;
  int Flags = 0;
  std::string Text;
};

// Message kinds held in TRapMsg::MailKind.
constexpr int kMailKindNormal = 0;
constexpr int kMailKindPartial = 2;
constexpr int kMailKindEncrypted = 3;

class TRapMsg {
 public:
  TRapMsg();

  // ---- caller's marks ----
  bool IsRead = false;
  int ReplyMailID = 0;
  int FwMailID = 0;
  int MailID = -1;
  int AccountID = -1;
  int IsFlag = 0;

  // ---- header fields ----
  std::string From() const;  // trimmed
  void SetFrom(const std::string& value) { from_ = value; }
  std::string ReplyTo;
  std::string SendTo() const;  // trimmed
  void SetSendTo(const std::string& value) { sendTo_ = value; }
  std::string CC() const;  // trimmed
  void SetCC(const std::string& value) { cc_ = value; }
  std::string BCC() const;  // trimmed
  void SetBCC(const std::string& value) { bcc_ = value; }
  std::string Subject() const;  // trimmed
  void SetSubject(const std::string& value) { subject_ = value; }
  std::string UserName;
  const std::string& CharSet() const { return charSet_; }
  void SetCharSet(const std::string& value);  // stores it upper-cased
  std::string Boundary;
  std::string TrueFromIP() const;  // trimmed
  void SetTrueFromIP(const std::string& value) { trueFromIP_ = value; }
  std::string EncryptPubKey;
  std::string X_MessageID;
  TPriority Priority = prNormal;
  StringList ExtraHeaders;
  int IsAskReadReply = 0;
  std::string AskReadReplyAddress;
  StringList Text;  // plain-text body
  bool ClearRawMailAfterParse = false;

  // ---- further members ----
  StringList RawLines;     // the whole message, lines without terminators
  StringList HeaderLines;  // the top-level header lines
  StringList HtmlLines;    // the HTML body
  TAttachedFiles Attachments;
  TAttachedFiles InlineFiles;  // pictures referenced from the HTML body
  std::string MessageId;
  std::string References;
  std::string InReplyTo;
  std::string ReturnPath;
  std::string Sender;
  std::time_t Date = 0;     // the Date header as a point in time (0 after Clear)
  int DateZoneMinutes = 0;  // UTC offset written in the Date header, minutes east of UTC
  std::int64_t Size = 0;    // bytes, from a "Size:" header
  std::string ContentType;  // upper-case, without parameters
  std::string ContentTransferEncoding;  // upper-case
  std::string Uidl;
  int MailKind = kMailKindNormal;
  int PartialTotal = 0;
  int PartialNumber = 0;
  std::string PartialId;
  // When true an attached message/rfc822 is parsed into this message instead of becoming an
  // .eml attachment.
  bool ExpandAttachedMessages = false;
  TMailOtherInfoRecord OtherInfo;

  // Empties every field, list and collection and resets the defaults. `clearRaw` also empties
  // RawLines; `clearIds` also resets the caller's marks and OtherInfo.
  void Clear(bool clearRaw, bool clearIds);
  // Reads RawLines into the fields above. Never fails: bad input gives what could be read.
  void Parse();

 private:
  std::string from_;
  std::string sendTo_;
  std::string cc_;
  std::string bcc_;
  std::string subject_;
  std::string charSet_ = "ISO-8859-1";
  std::string trueFromIP_;
};

}  // namespace maillib
