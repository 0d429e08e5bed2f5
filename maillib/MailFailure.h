// Why an operation of a mail protocol client failed, so callers can tell a connection that
// could not be opened from a refused login or an error answer of the server.
#pragma once

#include <string>

namespace maillib {

enum class TMailFailure {
  None,
  NotConnected,    // the operation needs a connection and there is none
  ConnectFailed,   // no connection could be opened (or the server sent no greeting)
  LoginRefused,    // the server refused the user name or password
  ServerError,     // the server answered with an error or an unexpected code
  ConnectionLost,  // the connection closed or failed during a command
  TimedOut,        // the server did not answer within the client's time-out
  Canceled,        // the client's Cancel flag was set
  NoData,          // POP3: a retrieve produced no lines of the message
  BadInput,        // SMTP: nothing to send (no recipient or sender, or an address with breaks)
  ProtocolError,   // the server's answer does not have the form the command requires
  // The server's TLS certificate failed verification (unknown issuer, expired, another name):
  // no secure connection could be made, so nothing was sent.
  CertificateRejected,
};

// A short stable name of the failure ("connect-failed", "login-refused", ...) for tools.
const char* MailFailureName(TMailFailure failure);

inline constexpr const char* kCertificateAdvice = "服务器证书验证失败,无法建立安全连接";
inline constexpr const char* kAuthorizationCodeAdvice = "请使用邮箱的授权码登录";

// The hint shown to the user for a failure of a login to `host` whose server answered
// `serverText`, or "" when there is none: the certificate hint for CertificateRejected; the
// authorization-code hint when a refused login's answer asks for an authorization code (in
// English, or "授权码" in UTF-8 or GBK), or when a QQ or NetEase (163, 126, yeah.net) server
// refuses the login as "authentication failed" or "Unsafe Login" (these providers take no
// mailbox password from mail programs, only an authorization code).
std::string FailureAdvice(TMailFailure failure, const std::string& serverText,
                          const std::string& host);

}  // namespace maillib
