// TRapSMTP: greeting, EHLO with AUTH LOGIN, and HELO.
#include "maillib/Base64.h"
#include "maillib/RapSMTP.h"
#include "maillib/SmtpReply.h"
#include "maillib/TextUtil.h"

namespace maillib {

namespace {

// Results of one AUTH LOGIN exchange.
constexpr int kAuthOk = 1;
constexpr int kAuthNotAccepted = -1;  // neither "AUTH LOGIN" nor "AUTH <mechanism>" got 334
constexpr int kAuthUserRefused = -2;  // the user name was not answered with 334
constexpr int kAuthPassRefused = -3;  // the password was not answered with 235
constexpr int kCredentialsInvalid = 535;

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
  if (!SendCommand("EHLO " + ComputerName())) return LoginStep::Done;
  ReadReply();
  if (SocketError) return LoginStep::Done;
  if (LastReplyCode != 250) {
    // Some servers refuse the computer's name: try once more on a new connection with the
    // local part of the e-mail address.
    if (!Greet()) return LoginStep::Done;
    if (!SendCommand("EHLO " + LocalPart(HeloName))) return LoginStep::Done;
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
  const std::string mechanism = AuthMechanism(SplitLines(LastReplyText));
  if (mechanism.empty()) {
    Cancel = false;  // no AUTH offered: the session is ready without it
    return LoginStep::Done;
  }
  return Authenticate(mechanism);
}

TRapSMTP::LoginStep TRapSMTP::Authenticate(const std::string& mechanism) {
  int result = AuthLogin(VerifyUserID, VerifyUserPassword, mechanism);
  if (result == kAuthPassRefused && !SocketError) {
    const std::string user = Base64DecodeStr(VerifyUserID);
    const std::string other = AlternateUserName(user, EmailAddress);
    if (!other.empty() && other != user) {
      result = AuthLogin(Base64EncodeStr(other), VerifyUserPassword, mechanism);
    }
  }
  if (result == kAuthNotAccepted || result == kAuthUserRefused) CheckReplyError({}, true);
  if (result == kAuthOk) {
    ClearErrors();
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
