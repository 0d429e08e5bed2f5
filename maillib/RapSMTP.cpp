#include "maillib/RapSMTP.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "maillib/BusyScope.h"
#include "maillib/SmtpReply.h"
#include "maillib/TextUtil.h"

namespace maillib {

namespace {

using Clock = std::chrono::steady_clock;

long long ElapsedMs(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

}  // namespace

TRapSMTP::TRapSMTP() {
  tcp_.OnConnected = [this] {
    isConnected_ = true;
    if (OnConnect) OnConnect(*this);
  };
  tcp_.OnDisconnected = [this] { Disconnected(); };
}

TRapSMTP::~TRapSMTP() {
  // Another context may destroy the client while a command waits: give it up to 5 s to notice
  // the cancel flag.
  const Clock::time_point start = Clock::now();
  while ((busySending_ || busyReading_) && ElapsedMs(start) <= kDestroyWaitMs) {
    Cancel = true;
    Yield();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  std::lock_guard<std::recursive_mutex> lock(io_);
  // No events from an object being destroyed.
  tcp_.OnConnected = nullptr;
  tcp_.OnDisconnected = nullptr;
  tcp_.Disconnect();
}

void TRapSMTP::Quit() {
  Cancel = true;
  // The lock waits for a read slice or a write of the thread running a command; that command
  // then sees Cancel and ends.
  std::lock_guard<std::recursive_mutex> lock(io_);
  if (isConnected_ && tcp_.Connected()) {
    // The QUIT reply is not read; a failed write changes nothing, the connection closes anyway.
    tcp_.WriteLn("QUIT");
    if (OnSendCmdToSocket) OnSendCmdToSocket(*this, "QUIT");
  }
  tcp_.Disconnect();
}

void TRapSMTP::Disconnect() {
  std::lock_guard<std::recursive_mutex> lock(io_);
  tcp_.Disconnect();
}

void TRapSMTP::Disconnected() {
  isConnected_ = false;
  if (OnQuit) OnQuit(*this);
}

void TRapSMTP::Yield() {
  if (OnYield) OnYield();
}

void TRapSMTP::Pause() {
  if (DataPauseMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(DataPauseMs));
}

// ---- failures ----

void TRapSMTP::ClearErrors() {
  ReplyError = false;
  SocketError = false;
  failure_ = TSmtpFailure::None;
  failureText_.clear();
}

void TRapSMTP::Fail(TSmtpFailure failure, const std::string& text) {
  failure_ = failure;
  failureText_ = text;
}

void TRapSMTP::FailFromReply(TSmtpFailure failure) {
  Fail(failure, LastReplyText);
}

void TRapSMTP::FailFromSocket() {
  TSmtpFailure kind = TSmtpFailure::ConnectionLost;
  std::string text;
  IoStatus status = IoStatus::Failed;
  {
    std::lock_guard<std::recursive_mutex> lock(io_);
    text = tcp_.LastError();
    status = tcp_.LastStatus();
  }
  if (Cancel) {
    kind = TSmtpFailure::Canceled;
    text = "canceled";
  } else if (status == IoStatus::TimedOut) {
    kind = TSmtpFailure::TimedOut;
  }
  Fail(kind, text);
  // After a failed read or write nobody knows where the dialogue stands: a later command
  // would read the rest of this reply as its own. The session ends here.
  Disconnect();
}

// ---- connection and greeting ----

bool TRapSMTP::OpenConnection() {
  std::lock_guard<std::recursive_mutex> lock(io_);
  tcp_.Disconnect();
  tcp_.Host = Host;
  tcp_.Port = Port;
  if (Port == kImplicitTlsPort || ImplicitTls) {
    tcp_.UseTls();
  } else {
    tcp_.UsePlain();
  }
  // The attempt ends by itself at the limit or on Cancel; Connected() tells the outcome.
  OpenWithTimeout(tcp_, &Cancel, TimeOut);
  if (!tcp_.Connected()) {
    SocketError = true;
    if (Cancel) {
      Fail(TSmtpFailure::Canceled, "connect canceled");
    } else {
      Fail(tcp_.ConnectFailure(),
           tcp_.LastError().empty() ? std::string("connect failed") : tcp_.LastError());
    }
    return false;
  }
  isConnected_ = true;
  return true;
}

bool TRapSMTP::Greet() {
  if (!OpenConnection()) return false;
  return Reply(220);
}

// ---- the dialogue ----

bool TRapSMTP::SendCommand(std::string_view text) {
  return SendTraced(text, text);
}

bool TRapSMTP::SendTraced(std::string_view text, std::string_view trace) {
  if (!IsSingleLine(text)) {
    // A line break would smuggle a second command into the dialogue: nothing is sent.
    SocketError = true;
    Fail(TSmtpFailure::BadInput, "line break in a command");
    return false;
  }
  bool ok = false;
  {
    BusyScope busy(busySending_);
    std::lock_guard<std::recursive_mutex> lock(io_);
    ok = tcp_.WriteLn(text);
  }
  SocketError = !ok;
  if (OnSendCmdToSocket) OnSendCmdToSocket(*this, std::string(trace));
  if (!ok) FailFromSocket();
  return ok;
}

bool TRapSMTP::ReadLine(std::string& line, int limitMs) {
  const Clock::time_point start = Clock::now();
  const long long limit = limitMs > 0 ? limitMs : kDefaultTimeOut;
  for (;;) {
    if (Cancel) return false;
    const long long left = std::max(0LL, limit - ElapsedMs(start));
    bool ok = false;
    IoStatus status = IoStatus::Ok;
    {
      std::lock_guard<std::recursive_mutex> lock(io_);
      ok = tcp_.ReadLn(line, static_cast<int>(std::min<long long>(left, kReadSliceMs)));
      status = tcp_.LastStatus();
    }
    if (ok) return true;
    if (status != IoStatus::TimedOut || ElapsedMs(start) >= limit) return false;
    Yield();
  }
}

std::string TRapSMTP::ReadReply() {
  return ReadReplyWithin(TimeOut);
}

std::string TRapSMTP::ReadReplyWithin(int limitMs) {
  BusyScope busy(busyReading_);
  SocketError = false;
  std::string result;
  int code = 0;
  for (int n = 0; n < kMaxReplyLines; ++n) {
    Yield();
    std::string line;
    if (!ReadLine(line, limitMs)) {
      SocketError = true;
      FailFromSocket();
      return {};
    }
    line = Trim(line);
    if (n > 0) result += "\r\n";
    result += line;
    if (IsFinalReplyLine(line)) {
      code = std::max(ReplyLineCode(line), 0);
      break;
    }
  }
  LastReplyCode = code;
  LastReplyText = result;
  if (OnReceiveCmdFromSocket) OnReceiveCmdFromSocket(*this, result);
  return result;
}

bool TRapSMTP::Expect(int code, int alsoAccepted) {
  ReplyError = SocketError || (LastReplyCode != code && LastReplyCode != alsoAccepted);
  if (ReplyError && !SocketError) FailFromReply(TSmtpFailure::ServerError);
  return !ReplyError;
}

bool TRapSMTP::CheckReplyError(std::string_view msg, bool raise) {
  if (ReplyError && raise && OnError) {
    std::string text(msg);
    if (text.empty()) text = SocketError ? failureText_ : LastReplyText;
    OnError(*this, SocketError ? 0 : LastReplyCode, text);
  }
  return ReplyError;
}

bool TRapSMTP::Reply(int code, int alsoAccepted) {
  ReadReply();
  Expect(code, alsoAccepted);
  return !CheckReplyError({}, true);
}

bool TRapSMTP::CommandFailed() {
  ReplyError = true;
  CheckReplyError({}, true);
  return false;
}

bool TRapSMTP::Command(std::string_view text, int code, int alsoAccepted) {
  if (!SendCommand(text)) return CommandFailed();
  return Reply(code, alsoAccepted);
}

}  // namespace maillib
