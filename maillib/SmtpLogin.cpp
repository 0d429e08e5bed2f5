// TRapSMTP: greeting, EHLO, STARTTLS when the server offers it, AUTH LOGIN or AUTH PLAIN, and
// HELO.
#include <algorithm>

#include "maillib/Base64.h"
#include "maillib/RapSMTP.h"
#include "maillib/SmtpReply.h"
#include "maillib/TextUtil.h"

namespace maillib {

namespace {

// Results of one AUTH LOGIN exchange.
constexpr int kAuthOk = 1;
constexpr int kAuthNotAccepted = -1;  // the server took none of the AUTH commands
constexpr int kAuthUserRefused = -2;  // the user name was not answered with 334
constexpr int kAuthPassRefused = -3;  // the password was not answered with 235
constexpr int kCredentialsInvalid = 535;
constexpr int kReadyForTls = 220;

bool Contains(const StringList& items, const std::string& item) {
  return std::find(items.begin(), items.end(), item) != items.end();
}

}  // namespace

bool TRapSMTP::ConnectAndLogin() {
  // A handler of OnErrorPassword asks for another try by setting `handled`; the number of
  // tries is bounded so that a handler that always says yes cannot loop forever.
  for (int attempt = 0; attempt <= kMaxPasswordRetries; ++attempt) {
    if (LoginOnce() == LoginStep::Done) break;
  }
  return isConnected_ && !ReplyError && !SocketError;
}

TRapSMTP::LoginStep TRapSMTP::LoginOnce() {
  ClearErrors();
  authenticated_ = false;
  Cancel = false;  // left set by an earlier Quit; this is a new session
  LoginStep step = LoginStep::Done;
  if (Greet()) {
    if (MustVerify) {
      step = ExtendedHello();
    } else {
      Hello();
    }
  }
  if (ReplyError || SocketError) Disconnect();
  return step;
}

TRapSMTP::LoginStep TRapSMTP::ExtendedHello() {
  std::string hello = "EHLO " + ComputerName();
  if (!SendCommand(hello)) return LoginStep::Done;
  ReadReply();
  if (SocketError) return LoginStep::Done;
  if (LastReplyCode != 250) {
    // Some servers refuse the computer's name: try once more on a new connection with the
    // local part of the e-mail address.
    if (!Greet()) return LoginStep::Done;
    hello = "EHLO " + LocalPart(HeloName);
    if (!SendCommand(hello)) return LoginStep::Done;
    ReadReply();
    if (SocketError) return LoginStep::Done;
  }
  if (LastReplyCode != 250) {
    // No extended hello at all: an old server, used without authentication.
    MustVerify = false;
    ClearErrors();
    Hello();
    return LoginStep::Done;
  }
  if (!StartTlsWhenOffered(hello)) return LoginStep::Done;
  const StringList capabilities = SplitLines(LastReplyText);
  if (AuthMechanisms(capabilities).empty()) {
    Cancel = false;  // no AUTH offered: the session is ready without it
    return LoginStep::Done;
  }
  return Authenticate(capabilities);
}

bool TRapSMTP::StartTlsWhenOffered(const std::string& hello) {
  bool secure = false;
  {
    std::lock_guard<std::recursive_mutex> lock(io_);
    secure = tcp_.UsingTls();
  }
  if (secure || !OffersExtension(SplitLines(LastReplyText), "STARTTLS")) return true;
  // A server that offers TLS gets no password in plain text: a refusal (454) ends the login.
  if (!Command("STARTTLS", kReadyForTls)) return false;
  bool upgraded = false;
  {
    std::lock_guard<std::recursive_mutex> lock(io_);
    upgraded = tcp_.StartTls(TimeOut, &Cancel);
  }
  if (!upgraded) {
    SocketError = true;
    ReplyError = true;
    std::string reason;
    TSmtpFailure kind = TSmtpFailure::Canceled;
    {
      std::lock_guard<std::recursive_mutex> lock(io_);
      reason = tcp_.LastError();
      if (!Cancel) kind = tcp_.ConnectFailure();
    }
    Fail(kind, Cancel ? std::string("canceled") : reason);
    CheckReplyError(failureText_, true);
    Disconnect();
    return false;
  }
  // What the server said before TLS may have been changed on the way: it is asked again.
  return Command(hello, 250);
}

TRapSMTP::LoginStep TRapSMTP::Authenticate(const StringList& capabilities) {
  const StringList offered = AuthMechanisms(capabilities);
  // LOGIN first, as always; PLAIN only for a server that does not take LOGIN.
  const bool plain = !Contains(offered, "LOGIN") && Contains(offered, "PLAIN");
  const std::string mechanism = AuthMechanism(capabilities);
  const auto attempt = [&](const std::string& user64) {
    return plain ? AuthPlain(user64, VerifyUserPassword)
                 : AuthLogin(user64, VerifyUserPassword, mechanism);
  };
  int result = attempt(VerifyUserID);
  if (result == kAuthPassRefused && !SocketError) {
    const std::string user = Base64DecodeStr(VerifyUserID);
    const std::string other = AlternateUserName(user, EmailAddress);
    if (!other.empty() && other != user) result = attempt(Base64EncodeStr(other));
  }
  if (result == kAuthNotAccepted || result == kAuthUserRefused) CheckReplyError({}, true);
  if (result == kAuthOk) {
    ClearErrors();
    authenticated_ = true;
    Cancel = false;
    return LoginStep::Done;
  }
  if (result != kAuthPassRefused || !ReplyError || SocketError) return LoginStep::Done;
  FailFromReply(TSmtpFailure::LoginRefused);
  Disconnect();
  bool handled = false;
  if (OnErrorPassword) OnErrorPassword(*this, VerifyUserID, VerifyUserPassword, handled);
  return handled ? LoginStep::Retry : LoginStep::Done;
}

int TRapSMTP::AuthLogin(const std::string& user, const std::string& password,
                        const std::string& mechanism) {
  if (!SendCommand("AUTH LOGIN")) return kAuthNotAccepted;
  ReadReply();
  if (SocketError) return kAuthNotAccepted;
  if (LastReplyCode != 334) {
    if (!SendCommand("AUTH " + mechanism)) return kAuthNotAccepted;
    ReadReply();
    if (!Expect(334)) return kAuthNotAccepted;
  }
  if (!AuthStep(user, user, 334)) {
    if (!SocketError && LastReplyCode == kCredentialsInvalid) {
      FailFromReply(TSmtpFailure::LoginRefused);
    }
    return kAuthUserRefused;
  }
  // The password (even as base64) never reaches a trace.
  if (!AuthStep(password, "****", 235)) return kAuthPassRefused;
  return kAuthOk;
}

int TRapSMTP::AuthPlain(const std::string& user, const std::string& password) {
  const std::string response = PlainAuthResponse(Base64DecodeStr(user), Base64DecodeStr(password));
  // The response carries the password: the trace shows only the command.
  if (!SendTraced("AUTH PLAIN " + response, "AUTH PLAIN ****")) return kAuthNotAccepted;
  ReadReply();
  if (SocketError) return kAuthNotAccepted;
  if (Expect(235)) return kAuthOk;
  return LastReplyCode == kCredentialsInvalid ? kAuthPassRefused : kAuthNotAccepted;
}

bool TRapSMTP::AuthStep(std::string_view text, std::string_view trace, int code) {
  if (!SendTraced(text, trace)) {
    ReplyError = true;
    return false;
  }
  ReadReply();
  return Expect(code);
}

void TRapSMTP::Hello() {
  if (SendCommand("HELO " + ComputerName())) ReadReply();
  if (!SocketError && LastReplyCode != 250) {
    if (SendCommand("HELO " + LocalPart(HeloName))) ReadReply();
  }
  Expect(250);
  if (!CheckReplyError({}, true) && !SocketError) Cancel = false;
}

}  // namespace maillib
