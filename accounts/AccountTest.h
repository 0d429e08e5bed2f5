// The account test: connect to the saved account's SMTP server, greet (upgrading to TLS when
// the server offers STARTTLS) and authenticate, without sending mail. A server that offers no
// authentication fails the test: the account could not send through it with its password.
#pragma once

#include <atomic>
#include <functional>
#include <string>

namespace maillib {
class TRapSMTP;
}
namespace store {
class Query;
}

namespace accounts {

enum class AccountTestOutcome {
  // "连接到SMTP服务器错误!": no connection, no host, or the server never answered (the test
  // ended by its time-out or by the cancel flag before a first reply).
  ConnectError,
  // "SMTP服务器(认证错误)!": the server answered, then refused the greeting, EHLO, STARTTLS or
  // login, offered no authentication at all (or the test ended after its first reply).
  AuthError,
  Success,  // "SMTP邮件测试成功!"
};
const char* AccountTestText(AccountTestOutcome outcome);
// The text of the result label: the outcome's text, then the hint for the user when there is
// one (maillib::FailureAdvice: a certificate that failed, an authorization code to use).
std::string AccountTestLabel(AccountTestOutcome outcome, const std::string& advice);

inline constexpr const char* kTestPrompt = "(检测是否支持SMTP发送?)";
inline constexpr const char* kTestRunning = "开始检测";
inline constexpr const char* kTestMissingInput = "请输入收发邮箱相关信息!";
inline constexpr const char* kTestNotSaved = "请点击应用保存账号!";
// The watchdog of the editor ends a test after this long.
inline constexpr int kTestWatchdogMs = 6000;

// What the test reads from the saved account.
struct TestAccount {
  std::string address;
  std::string smtpServer;  // may carry ":port"; 465 means TLS
  std::string password;
};

// Reads the saved account with this address ("select * from MailAcc where MailAccount=..."). No
// row leaves the fields empty and returns true; false only on a database error.
bool ReadTestAccount(store::Query& query, const std::string& address, TestAccount* account);

// Runs the test on the calling thread. `cancel` (may be null) is polled: setting it from
// another thread (the watchdog) ends the test at once. `configure` (may be null) is called
// with the client before it connects (tests). `advice` (may be null) receives the hint for a
// failure, "" when there is none.
AccountTestOutcome RunAccountTest(const TestAccount& account, const std::atomic<bool>* cancel,
                                  const std::function<void(maillib::TRapSMTP&)>& configure,
                                  std::string* advice = nullptr);

}  // namespace accounts
