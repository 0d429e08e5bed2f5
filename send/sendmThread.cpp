#include "send/sendmThread.h"

#include <chrono>
#include <ctime>
#include <exception>

#include "maillib/Base64.h"
#include "maillib/MailFailure.h"
#include "maillib/RapMsg.h"
#include "maillib/RapSMTP.h"
#include "maillib/TextUtil.h"
#include "maillib/Trace.h"
#include "maillib/rapSMTPCode.h"
#include "send/AttachmentRegistry.h"
#include "send/RecipientField.h"
#include "send/SendFormat.h"
#include "store/DateTimeText.h"
#include "store/MessageRecord.h"
#include "store/Query.h"

namespace send {

namespace {

// How often the cancel flags are looked at while a run has a client.
constexpr std::chrono::milliseconds kCancelPoll(50);

// Characters of UTF-8 text (bytes that do not continue a sequence).
std::int32_t CharacterCount(const std::string& text) {
  std::int32_t count = 0;
  for (const char c : text)
    count += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
  return count;
}

// The length of the lines as one text, each followed by CR LF: what the client sends.
std::int64_t TextLength(const maillib::StringList& lines) {
  std::int64_t total = 0;
  for (const std::string& line : lines)
    total += static_cast<std::int64_t>(line.size()) + 2;
  return total;
}

std::string Replaced(std::string text, const std::string& what, const std::string& with) {
  if (what.empty()) return text;
  for (std::size_t at = text.find(what); at != std::string::npos;
       at = text.find(what, at + with.size()))
    text.replace(at, what.size(), with);
  return text;
}

// The attachment record text with "(" and ")" made "<" and ">", trimmed.
std::string FuJianPathText(std::string text) {
  for (char& c : text) {
    if (c == '(') c = '<';
    if (c == ')') c = '>';
  }
  return maillib::Trim(text);
}

// One run of a worker: the steps of a send in order, with what they share.
class SendRun {
 public:
  // The read-receipt request is consumed when the run starts, whatever its outcome: the SEND
  // action clears the menu's check mark, so a run that fails to connect must not leave the
  // request behind for the next message.
  SendRun(const SendJob& job, const SendContext& context, SendState& state)
      : job_(job), context_(context), readReceipt_(state.readReceipt.exchange(false)) {}

  void Status(const std::string& text, StatusColour colour) {
    if (context_.reports != nullptr) context_.reports->Status(text, colour);
  }
  void ErrorLine(const std::string& text) {
    if (context_.reports != nullptr) context_.reports->ErrorLine(text);
  }
  // A failure in words for the caller and in full for the trace, the password blanked.
  void Failure(const std::string& words, const std::string& detail) {
    if (failureText_.empty()) failureText_ = words;
    Trace(words + (detail.empty() ? "" : ": " + detail));
  }
  void Trace(const std::string& text) {
    std::string line = "send " + job_.senderAddress + ": " + text;
    if (!job_.password.empty()) {
      line = Replaced(line, maillib::Base64EncodeStr(job_.password), "****");
      line = Replaced(line, job_.password, "****");
    }
    maillib::TraceTo(context_.trace, line);
  }

  void TakeAttachments() {
    if (context_.attachments == nullptr) return;
    for (const TMySendFile& file : context_.attachments->Take()) {
      paths_.push_back(file.path);
      recordPaths_ += file.path + "*";
    }
  }

  void SetUpClient(maillib::TRapSMTP& client) {
    const maillib::ServerEndpoint endpoint = SmtpEndpointOf(job_.senderAddress, job_.smtpServer);
    client.Host = endpoint.Host;
    client.Port = endpoint.Port;
    client.ImplicitTls = endpoint.Tls;
    client.HeloName = job_.senderAddress;
    client.EmailAddress = job_.senderAddress;
    client.MustVerify = true;
    client.VerifyUserID = maillib::Base64EncodeStr(job_.senderAddress);
    client.VerifyUserPassword = maillib::Base64EncodeStr(job_.password);
    client.OnSendCmdToSocket = [this](maillib::TRapSMTP&, const std::string& text) {
      Trace("> " + text);
    };
    client.OnReceiveCmdFromSocket = [this](maillib::TRapSMTP&, const std::string& text) {
      Trace("< " + text);
    };
    client.OnSendRawMailInByte = [this](maillib::TRapSMTP&, std::int64_t bytes) {
      if (context_.reports != nullptr) context_.reports->Progress(bytes);
    };
    if (context_.configureClient) context_.configureClient(client);
  }

  // Connects and logs in; false (the texts shown) when that failed.
  bool Connect(maillib::TRapSMTP& client, bool& connectFailed, bool& loginFailed) {
    const bool ok = client.ConnectAndLogin();
    if (ok && client.IsConnected() && !client.SocketError && !client.ReplyError) {
      Status(kConnected, StatusColour::Black);
      return true;
    }
    Status(kConnectFailed, StatusColour::Red);
    ErrorLine(kConnectFailed);
    std::string words = kConnectFailed;
    if (client.SocketError) {
      ErrorLine(kNetworkFailed);
      words = kNetworkFailed;
      connectFailed = true;
    }
    if (client.ReplyError) {
      ErrorLine(kLoginFailed);
      words = kLoginFailed;
      loginFailed = true;
    }
    if (!client.SocketError && !client.ReplyError) connectFailed = true;
    // A rejected certificate or a provider that wants its authorization code is said in
    // words the user can act on, after the fixed line.
    const std::string advice =
        maillib::FailureAdvice(client.LastFailure(), client.LastFailureText(), client.Host);
    if (!advice.empty()) {
      words += " " + advice;
      ErrorLine(words);
    }
    Failure(words, client.LastFailureText());
    return false;
  }

  // The message of the job; false (with the reason) when an attachment cannot be read.
  bool Build(maillib::TRapMsg& msg) {
    for (const std::string& path : paths_) {
      TMySendFile check;
      if (!MakeSendFile(path, &check)) {
        ErrorLine(path + kFileMissing);
        Failure(path + kFileMissing, "the attachment cannot be read");
        return false;
      }
    }
    const RecipientParts parts = CutRecipientField(job_.recipientField);
    recipients_ = SmtpRecipients(parts);
    msg.SetCharSet("GB2312");
    const std::string nickname = maillib::Trim(job_.nickname);
    msg.SetFrom(nickname.empty() ? job_.senderAddress
                                 : QuotedDisplayAddress(nickname, job_.senderAddress));
    msg.SetSendTo(Format(context_.mail, parts.to));
    if (!maillib::Trim(parts.bcc).empty()) msg.SetBCC(parts.bcc);
    if (!maillib::Trim(parts.cc).empty()) msg.SetCC(Format(context_.mail, parts.cc));
    msg.Priority = maillib::prNormal;
    msg.IsAskReadReply = readReceipt_ ? 1 : 0;
    msg.HtmlLines = maillib::SplitLines(job_.bodyHtml);
    msg.SetSubject(job_.subject);
    for (const std::string& path : paths_)
      msg.Attachments.AddFile(path);
    maillib::TComposeRequest request;
    request.extraHeader = kMailer;
    request.base64Body = true;
    request.includeBcc = false;
    request.headerCharset = "GB2312";
    request.pictureFiles = job_.pictureFiles;
    request.pictureFolders = job_.pictureFolders;
    request.allowAnyLocalFile = false;
    request.plainText = job_.bodyText;
    if (!maillib::ComposeMessage(msg, request)) {
      Failure(kSendFailed, "a part of the message could not be read");
      return false;
    }
    return true;
  }

  bool Transfer(maillib::TRapSMTP& client, maillib::TRapMsg& msg) {
    const bool sent = client.SendMessage(msg, recipients_);
    // Only a 2xx to the end of the data counts: SendMessage is true exactly then.
    if (sent) {
      Status(kSent, StatusColour::Blue);
      return true;
    }
    Status(kSendFailed, StatusColour::Red);
    Failure(kSendFailed,
            client.LastFailureText().empty() ? client.LastReplyText : client.LastFailureText());
    return false;
  }

  void Record(bool succeeded, std::time_t sendTime) {
    if (context_.mail == nullptr) return;
    const std::string body = maillib::Trim(job_.bodyHtml);
    store::MessageRecord record;
    record.sender = job_.senderAddress;
    const RecipientColumns columns = SentBoxColumns(context_.mail, job_.recipientField);
    record.receiver = columns.receiver;
    record.mailcc = columns.mailcc;
    record.mailBcc = columns.mailBcc;
    record.length = CharacterCount(body);
    record.sendDateTime = store::FormatDateTime(sendTime);
    record.content = body;
    record.messageKind = succeeded ? store::kind::kSent : store::kind::kSendFailed;
    if (!recordPaths_.empty()) record.fuJianPath = FuJianPathText(recordPaths_);
    record.mailSubject = job_.subject;
    record.fujian = store::kWrittenHere;
    store::Query insert(*context_.mail);
    // The outcome on screen stands even when the row cannot be written; the trace says why.
    if (!store::InsertMessageRecord(insert, "MailSendBox", record))
      Trace("sent-box row not written: " + insert.Error());
  }

  const std::string& FailureText() const { return failureText_; }

 private:
  const SendJob& job_;
  const SendContext& context_;
  bool readReceipt_;
  std::vector<std::string> paths_;
  std::string recordPaths_;  // each path followed by "*"
  maillib::StringList recipients_;
  std::string failureText_;
};

}  // namespace

maillib::ServerEndpoint SmtpEndpointOf(const std::string& senderAddress,
                                       const std::string& smtpServer) {
  const bool gmail = senderAddress.find("gmail") != std::string::npos;
  return maillib::ParseServerField(
      smtpServer, gmail ? maillib::TRapSMTP::kImplicitTlsPort : maillib::TRapSMTP::kDefaultPort,
      gmail);
}

TSendMailThread::TSendMailThread(SendJob job, SendContext context)
    : job_(std::move(job)), context_(std::move(context)) {}

TSendMailThread::~TSendMailThread() {
  Cancel();
  Join();
}

void TSendMailThread::Start() {
  if (started_.exchange(true)) return;
  finished_ = false;
  std::lock_guard lock(joinMutex_);
  thread_ = std::thread([this] { Execute(); });
}

void TSendMailThread::Run() {
  if (started_.exchange(true)) return;
  finished_ = false;
  Execute();
}

// Never waits for the client: the Cancel flag alone ends every wait of the client within a
// read slice and stops a transfer before its next chunk; the watch then closes the connection.
void TSendMailThread::Cancel() {
  cancel_ = true;
  {
    std::lock_guard lock(clientMutex_);
    if (client_ != nullptr) client_->Cancel = true;
  }
  watchWake_.notify_all();
}

void TSendMailThread::Join() {
  std::lock_guard lock(joinMutex_);
  if (thread_.joinable()) thread_.join();
}

bool TSendMailThread::CancelRequested() const {
  return cancel_ || (context_.state != nullptr && context_.state->cancel);
}

// The sending page's timer: once a cancel is asked (Cancel or the shared flag) the client is
// stopped, and QUIT closes the connection, so a transfer in progress ends without its
// end-of-data mark and the server discards what it got. The client's login clears its Cancel
// flag when it starts, so the flag is passed on at every poll until the run ends. The run joins
// this thread before its client goes, so the client outlives every use here.
void TSendMailThread::Watch(maillib::TRapSMTP& client) {
  std::unique_lock lock(watchMutex_);
  bool stopped = false;  // a cancel was acted on: from then on every poll passes it on again
  while (!watchDone_) {
    if (CancelRequested()) {
      stopped = true;
      lock.unlock();
      client.Cancel = true;
      if (client.IsConnected()) client.Quit();
      lock.lock();
    }
    watchWake_.wait_for(lock, kCancelPoll,
                        [&] { return watchDone_ || (!stopped && CancelRequested()); });
  }
}

void TSendMailThread::Execute() {
  SendState& state = context_.state != nullptr ? *context_.state : ownState_;
  state.sending = true;
  SendRun run(job_, context_, state);
  const std::time_t sendTime = std::time(nullptr);
  run.TakeAttachments();
  bool succeeded = false;
  bool connectFailed = false;
  bool loginFailed = false;
  {
    maillib::TRapSMTP client;
    run.SetUpClient(client);
    {
      std::lock_guard lock(clientMutex_);
      client_ = &client;
    }
    {
      std::lock_guard lock(watchMutex_);
      watchDone_ = false;
    }
    std::thread watch([this, &client] { Watch(client); });
    try {
      if (CancelRequested()) {
        run.Failure(kSendFailed, "canceled before connecting");
      } else if (run.Connect(client, connectFailed, loginFailed)) {
        maillib::TRapMsg msg;
        if (run.Build(msg)) {
          if (context_.reports != nullptr)
            context_.reports->ProgressRange(TextLength(msg.RawLines));
          run.Status(kPreparing, StatusColour::Black);
          if (CancelRequested()) {
            run.Failure(kSendFailed, "canceled before the transfer");
          } else {
            run.Status(kSending, StatusColour::Black);
            succeeded = run.Transfer(client, msg);
          }
        } else {
          run.Status(kSendFailed, StatusColour::Red);
        }
      }
    } catch (const std::exception& error) {
      // Memory running out while a large message is built: this send fails, the program goes on.
      run.Status(kSendFailed, StatusColour::Red);
      run.Failure(kSendFailed, error.what());
      succeeded = false;
    }
    if (context_.attachments != nullptr) context_.attachments->Clear();
    run.Record(succeeded, sendTime);
    state.sending = false;
    state.cancel = false;
    {
      std::lock_guard lock(watchMutex_);
      watchDone_ = true;
    }
    watchWake_.notify_all();
    watch.join();
    {
      std::lock_guard lock(clientMutex_);
      client_ = nullptr;
    }
    if (client.IsConnected()) client.Quit();
  }
  failureText_ = succeeded ? std::string() : run.FailureText();
  succeeded_ = succeeded;
  connectFailed_ = connectFailed;
  loginFailed_ = loginFailed;
  finished_ = true;
  if (context_.reports != nullptr) context_.reports->Finished(succeeded);
}

}  // namespace send
