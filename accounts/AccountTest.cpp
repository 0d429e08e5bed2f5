#include "accounts/AccountTest.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "accounts/AccountRows.h"
#include "maillib/Base64.h"
#include "maillib/MailFailure.h"
#include "maillib/RapSMTP.h"
#include "maillib/ServerField.h"
#include "store/JetSql.h"
#include "store/Query.h"

namespace accounts {

namespace {

// How often the cancel flag is looked at while a test runs.
constexpr std::chrono::milliseconds kCancelPoll(50);

// Ends the client's work when `cancel` is set. A thread of its own polls the flag, because the
// client's connect does not call back while it waits. It sets the client's Cancel flag again
// at every poll: a new login clears that flag when it starts.
class CancelWatch {
 public:
  CancelWatch(const std::atomic<bool>* cancel, maillib::TRapSMTP& client)
      : cancel_(cancel), client_(client) {
    if (cancel_ != nullptr) thread_ = std::thread([this] { Watch(); });
  }
  ~CancelWatch() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      done_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
  }
  CancelWatch(const CancelWatch&) = delete;
  CancelWatch& operator=(const CancelWatch&) = delete;

 private:
  void Watch() {
    std::unique_lock<std::mutex> lock(mutex_);
    while (!done_) {
      if (cancel_->load()) client_.Cancel = true;
      wake_.wait_for(lock, kCancelPoll, [this] { return done_; });
    }
  }

  const std::atomic<bool>* cancel_;
  maillib::TRapSMTP& client_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool done_ = false;
  std::thread thread_;
};

bool Cancelled(const std::atomic<bool>* cancel) {
  return cancel != nullptr && cancel->load();
}

// Addresses of the one provider that takes SMTP only over implicit TLS; a port in the host field
// decides for every other.
void SetServer(maillib::TRapSMTP& client, const TestAccount& account) {
  const bool gmail = account.address.find("gmail") != std::string::npos;
  const maillib::ServerEndpoint endpoint = maillib::ParseServerField(
      account.smtpServer,
      gmail ? maillib::TRapSMTP::kImplicitTlsPort : maillib::TRapSMTP::kDefaultPort, gmail);
  client.Host = endpoint.Host;
  client.Port = endpoint.Port;
  client.ImplicitTls = endpoint.Tls;
}

void SetLogin(maillib::TRapSMTP& client, const TestAccount& account) {
  client.HeloName = account.address;
  client.EmailAddress = account.address;
  client.MustVerify = true;
  client.VerifyUserID = maillib::Base64EncodeStr(account.address);
  client.VerifyUserPassword = maillib::Base64EncodeStr(account.password);
}

// A client that never heard the server answer (no connection, or a connection on which the
// greeting never came) failed to connect; one that heard it was refused by the server, as is
// one whose server offered no authentication. A rejected certificate counts as a connection
// that could not be made, even when the plain greeting of a STARTTLS server came before.
AccountTestOutcome Outcome(const maillib::TRapSMTP& client, bool loggedIn) {
  if (loggedIn && client.Authenticated()) return AccountTestOutcome::Success;
  if (loggedIn) return AccountTestOutcome::AuthError;
  if (client.LastFailure() == maillib::TMailFailure::CertificateRejected) {
    return AccountTestOutcome::ConnectError;
  }
  return client.LastReplyCode == 0 ? AccountTestOutcome::ConnectError
                                   : AccountTestOutcome::AuthError;
}

}  // namespace

const char* AccountTestText(AccountTestOutcome outcome) {
  switch (outcome) {
    case AccountTestOutcome::ConnectError:
      break;
    case AccountTestOutcome::AuthError:
      return "SMTP服务器(认证错误)!";
    case AccountTestOutcome::Success:
      return "SMTP邮件测试成功!";
  }
  return "连接到SMTP服务器错误!";
}

std::string AccountTestLabel(AccountTestOutcome outcome, const std::string& advice) {
  std::string text = AccountTestText(outcome);
  if (outcome != AccountTestOutcome::Success && !advice.empty()) text += " " + advice;
  return text;
}

bool ReadTestAccount(store::Query& query, const std::string& address, TestAccount* account) {
  *account = TestAccount();
  query.ClearSql();
  query.AddLine("select * from MailAcc where MailAccount=" + store::QuoteText(address));
  if (!query.Open()) return false;
  if (!query.Eof()) {
    const AccountRow row = ReadAccountRow(query);
    account->address = row.mailAccount;
    account->smtpServer = row.smtpServer;
    account->password = row.password;
  }
  query.Close();
  return true;
}

AccountTestOutcome RunAccountTest(const TestAccount& account, const std::atomic<bool>* cancel,
                                  const std::function<void(maillib::TRapSMTP&)>& configure,
                                  std::string* advice) {
  if (advice != nullptr) advice->clear();
  maillib::TRapSMTP client;
  SetServer(client, account);
  SetLogin(client, account);
  if (configure) configure(client);
  if (client.Host.empty() || Cancelled(cancel)) return AccountTestOutcome::ConnectError;
  bool loggedIn = false;
  {
    CancelWatch watch(cancel, client);
    loggedIn = client.ConnectAndLogin();
  }
  const AccountTestOutcome outcome = Outcome(client, loggedIn);
  if (advice != nullptr && outcome != AccountTestOutcome::Success) {
    *advice = maillib::FailureAdvice(client.LastFailure(), client.LastFailureText(), client.Host);
  }
  // QUIT ends the session politely; the client disconnects when it is destroyed in any case.
  if (client.IsConnected()) client.Quit();
  return outcome;
}

}  // namespace accounts
