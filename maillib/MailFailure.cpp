#include "maillib/MailFailure.h"

#include <array>
#include <string_view>

#include "maillib/TextUtil.h"

namespace maillib {

namespace {

// Texts of refused logins that ask for an authorization code, lower-cased: QQ answers
// "Please using authorized code to login." (POP3) and "Login fail. Please enter your
// authorization code to login." (SMTP); "授权码" is there in UTF-8 and in GBK, which QQ sends.
constexpr std::array<std::string_view, 4> kAuthorizationCodeTexts = {
    "authorization code", "authorized code", "\xE6\x8E\x88\xE6\x9D\x83\xE7\xA0\x81",
    "\xCA\xDA\xC8\xA8\xC2\xEB"};
// What QQ and NetEase answer to a mailbox password ("535 Error: authentication failed",
// "-ERR Unsafe Login. Please contact kefu@188.com for help"), lower-cased.
constexpr std::array<std::string_view, 2> kRefusedPasswordTexts = {"authentication failed",
                                                                   "unsafe login"};
// The mail domains of QQ and NetEase; a host is theirs when it is one of them or ends in
// "." + one of them (smtp.qq.com, pop.163.com).
constexpr std::array<std::string_view, 6> kAuthorizationCodeDomains = {
    "qq.com", "foxmail.com", "163.com", "126.com", "yeah.net", "188.com"};

bool ContainsAny(const std::string& text, const auto& needles) {
  for (std::string_view needle : needles) {
    if (text.find(needle) != std::string::npos) return true;
  }
  return false;
}

bool IsAuthorizationCodeHost(const std::string& host) {
  std::string name = LowerAscii(Trim(host));
  while (!name.empty() && name.back() == '.')
    name.pop_back();
  for (std::string_view domain : kAuthorizationCodeDomains) {
    if (name == domain) return true;
    if (name.size() > domain.size() && name.ends_with(domain) &&
        name[name.size() - domain.size() - 1] == '.') {
      return true;
    }
  }
  return false;
}

}  // namespace

std::string FailureAdvice(TMailFailure failure, const std::string& serverText,
                          const std::string& host) {
  if (failure == TMailFailure::CertificateRejected) return kCertificateAdvice;
  if (failure != TMailFailure::LoginRefused && failure != TMailFailure::ServerError) return {};
  const std::string text = LowerAscii(serverText);
  if (ContainsAny(text, kAuthorizationCodeTexts)) return kAuthorizationCodeAdvice;
  if (failure == TMailFailure::LoginRefused && IsAuthorizationCodeHost(host) &&
      ContainsAny(text, kRefusedPasswordTexts)) {
    return kAuthorizationCodeAdvice;
  }
  return {};
}

const char* MailFailureName(TMailFailure failure) {
  switch (failure) {
    case TMailFailure::None:
      return "none";
    case TMailFailure::NotConnected:
      return "not-connected";
    case TMailFailure::ConnectFailed:
      return "connect-failed";
    case TMailFailure::LoginRefused:
      return "login-refused";
    case TMailFailure::ServerError:
      return "server-error";
    case TMailFailure::ConnectionLost:
      return "connection-lost";
    case TMailFailure::TimedOut:
      return "timed-out";
    case TMailFailure::Canceled:
      return "canceled";
    case TMailFailure::NoData:
      return "no-data";
    case TMailFailure::ProtocolError:
      return "protocol-error";
    case TMailFailure::BadInput:
      return "bad-input";
    case TMailFailure::CertificateRejected:
      return "certificate-rejected";
  }
  return "unknown";
}

}  // namespace maillib
