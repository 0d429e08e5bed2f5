#include "maillib/RapPOP3.h"

#include <chrono>
#include <limits>
#include <thread>

#include "maillib/BusyScope.h"
#include "maillib/Pop3Reply.h"
#include "maillib/TextUtil.h"

namespace maillib {

namespace {

using Clock = std::chrono::steady_clock;

long long ElapsedMs(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// Lines of a multi-line answer between two yields, and between two byte reports.
constexpr int kLinesPerYield = 100;
constexpr int kLinesPerByteReport = 200;
// Reply lines between two yields.
constexpr int kReplyLinesPerYield = 5;

}  // namespace

TRapPOP::TRapPOP() {
  tcp_.OnConnected = [this] {
    isConnected_ = true;
    if (OnConnect) OnConnect(*this);
  };
  tcp_.OnDisconnected = [this] { Disconnected(); };
}

TRapPOP::~TRapPOP() {
  // Another context may destroy the client while a command waits: give it up to 5 s to notice
  // the cancel flag.
  const Clock::time_point start = Clock::now();
  while ((busySending_ || busyReading_) && ElapsedMs(start) <= kDestroyWaitMs) {
    Cancel = true;
    Yield();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  // No events from an object being destroyed.
  tcp_.OnConnected = nullptr;
  tcp_.OnDisconnected = nullptr;
  tcp_.Disconnect();
}

void TRapPOP::Disconnected() {
  isConnected_ = false;
  if (OnQuit) OnQuit(*this);
}

void TRapPOP::Abort() {
  Cancel = true;
  tcp_.Abort();
}

void TRapPOP::Yield() {
  if (OnYield) OnYield();
}

// ---- failures ----

void TRapPOP::ClearFailure() {
  failure_ = TPopFailure::None;
  failureText_.clear();
}

void TRapPOP::Fail(TPopFailure failure, const std::string& text) {
  failure_ = failure;
  failureText_ = text;
}

void TRapPOP::FailFromReply(TPopFailure failure) {
  Fail(failure, LastReplyText);
}

void TRapPOP::FailFromSocket() {
  // A read that ended because the answer broke the protocol (see ReadWholeLine) keeps that
  // reason: the connection was closed by the client.
  if (failure_ != TPopFailure::ProtocolError) {
    TPopFailure kind = TPopFailure::ConnectionLost;
    if (Cancel) {
      kind = TPopFailure::Canceled;
    } else if (tcp_.LastStatus() == IoStatus::TimedOut) {
      kind = TPopFailure::TimedOut;
    }
    Fail(kind, tcp_.LastError());
  }
  // After a failed read or write nobody knows where the dialogue stands: a later command
  // would read the rest of this answer as its own. The session ends here.
  tcp_.Disconnect();
}

bool TRapPOP::RequireConnection() {
  ClearFailure();
  if (isConnected_) return true;
  Fail(TPopFailure::NotConnected, "not connected");
  return false;
}

// ---- connecting and logging in ----

bool TRapPOP::ConnectAndLogin() {
  return Connect() && StillOpen() && Login() && StillOpen() && Stat();
}

// Between two steps of ConnectAndLogin: false (with the reason) when the session ended or the
// caller gave up.
bool TRapPOP::StillOpen() {
  if (!Cancel && isConnected_) return true;
  Fail(Cancel ? TPopFailure::Canceled : TPopFailure::ConnectionLost, "connection ended");
  return false;
}

bool TRapPOP::Connect() {
  ClearFailure();
  MessageCount = 0;
  ReplyError = false;
  SocketError = false;
  Cancel = false;
  Greeting.clear();
  listCache_.clear();
  tcp_.Host = Host;
  tcp_.Port = Port;
  const bool finished = OpenWithTimeout(tcp_, &Cancel, TimeOut);
  if (!finished || !tcp_.Connected()) {
    SocketError = true;
    if (Cancel) {
      Fail(TPopFailure::Canceled, "connect canceled");
    } else {
      Fail(finished ? tcp_.ConnectFailure() : TPopFailure::ConnectFailed,
           finished ? tcp_.LastError() : "connect timed out");
    }
    return false;
  }
  isConnected_ = true;
  return ReadGreeting();
}

bool TRapPOP::ReadGreeting() {
  Greeting = ReadReply();
  if (SocketError) {
    FailFromSocket();
    failure_ = failure_ == TPopFailure::Canceled ? failure_ : TPopFailure::ConnectFailed;
    return false;
  }
  if (ReplyError) {
    // A server that refuses the session ("-ERR too busy") leaves nothing to log in to.
    FailFromReply(TPopFailure::ServerError);
    tcp_.Disconnect();
    return false;
  }
  return true;
}

bool TRapPOP::Login() {
  for (int retries = 0;; ++retries) {
    if (!RequireConnection()) return false;
    bool refused = false;
    if (LoginOnce(refused)) return true;
    if (!refused) return false;
    FailFromReply(TPopFailure::LoginRefused);
    tcp_.Disconnect();
    if (!OnErrorPassword || retries >= kMaxPasswordRetries) return false;
    bool handled = false;
    OnErrorPassword(*this, UserId, UserPasswd, handled);
    if (!handled) return false;
    isConnected_ = false;
    if (!Connect()) return false;
  }
}

bool TRapPOP::LoginOnce(bool& refused) {
  if (!StartTlsWhenOffered()) return false;
  const std::string stamp = IsAPOP ? ApopStamp(Greeting) : std::string();
  const std::string digest = stamp.empty() ? std::string() : ApopDigest(stamp, UserPasswd);
  bool ok = false;
  if (!digest.empty()) {
    ok = SendAndRead("APOP " + UserId + " " + digest);
  } else {
    ok = LoginUserPass(UserId);
    const std::string other = Pop3AlternateUser(UserId, EmailAddress);
    if (!ok && !SocketError && !other.empty() && other != UserId) ok = LoginUserPass(other);
  }
  if (SocketError) {
    FailFromSocket();
    return false;
  }
  refused = !ok;
  return ok;
}

// CAPA on a plain connection, then STLS when it is listed. A server that offers STLS and then
// refuses it, or whose TLS handshake fails, gets no password: the login ends here.
bool TRapPOP::StartTlsWhenOffered() {
  if (tcp_.UsingTls()) return true;
  StringList capabilities;
  if (!ReadCapabilities(capabilities)) return false;
  if (!Pop3HasCapability(capabilities, "STLS")) return true;
  if (!SendAndCheck("STLS")) return false;
  if (tcp_.StartTls(TimeOut, &Cancel)) return true;
  SocketError = true;
  Fail(Cancel ? TPopFailure::Canceled : tcp_.ConnectFailure(), tcp_.LastError());
  tcp_.Disconnect();
  return false;
}

// The CAPA answer; a server that answers -ERR has no capabilities to tell (empty list, true).
bool TRapPOP::ReadCapabilities(StringList& capabilities) {
  capabilities.clear();
  SendCommand("CAPA");
  if (!SocketError) ReadReply();
  if (SocketError) {
    FailFromSocket();
    return false;
  }
  if (ReplyError) {
    ReplyError = false;
    return true;
  }
  std::int64_t budget = MaxAnswerBytes;
  bool ok = false;
  {
    const BusyScope busy(busyReading_);
    ok = ReadData(capabilities, false, budget);
  }
  if (!ok) capabilities.clear();
  return ok;
}

bool TRapPOP::LoginUserPass(const std::string& user) {
  // The answer to USER is not examined: some servers refuse only at PASS.
  if (!SendAndRead("USER " + user) && SocketError) return false;
  return SendAndRead("PASS " + UserPasswd);
}

// ---- commands ----

bool TRapPOP::SendAndRead(const std::string& command) {
  SendCommand(command);
  if (SocketError) return false;
  ReadReply();
  return !SocketError && !ReplyError;
}

bool TRapPOP::SendAndCheck(const std::string& command) {
  if (SendAndRead(command)) return true;
  if (SocketError) {
    FailFromSocket();
  } else {
    CheckReplyError(LastReplyText);
    FailFromReply(TPopFailure::ServerError);
  }
  return false;
}

bool TRapPOP::Stat() {
  MessageCount = 0;
  if (!RequireConnection() || !SendAndCheck("STAT")) return false;
  if (Pop3ParseStat(LastReplyText, MessageCount)) return true;
  Fail(TPopFailure::ProtocolError, "the STAT answer gives no message count: " + LastReplyText);
  return false;
}

bool TRapPOP::List(StringList& lines) {
  if (!RequireConnection()) return false;
  lines.clear();
  if (!listCache_.empty()) {
    lines = listCache_;
    return true;
  }
  SendCommand("LIST");
  if (SocketError) {
    FailFromSocket();
    return false;
  }
  if (!ReadMultiLine(lines, false)) return false;
  if (!Pop3ValidList(lines)) {
    Fail(TPopFailure::ProtocolError, "the LIST answer is not a list of message sizes");
    lines.clear();
    return false;
  }
  listCache_ = lines;
  return true;
}

bool TRapPOP::Uidl(std::vector<Pop3UidlEntry>& entries) {
  entries.clear();
  if (!RequireConnection()) return false;
  SendCommand("UIDL");
  if (SocketError) {
    FailFromSocket();
    return false;
  }
  StringList lines;
  if (!ReadMultiLine(lines, false)) return false;
  if (Pop3ParseUidl(lines, entries)) return true;
  Fail(TPopFailure::ProtocolError, "the UIDL answer is not a list of unique ids");
  entries.clear();
  return false;
}

long long TRapPOP::MessageSize(int n) {
  if (listCache_.empty()) {
    StringList lines;
    List(lines);
  }
  const long long size = Pop3ListSize(listCache_, n);
  if (size > 0 || !RequireConnection()) return size;
  if (!SendAndCheck("LIST " + std::to_string(n))) return 0;
  return WordAsInt(LastReplyText, 2, 100);
}

bool TRapPOP::Retrieve(int n, bool headersOnly, TRapMsg& msg) {
  if (!RequireConnection()) return false;
  ReplyError = false;
  SocketError = false;
  if (OnBeforeRetrieve) OnBeforeRetrieve(*this, n);
  msg.Clear(true, true);
  msg.Size = MessageSize(n);
  // A message the server does not know (or a lost connection) is not asked for.
  if (ReplyError || SocketError || !isConnected_) {
    if (failure_ == TPopFailure::None) Fail(TPopFailure::ConnectionLost, "connection ended");
    return false;
  }
  const std::string number = std::to_string(n);
  SendCommand(headersOnly ? "TOP " + number + " 0" : "RETR " + number);
  if (SocketError) {
    FailFromSocket();
    return false;
  }
  if (!ReadMultiLine(msg.RawLines, !headersOnly)) return false;
  if (msg.RawLines.empty()) {
    Fail(TPopFailure::NoData, "the server sent no line of message " + number);
    return false;
  }
  RepairForwardedHeader(msg.RawLines);
  if (OnAfterRetrieve) OnAfterRetrieve(*this, n, MailReceived);
  return true;
}

std::unique_ptr<TRapMsg> TRapPOP::Retrieve(int n, bool headersOnly) {
  auto msg = std::make_unique<TRapMsg>();
  if (!Retrieve(n, headersOnly, *msg)) return nullptr;
  return msg;
}

bool TRapPOP::Delete(int n) {
  if (!RequireConnection() || !SendAndCheck("DELE " + std::to_string(n))) return false;
  if (LastReplyCode != "+OK") {
    FailFromReply(TPopFailure::ServerError);
    return false;
  }
  if (OnDelete) OnDelete(*this, n);
  return true;
}

void TRapPOP::Quit() {
  // The answer is not waited for: the server commits the deletions when it reads QUIT.
  if (isConnected_) SendCommand("QUIT");
  tcp_.Disconnect();
  listCache_.clear();
}

// ---- the dialogue primitives ----

void TRapPOP::SendCommand(const std::string& text) {
  {
    const BusyScope busy(busySending_);
    SocketError = !tcp_.WriteLn(text);
  }
  if (OnSendTextToSocket) OnSendTextToSocket(*this, Pop3TraceText(text));
}

std::string TRapPOP::ReadReply() {
  std::string result;
  std::string code;
  std::int64_t budget = MaxAnswerBytes;
  SocketError = false;
  {
    const BusyScope busy(busyReading_);
    for (int pass = 1; pass <= kMaxReplyLines; ++pass) {
      if (pass % kReplyLinesPerYield == 0) Yield();
      std::string line;
      if (!ReadWholeLine(line, budget, TRapTCPClient::kMaxLineLength)) return {};
      line = Trim(line);
      if (pass > 1) result += "\r\n";
      result += line;
      if (Pop3EndsReply(line)) {
        code = Pop3ReplyCode(line);
        break;
      }
    }
  }
  RecordReply(code, result);
  return result;
}

void TRapPOP::RecordReply(const std::string& code, const std::string& text) {
  LastReplyCode = code;
  LastReplyText = text;
  ReplyError = code == "-ERR";
  if (OnReceiveTextFromSocket) OnReceiveTextFromSocket(*this, text);
}

bool TRapPOP::ReadMultiLine(StringList& lines, bool reportBytes) {
  lines.clear();
  bool ended = false;
  std::int64_t budget = MaxAnswerBytes;
  bool ok = false;
  {
    const BusyScope busy(busyReading_);
    ok = ReadStatusLine(lines, ended, budget) && (ended || ReadData(lines, reportBytes, budget));
  }
  if (!ok) lines.clear();
  return ok;
}

// Reads one line of any length, joining the pieces the connection hands out; keeps its first
// `keep` bytes and drops the rest. Every byte counts against `budget`: past it the read fails
// as ProtocolError and the session ends, as the rest of the answer is left unread. A failed
// read sets SocketError.
bool TRapPOP::ReadWholeLine(std::string& line, std::int64_t& budget, std::size_t keep) {
  line.clear();
  std::string piece;
  for (bool goesOn = true; goesOn;) {
    if (!tcp_.ReadLn(piece, goesOn, TimeOut)) {
      SocketError = true;
      return false;
    }
    budget -= static_cast<std::int64_t>(piece.size()) + (goesOn ? 0 : 2);
    if (budget < 0) {
      SocketError = true;
      Fail(TPopFailure::ProtocolError,
           "the server's answer is longer than " + std::to_string(MaxAnswerBytes) + " bytes");
      tcp_.Disconnect();
      return false;
    }
    if (line.empty() && piece.size() <= keep) {
      line.swap(piece);
    } else {
      line.append(piece, 0, keep - line.size());
    }
  }
  return true;
}

// The first line of a multi-line answer. A server that leaves out the "+OK" line starts with
// data at once: such a line is kept as the first data line. An error answer leaves the
// dialogue in step: the next command can follow.
bool TRapPOP::ReadStatusLine(StringList& lines, bool& ended, std::int64_t& budget) {
  std::string status;
  SocketError = false;
  if (!ReadWholeLine(status, budget, std::string::npos)) {
    FailFromSocket();
    return false;
  }
  const std::string shown = Trim(std::string_view(status).substr(0, TRapTCPClient::kMaxLineLength));
  RecordReply(Pop3ReplyCode(shown), shown);
  if (ReplyError) {
    CheckReplyError(LastReplyText);
    FailFromReply(TPopFailure::ServerError);
    return false;
  }
  if (status.find("+OK") == std::string::npos) {
    if (Pop3EndsMultiLine(status)) {
      ended = true;
    } else {
      lines.push_back(Pop3Unstuff(status));
    }
  }
  return true;
}

bool TRapPOP::ReadData(StringList& lines, bool reportBytes, std::int64_t& budget) {
  std::int64_t unreported = 0;
  for (long long count = 1;; ++count) {
    if (Cancel || !isConnected_) {
      Fail(Cancel ? TPopFailure::Canceled : TPopFailure::ConnectionLost, "read abandoned");
      tcp_.Disconnect();
      return false;
    }
    std::string line;
    if (!ReadWholeLine(line, budget, std::string::npos)) {
      FailFromSocket();
      return false;
    }
    if (Pop3EndsMultiLine(line)) break;
    unreported += static_cast<std::int64_t>(line.size()) + 2;
    lines.push_back(Pop3Unstuff(line));
    if (count % kLinesPerYield == 0) Yield();
    if (reportBytes && count % kLinesPerByteReport == 0) ReportBytes(unreported);
  }
  if (reportBytes) ReportBytes(unreported);
  return true;
}

void TRapPOP::ReportBytes(std::int64_t& unreported) {
  if (unreported > 0 && OnRecvRawMailInByte) OnRecvRawMailInByte(*this, unreported);
  unreported = 0;
}

bool TRapPOP::CheckReplyError(const std::string& msg) {
  if (ReplyError && OnError) {
    // "-ERR" is no number and gives 0; numeric codes come from non-POP3 servers.
    const long long code = WordAsInt(LastReplyCode, 0, 0);
    const bool fits =
        code >= std::numeric_limits<int>::min() && code <= std::numeric_limits<int>::max();
    OnError(*this, fits ? static_cast<int>(code) : 0, msg);
  }
  return ReplyError;
}

}  // namespace maillib
