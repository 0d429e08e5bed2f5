// TRapSMTP: one mail transaction (MAIL FROM, RCPT TO, DATA, the text, the end-of-data mark).
#include <algorithm>
#include <ctime>

#include "maillib/Addresses.h"
#include "maillib/BusyScope.h"
#include "maillib/RapSMTP.h"
#include "maillib/SmtpData.h"
#include "maillib/SmtpMessage.h"
#include "maillib/SmtpReply.h"
#include "maillib/TextUtil.h"
#include "maillib/rapSMTPCode.h"

namespace maillib {

namespace {

// The envelope forms of the recipients; blank items are skipped. False when an item cannot
// stand in a command (line breaks, blanks inside the address).
bool EnvelopeRecipients(const StringList& recipients, StringList& out) {
  for (const std::string& item : recipients) {
    if (Trim(item).empty()) continue;
    std::string address = EnvelopeAddress(item);
    if (address.empty()) return false;
    out.push_back(std::move(address));
  }
  return true;
}

}  // namespace

bool TRapSMTP::SendMessage(TRapMsg& msg, const StringList& recipients) {
  ClearErrors();
  if (!isConnected_) {
    Fail(TSmtpFailure::NotConnected, "not connected");
    return false;
  }
  StringList envelope;
  if (!EnvelopeRecipients(recipients, envelope)) {
    Fail(TSmtpFailure::BadInput, "a recipient address cannot be used");
    return false;
  }
  if ((MustVerify && msg.From().empty()) || envelope.empty()) {
    Fail(TSmtpFailure::BadInput, envelope.empty() ? "no recipient" : "no sender");
    return false;
  }
  if (!PrepareMessage(msg)) return false;
  if (Cancel) {
    Fail(TSmtpFailure::Canceled, "canceled");
    return false;
  }
  if (OnBeforeSend) OnBeforeSend(*this);
  const bool ok = Transaction(ExtractAddresses(msg.From()), envelope, msg);
  if (ok && OnAfterSend) OnAfterSend(*this);
  return ok;
}

bool TRapSMTP::PrepareMessage(TRapMsg& msg) {
  msg.Date = std::time(nullptr);
  if (msg.RawLines.empty() && !ComposeMessage(msg, ExtraHeader, true, false, "GB2312", {})) {
    // Sending would deliver the message with an empty attachment part.
    Fail(TSmtpFailure::BadInput, "an attachment or picture of the message cannot be read");
    return false;
  }
  if (SendAsAnonymous) AnonymizeHeaderBlock(msg.RawLines, AnonymouseFrom);
  return true;
}

bool TRapSMTP::Transaction(const std::string& sender, const StringList& recipients, TRapMsg& msg) {
  const std::string from = EnvelopeAddress(sender);
  if (from.empty() && !Trim(sender).empty()) {
    Fail(TSmtpFailure::BadInput, "the sender address cannot be used");
    return false;
  }
  if (!Command("MAIL FROM: <" + from + ">", 250)) return false;
  for (const std::string& recipient : recipients) {
    // 251 (not local, will be forwarded) accepts the recipient as well (RFC 5321).
    if (!Command("RCPT TO: <" + recipient + ">", 250, 251)) return false;
  }
  return StartData() && SendText(msg) && EndData();
}

bool TRapSMTP::StartData() {
  if (!SendCommand("DATA")) return CommandFailed();
  Yield();
  Pause();
  Yield();
  Pause();
  Yield();
  return Reply(354);
}

bool TRapSMTP::SendText(TRapMsg& msg) {
  if (msg.Size <= 0) msg.Size = TextLength(msg.RawLines);
  // A preset size only scales the progress: the whole text is sent whatever it says.
  const std::int64_t total = std::max<std::int64_t>(msg.Size, 1);
  std::int64_t sent = 0;
  unsigned percent = 0;
  std::size_t next = 0;
  while (next < msg.RawLines.size()) {
    const std::string chunk = NextChunk(msg.RawLines, next, StuffDots);
    if (!WriteChunk(chunk)) return false;
    sent += static_cast<std::int64_t>(chunk.size());
    if (OnSendRawMailInByte) OnSendRawMailInByte(*this, static_cast<std::int64_t>(chunk.size()));
    const auto now = static_cast<unsigned>(std::min<std::int64_t>(100, sent * 100 / total));
    if (now != percent) {
      percent = now;
      if (OnSendProgress) OnSendProgress(*this, percent);
    }
    Yield();
    if (Cancel || !isConnected_) {
      Fail(Cancel ? TSmtpFailure::Canceled : TSmtpFailure::ConnectionLost, "transfer ended");
      // Closing without the end-of-data mark makes the server drop the partial message.
      Disconnect();
      return false;
    }
  }
  return true;
}

bool TRapSMTP::WriteChunk(const std::string& chunk) {
  bool ok = false;
  {
    BusyScope busy(busySending_);
    std::lock_guard<std::recursive_mutex> lock(io_);
    ok = tcp_.Write(chunk);
  }
  if (!ok) {
    SocketError = true;
    FailFromSocket();
  }
  return ok;
}

bool TRapSMTP::EndData() {
  // Every line went out with its CR LF, so "." and CR LF end the data without adding an empty
  // line to the message.
  if (!WriteChunk(".\r\n")) return false;
  ReadReplyWithin(std::max(TimeOut, DataEndTimeOut));
  ReplyError = SocketError || !FinalReplyAccepted(LastReplyCode, LastReplyText);
  if (ReplyError && !SocketError) FailFromReply(TSmtpFailure::ServerError);
  if (CheckReplyError({}, true)) return false;
  if (OnSendProgress) OnSendProgress(*this, 100);
  return true;
}

}  // namespace maillib
