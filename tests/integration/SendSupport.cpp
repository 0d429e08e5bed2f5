#include "tests/integration/SendSupport.h"

#include <algorithm>
#include <filesystem>
#include <stdexcept>

#include "accounts/AccountRows.h"
#include "maillib/Base64.h"
#include "maillib/RapSMTP.h"
#include "send/AttachmentRegistry.h"
#include "store/DataFiles.h"
#include "store/Query.h"
#include "store/Stores.h"

namespace integration {

namespace fs = std::filesystem;

// ---- SendRecorder ----

void SendRecorder::Status(const std::string& text, send::StatusColour) {
  const std::lock_guard lock(mutex_);
  statuses_.push_back(text);
}

void SendRecorder::ErrorLine(const std::string& text) {
  const std::lock_guard lock(mutex_);
  errorLines_.push_back(text);
}

void SendRecorder::ProgressRange(std::int64_t total) {
  const std::lock_guard lock(mutex_);
  range_ = total;
}

void SendRecorder::Progress(std::int64_t bytes) {
  const std::lock_guard lock(mutex_);
  progress_ += bytes;
}

void SendRecorder::Finished(bool) {
  const std::lock_guard lock(mutex_);
  ++finished_;
}

std::vector<std::string> SendRecorder::Statuses() const {
  const std::lock_guard lock(mutex_);
  return statuses_;
}

std::vector<std::string> SendRecorder::ErrorLines() const {
  const std::lock_guard lock(mutex_);
  return errorLines_;
}

bool SendRecorder::SawStatus(const std::string& text) const {
  const auto texts = Statuses();
  return std::find(texts.begin(), texts.end(), text) != texts.end();
}

bool SendRecorder::SawErrorLine(const std::string& text) const {
  const auto texts = ErrorLines();
  return std::find(texts.begin(), texts.end(), text) != texts.end();
}

std::int64_t SendRecorder::Range() const {
  const std::lock_guard lock(mutex_);
  return range_;
}

std::int64_t SendRecorder::ProgressSum() const {
  const std::lock_guard lock(mutex_);
  return progress_;
}

int SendRecorder::FinishedCount() const {
  const std::lock_guard lock(mutex_);
  return finished_;
}

// ---- TraceRecorder ----

void TraceRecorder::Trace(std::string_view text) {
  const std::lock_guard lock(mutex_);
  text_.append(text);
  text_ += '\n';
}

std::string TraceRecorder::Text() const {
  const std::lock_guard lock(mutex_);
  return text_;
}

// ---- SendingFolder ----

SendingFolder::SendingFolder() {
  std::string error;
  if (!store::EnsureProgramFolders(temp_.Path(), &error)) throw std::runtime_error(error);
  mail_ = store::OpenMailStore(temp_.Path(), &error);
  accounts_ = store::OpenAccountStore(temp_.Path(), &error);
  if (mail_ == nullptr || accounts_ == nullptr) throw std::runtime_error(error);
}

std::string SendingFolder::AddSender(const std::string& user, const std::string& nickname,
                                     const std::string& password, int smtpPort) {
  accounts::AccountForm form;
  form.user = user;
  form.domain = "tenvel.test";
  form.password = password;
  form.nickname = nickname;
  form.hostsShown = true;
  // Never received from: any port will do.
  form.pop3 = "127.0.0.1:110";
  form.smtp = "127.0.0.1:" + std::to_string(smtpPort);
  store::Query query(*accounts_);
  const auto result = accounts::ApplyAccount(query, form, false, 0, Path() + "/POPSmtp.ini");
  if (result != accounts::ApplyResult::Saved) throw std::runtime_error("account not saved");
  return user + "@" + form.domain;
}

void SendingFolder::AddFriend(const std::string& address, const std::string& nickname) {
  store::Query query(*mail_);
  query.AddLine("insert into Friend (QXHaoMa, NiCheng, GroupName) values (:a, :n, :g)");
  query.SetText("a", address);
  query.SetText("n", nickname);
  query.SetText("g", "");
  if (!query.ExecSql()) throw std::runtime_error(query.Error());
}

SendOutcome SendingFolder::Send(const TestServers& servers, const send::ComposeSnapshot& page,
                                send::SendReports* reports,
                                const std::function<void(maillib::TRapSMTP&)>& configure,
                                const std::function<void()>& whileRunning) {
  SendOutcome outcome;
  send::AttachmentRegistry registry;
  send::SendJob job;
  outcome.checkMessage = send::PrepareSend(page, *accounts_, state_, registry, &job);
  if (!outcome.checkMessage.empty()) return outcome;
  send::SendContext context;
  context.mail = mail_.get();
  context.attachments = &registry;
  context.state = &state_;
  context.reports = reports;
  context.trace = &trace_;
  const std::string login = maillib::Base64EncodeStr(servers.smtpUser);
  context.configureClient = [login, configure](maillib::TRapSMTP& smtp) {
    smtp.VerifyUserID = login;
    if (configure) configure(smtp);
  };
  send::TSendMailThread worker(job, context);
  if (whileRunning) {
    worker.Start();
    whileRunning();
    worker.Join();
  } else {
    worker.Run();
  }
  outcome.ran = true;
  outcome.succeeded = worker.Succeeded();
  outcome.failureText = worker.FailureText();
  return outcome;
}

std::vector<SentRow> SendingFolder::SentRows() {
  store::Query query(*mail_);
  query.AddLine("select * from MailSendBox order by ID");
  std::vector<SentRow> rows;
  if (!query.Open()) throw std::runtime_error(query.Error());
  for (; !query.Eof(); query.Next()) {
    auto f = [&](const char* name) { return query.FieldText(name); };
    rows.push_back({f("Sender"), f("Receiver"), f("Length"), f("SendDateTime"), f("Content"),
                    f("MessageKind"), f("FuJianPath"), f("FilePath"), f("Mailcc"), f("MailBcc"),
                    f("MailSubject"), f("Fujian")});
  }
  return rows;
}

// ---- spool ----

std::vector<SpooledMessage> TakeSpoolWithEnvelopes(const std::string& recipient) {
  std::string why;
  const TestServers* servers = Servers(why);
  std::vector<std::string> envelopes;
  if (servers != nullptr) {
    const fs::path folder = fs::path(servers->smtpSpool) / recipient;
    std::vector<fs::path> files;
    if (fs::exists(folder)) {
      for (const auto& file : fs::directory_iterator(folder)) {
        if (file.path().extension() == ".eml") files.push_back(file.path());
      }
    }
    // TakeSpool hands the messages out in the order of their names.
    std::sort(files.begin(), files.end());
    for (const fs::path& file : files)
      envelopes.push_back(ReadFile(fs::path(file).replace_extension(".json").string()));
  }
  std::vector<std::string> messages = TakeSpool(recipient);
  std::vector<SpooledMessage> spooled;
  for (std::size_t i = 0; i < messages.size(); ++i)
    spooled.push_back({std::move(messages[i]), i < envelopes.size() ? envelopes[i] : ""});
  return spooled;
}

}  // namespace integration
