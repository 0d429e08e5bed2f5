// What the send round trips and the network benchmark share: a program folder whose sending
// accounts point at the test SMTP server, the reports of a send worker, the SEND action run
// on the calling thread, the sent-box rows read back and the envelopes the server saved.
// No test framework here: the benchmark links it too.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "maillib/Trace.h"
#include "send/ComposeRecords.h"
#include "send/sendmThread.h"
#include "store/Database.h"
#include "tests/integration/TestServers.h"
#include "tests/store/TempFolder.h"

namespace maillib {
class TRapSMTP;
}

namespace integration {

// The reports of one worker run, kept for the test to look at.
class SendRecorder : public send::SendReports {
 public:
  void Status(const std::string& text, send::StatusColour colour) override;
  void ErrorLine(const std::string& text) override;
  void ProgressRange(std::int64_t total) override;
  void Progress(std::int64_t bytes) override;
  void Finished(bool succeeded) override;

  std::vector<std::string> Statuses() const;
  std::vector<std::string> ErrorLines() const;
  bool SawStatus(const std::string& text) const;
  bool SawErrorLine(const std::string& text) const;
  std::int64_t Range() const;
  std::int64_t ProgressSum() const;
  int FinishedCount() const;

 private:
  mutable std::mutex mutex_;
  std::vector<std::string> statuses_;
  std::vector<std::string> errorLines_;
  std::int64_t range_ = 0;
  std::int64_t progress_ = 0;
  int finished_ = 0;
};

// The trace lines of the worker runs (the SMTP dialogue, failures).
class TraceRecorder : public maillib::TraceSink {
 public:
  void Trace(std::string_view text) override;
  std::string Text() const;  // every line, each followed by "\n"

 private:
  mutable std::mutex mutex_;
  std::string text_;
};

// The columns of one MailSendBox row.
struct SentRow {
  std::string Sender, Receiver, Length, SendDateTime, Content, MessageKind, FuJianPath, FilePath,
      Mailcc, MailBcc, MailSubject, Fujian;
};

// The outcome of one SEND.
struct SendOutcome {
  std::string checkMessage;  // what the SEND checks said; "" when the worker ran
  bool ran = false;
  bool succeeded = false;
  std::string failureText;
};

// A program folder that sends through the test SMTP server.
class SendingFolder {
 public:
  SendingFolder();
  const std::string& Path() const { return temp_.Path(); }
  store::Database& Mail() { return *mail_; }
  store::Database& Accounts() { return *accounts_; }

  // An account "<user>@tenvel.test" as the account editor saves one with typed hosts; its
  // SMTP host field is "127.0.0.1:<smtpPort>". Its address.
  std::string AddSender(const std::string& user, const std::string& nickname,
                        const std::string& password, int smtpPort);
  // A Friend row: the display name the worker gives the address in To and Cc.
  void AddFriend(const std::string& address, const std::string& nickname);

  // The SEND action: the checks, then one worker run on this thread. The worker logs in as
  // the test server's user (the server knows one user, the worker logs in with the sender
  // address); `configure` then sees the client before it connects (TLS, time-outs).
  // With `whileRunning` the worker runs on its own thread and `whileRunning` is called on
  // this one as soon as it started; the call returns once the worker ended.
  SendOutcome Send(const TestServers& servers, const send::ComposeSnapshot& page,
                   send::SendReports* reports,
                   const std::function<void(maillib::TRapSMTP&)>& configure = nullptr,
                   const std::function<void()>& whileRunning = nullptr);
  // "请求阅读回执" ticked: the next send asks for a read receipt.
  void RequestReadReceipt() { state_.readReceipt = true; }
  // "取消发送": the shared cancel flag, as the sending page sets it.
  void CancelSend() { state_.cancel = true; }

  std::vector<SentRow> SentRows();
  // What the runs of this folder traced.
  std::string TraceText() const { return trace_.Text(); }

 private:
  store_test::TempFolder temp_;
  std::unique_ptr<store::Database> mail_;
  std::unique_ptr<store::Database> accounts_;
  send::SendState state_;
  TraceRecorder trace_;
};

// What the SMTP server saved for the first recipient `recipient`, oldest first, and removes
// it: each message's bytes with its envelope (the .json beside it).
struct SpooledMessage {
  std::string bytes;
  std::string envelope;
};
std::vector<SpooledMessage> TakeSpoolWithEnvelopes(const std::string& recipient);

}  // namespace integration
