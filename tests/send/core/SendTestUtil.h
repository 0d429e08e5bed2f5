// Helpers of the send tests: a program folder with its databases and one account, the recorded
// reports of a worker, and a small SMTP server behind the client's transport seam that answers
// whatever message the worker composes (its bytes are not known in advance).
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "maillib/Base64.h"
#include "maillib/RapSMTP.h"
#include "maillib/Trace.h"
#include "maillib/Transport.h"
#include "send/AttachmentRegistry.h"
#include "send/sendmThread.h"
#include "store/DataFiles.h"
#include "store/Database.h"
#include "store/Query.h"
#include "store/Stores.h"
#include "tests/store/TempFolder.h"

namespace send_test {

inline const std::string kSender = "zhang@example.cn";
inline const std::string kPassword = "s3cret!";

// What the server does; set before the client connects.
struct ServerRules {
  bool refuseConnect = false;
  std::string password = kPassword;             // AUTH LOGIN accepts only this
  std::string passwordRefusal = "535 bad\r\n";  // the reply to any other password
  std::vector<std::string> refusedRecipients;
  std::string dataEndReply = "250 queued as 1\r\n";
  std::size_t closeAfterDataBytes = 0;  // > 0: the connection drops after that much data
};

// One SMTP server for every connection of a test. Its transport answers each command line at
// once; the message between DATA and the end mark is kept (the transparency dots removed).
class FakeSmtp {
 public:
  FakeSmtp() { Current() = this; }
  ~FakeSmtp() { Current() = nullptr; }
  FakeSmtp(const FakeSmtp&) = delete;
  FakeSmtp& operator=(const FakeSmtp&) = delete;

  ServerRules rules;

  static std::unique_ptr<maillib::Transport> Factory(const maillib::ConnectTarget& target,
                                                     std::string& error);
  // Makes the worker's client connect here, with short waits.
  void Plug(send::SendContext& context) {
    context.configureClient = [](maillib::TRapSMTP& client) {
      client.TCPClient().SetTransportFactory(&FakeSmtp::Factory);
      client.TimeOut = 2000;
      client.DataPauseMs = 0;
    };
  }

  // The commands received, in order (AUTH LOGIN's two answers as "<user>" / "<password>").
  std::vector<std::string> Commands() const {
    std::lock_guard lock(mutex_);
    return commands_;
  }
  bool Received(const std::string& command) const {
    for (const std::string& c : Commands())
      if (c == command) return true;
    return false;
  }
  // The messages accepted with a 2xx, and the data of the last transfer (whole or not).
  std::vector<std::string> Accepted() const {
    std::lock_guard lock(mutex_);
    return accepted_;
  }
  std::string LastData() const {
    std::lock_guard lock(mutex_);
    return data_;
  }
  int Connects() const {
    std::lock_guard lock(mutex_);
    return connects_;
  }
  maillib::ConnectTarget Target() const {
    std::lock_guard lock(mutex_);
    return target_;
  }

 private:
  class End;
  friend class End;

  static FakeSmtp*& Current() {
    static FakeSmtp* current = nullptr;
    return current;
  }

  // The answer to one line; `close` when the server hangs up after it.
  std::string Answer(const std::string& line, bool& close);
  // Data bytes of a transfer; returns the reply once the end mark came.
  std::string Data(const std::string& bytes, bool& close);

  enum class Phase { Command, User, Password, Data };
  bool InData() const {
    std::lock_guard lock(mutex_);
    return phase_ == Phase::Data;
  }

  mutable std::mutex mutex_;
  std::vector<std::string> commands_;
  std::vector<std::string> accepted_;
  std::string data_;
  std::string wire_;
  Phase phase_ = Phase::Command;
  int connects_ = 0;
  maillib::ConnectTarget target_;
};

class FakeSmtp::End : public maillib::Transport {
 public:
  explicit End(FakeSmtp& server) : server_(server) { Queue("220 mx.example.cn ESMTP\r\n"); }

  maillib::IoStatus Send(std::string_view bytes, std::string& error) override {
    std::lock_guard lock(mutex_);
    if (!open_ || aborted_ || closing_) {
      error = "connection closed";
      return maillib::IoStatus::Closed;
    }
    input_.append(bytes);
    bool close = false;
    while (!close) {
      std::string reply;
      if (server_.InData()) {
        reply = server_.Data(input_, close);
        input_.clear();
        if (reply.empty()) break;
      } else {
        const std::size_t end = input_.find("\r\n");
        if (end == std::string::npos) break;
        const std::string line = input_.substr(0, end);
        input_.erase(0, end + 2);
        reply = server_.Answer(line, close);
      }
      output_ += reply;
    }
    if (close) closing_ = true;
    wake_.notify_all();
    return maillib::IoStatus::Ok;
  }

  maillib::IoStatus Receive(std::string& into, int timeoutMs, std::string& error) override {
    std::unique_lock lock(mutex_);
    wake_.wait_for(lock, std::chrono::milliseconds(timeoutMs < 0 ? 2000 : timeoutMs),
                   [this] { return !output_.empty() || closing_ || aborted_ || !open_; });
    if (!output_.empty()) {
      into += output_;
      output_.clear();
      return maillib::IoStatus::Ok;
    }
    if (closing_ || aborted_ || !open_) {
      error = "connection closed";
      return maillib::IoStatus::Closed;
    }
    error = "time-out";
    return maillib::IoStatus::TimedOut;
  }

  void Close() override {
    std::lock_guard lock(mutex_);
    open_ = false;
    wake_.notify_all();
  }
  void Abort() override {
    std::lock_guard lock(mutex_);
    aborted_ = true;
    wake_.notify_all();
  }
  bool IsOpen() const override {
    std::lock_guard lock(mutex_);
    return open_ && !closing_;
  }

 private:
  void Queue(const std::string& text) { output_ += text; }

  FakeSmtp& server_;
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::string input_;
  std::string output_;
  bool open_ = true;
  bool closing_ = false;
  bool aborted_ = false;
};

inline std::unique_ptr<maillib::Transport> FakeSmtp::Factory(const maillib::ConnectTarget& target,
                                                             std::string& error) {
  FakeSmtp* server = Current();
  if (server == nullptr || server->rules.refuseConnect) {
    error = "connection refused";
    return nullptr;
  }
  {
    std::lock_guard lock(server->mutex_);
    ++server->connects_;
    server->target_ = target;
    server->phase_ = Phase::Command;
  }
  return std::make_unique<End>(*server);
}

inline std::string FakeSmtp::Answer(const std::string& line, bool& close) {
  std::lock_guard lock(mutex_);
  switch (phase_) {
    case Phase::User:
      commands_.push_back("<user>");
      phase_ = Phase::Password;
      return "334 UGFzc3dvcmQ6\r\n";
    case Phase::Password:
      commands_.push_back("<password>");
      phase_ = Phase::Command;
      return line == maillib::Base64EncodeStr(rules.password) ? "235 ok\r\n"
                                                              : rules.passwordRefusal;
    default:
      break;
  }
  commands_.push_back(line);
  if (line.rfind("EHLO", 0) == 0) return "250-mx.example.cn\r\n250-AUTH LOGIN\r\n250 8BITMIME\r\n";
  if (line.rfind("HELO", 0) == 0) return "250 mx.example.cn\r\n";
  if (line == "AUTH LOGIN") {
    phase_ = Phase::User;
    return "334 VXNlcm5hbWU6\r\n";
  }
  if (line.rfind("MAIL FROM:", 0) == 0) return "250 ok\r\n";
  if (line.rfind("RCPT TO:", 0) == 0) {
    for (const std::string& refused : rules.refusedRecipients)
      if (line.find("<" + refused + ">") != std::string::npos) return "550 no such user\r\n";
    return "250 ok\r\n";
  }
  if (line == "DATA") {
    phase_ = Phase::Data;
    data_.clear();
    wire_.clear();
    return "354 go ahead\r\n";
  }
  if (line == "QUIT") {
    close = true;
    return "221 bye\r\n";
  }
  return "502 unknown\r\n";
}

inline std::string FakeSmtp::Data(const std::string& bytes, bool& close) {
  std::lock_guard lock(mutex_);
  wire_ += bytes;
  if (rules.closeAfterDataBytes > 0 && wire_.size() >= rules.closeAfterDataBytes) {
    close = true;
    phase_ = Phase::Command;
    data_ = wire_;
    return "";
  }
  const std::size_t end = wire_.find("\r\n.\r\n");
  if (end == std::string::npos) {
    data_ = wire_;
    return "";
  }
  std::string text;
  for (std::size_t at = 0; at < end + 2;) {
    std::size_t next = wire_.find("\r\n", at) + 2;
    std::string line = wire_.substr(at, next - at);
    if (line.rfind("..", 0) == 0) line.erase(0, 1);
    text += line;
    at = next;
  }
  data_ = text;
  phase_ = Phase::Command;
  if (rules.dataEndReply.rfind("2", 0) == 0) accepted_.push_back(text);
  // The client waits for the reply before it says more: nothing follows the end mark.
  wire_.clear();
  return rules.dataEndReply;
}

// The reports of a worker. A hook may act on a status as it comes (a cancel, say).
class RecordedReports : public send::SendReports {
 public:
  void Status(const std::string& text, send::StatusColour colour) override {
    std::function<void(const std::string&)> hook;
    {
      std::lock_guard lock(mutex_);
      statuses.push_back(text);
      colours.push_back(colour);
      hook = onStatus;
    }
    if (hook) hook(text);
  }
  void ErrorLine(const std::string& text) override {
    std::lock_guard lock(mutex_);
    errorLines.push_back(text);
  }
  void ProgressRange(std::int64_t total) override {
    std::lock_guard lock(mutex_);
    range = total;
  }
  void Progress(std::int64_t bytes) override {
    std::function<void(std::int64_t)> hook;
    {
      std::lock_guard lock(mutex_);
      progress += bytes;
      ++progressReports;
      hook = onProgress;
    }
    if (hook) hook(bytes);
  }
  void Finished(bool succeeded) override {
    std::lock_guard lock(mutex_);
    finished.push_back(succeeded);
  }

  std::mutex mutex_;
  std::vector<std::string> statuses;
  std::vector<send::StatusColour> colours;
  std::vector<std::string> errorLines;
  std::int64_t range = -1;
  std::int64_t progress = 0;
  int progressReports = 0;
  std::vector<bool> finished;
  std::function<void(const std::string&)> onStatus;
  std::function<void(std::int64_t)> onProgress;
};

class RecordedTrace : public maillib::TraceSink {
 public:
  void Trace(std::string_view text) override {
    std::lock_guard lock(mutex_);
    text_ += std::string(text) + "\n";
  }
  std::string Text() const {
    std::lock_guard lock(mutex_);
    return text_;
  }

 private:
  mutable std::mutex mutex_;
  std::string text_;
};

// A program folder with its databases.
class SendFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(store::EnsureProgramFolders(folder_.Path(), &error)) << error;
    mail_ = store::OpenMailStore(folder_.Path(), &error);
    ASSERT_NE(mail_, nullptr) << error;
    account_ = store::OpenAccountStore(folder_.Path(), &error);
    ASSERT_NE(account_, nullptr) << error;
  }

  void AddFriend(const std::string& address, const std::string& nickname) {
    store::Query insert(*mail_);
    insert.AddLine("insert into Friend (QXHaoMa, NiCheng) values (:a, :n)");
    insert.SetText("a", address);
    insert.SetText("n", nickname);
    ASSERT_TRUE(insert.ExecSql()) << insert.Error();
  }

  void AddAccount(const std::string& address, const std::string& password, const std::string& smtp,
                  const std::string& nickname) {
    store::Query insert(*account_);
    insert.AddLine(
        "insert into MailAcc (MailAccount, PasswordPw, smtpServer, NiCheng) values (:a, :p, :s, "
        ":n)");
    insert.SetText("a", address);
    insert.SetText("p", password);
    insert.SetText("s", smtp);
    insert.SetText("n", nickname);
    ASSERT_TRUE(insert.ExecSql()) << insert.Error();
  }

  // One column of every row of a box table, in insert order.
  std::vector<std::string> Column(const std::string& table, const std::string& column) {
    store::Query look(*mail_);
    look.AddLine("select " + column + " from " + table + " order by ID");
    EXPECT_TRUE(look.Open()) << look.Error();
    std::vector<std::string> values;
    for (; !look.Eof(); look.Next())
      values.push_back(look.FieldText(column));
    return values;
  }

  std::string WriteFile(const std::string& name, const std::string& bytes) {
    const std::string path = folder_.File(name);
    store_test::WriteFileBytes(path, bytes);
    return path;
  }

  store_test::TempFolder folder_;
  std::unique_ptr<store::Database> mail_;
  std::unique_ptr<store::Database> account_;
};

}  // namespace send_test
