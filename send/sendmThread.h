// The send worker: sends one message written on the compose page through the account's SMTP
// server, on a thread of its own, and records it in the sent box (MailSendBox) as
// "MailSendSucc" or "MailSendFail". It tells its progress and outcome through a SendReports
// interface; it never touches a window. Only one send runs at a time (SendState).
//
// The run: take the registered attachments; connect and log in (AUTH; STARTTLS when offered);
// cut the recipient field into To, Cc and Bcc; build the TRapMsg and compose it; send it to
// every recipient address; record the outcome; QUIT.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "maillib/ServerField.h"

namespace maillib {
class TRapSMTP;
class TraceSink;
}  // namespace maillib
namespace store {
class Database;
}

namespace send {

class AttachmentRegistry;

// The status texts of a run, in the order they can come.
inline constexpr const char* kConnecting = "正在连接...";  // shown by the SEND action
inline constexpr const char* kConnected = "成功连接到SMTP服务器";
inline constexpr const char* kConnectFailed = "连接到SMTP服务器失败";
inline constexpr const char* kNetworkFailed = "连接到SMTP服务器失败,请检查您的网络";
inline constexpr const char* kLoginFailed = "登陆到SMTP服务器失败,请检查您的用户名或是密码";
inline constexpr const char* kPreparing = "初始化中，准备开始发送";
inline constexpr const char* kSending = "邮件发送中";
inline constexpr const char* kSent = "发送成功";
inline constexpr const char* kSendFailed = "发送失败";
inline constexpr const char* kMailer = "X-Mailer:Tenvel 202";

// Where the SMTP server of a sender is: a port in the server field ("host:port") decides, and
// 465 there means implicit TLS; without one an address holding "gmail" uses 465 with TLS and
// every other 25.
maillib::ServerEndpoint SmtpEndpointOf(const std::string& senderAddress,
                                       const std::string& smtpServer);

// The colour a status text is shown in.
enum class StatusColour { Black, Red, Blue };

// Reports of a worker, raised on the worker's thread; the implementer passes them on to the
// user-interface thread.
class SendReports {
 public:
  virtual ~SendReports() = default;
  // The status line ("成功连接到SMTP服务器", "邮件发送中", "发送成功", ...).
  virtual void Status(const std::string& text, StatusColour colour) = 0;
  // The error line under it ("连接到SMTP服务器失败,请检查您的网络", ...).
  virtual void ErrorLine(const std::string& text) = 0;
  // The progress bar's range: the length of the composed message text in bytes.
  virtual void ProgressRange(std::int64_t total) = 0;
  // Bytes of the message text just written.
  virtual void Progress(std::int64_t bytes) = 0;
  // The run has ended and its outcome is recorded (succeeded: the server accepted the message).
  virtual void Finished(bool succeeded) = 0;
};

// The process-wide flags of sending: one send at a time, cancel, and the read-receipt toggle.
struct SendState {
  std::atomic<bool> sending{false};      // set when a worker starts, cleared once it recorded
  std::atomic<bool> cancel{false};       // "取消发送" pressed; cleared when the worker ends
  std::atomic<bool> readReceipt{false};  // "请求阅读回执" checked; consumed by the next send
};

// What the SEND action hands to the worker.
struct SendJob {
  std::string senderAddress;   // the sender selector's text
  std::string nickname;        // the account's NiCheng, trimmed (may be empty)
  std::string smtpServer;      // the account's smtpServer ("host" or "host:port")
  std::string password;        // the account's PasswordPw
  std::string recipientField;  // To, then "<抄送>" Cc, then "<密送>" Bcc
  std::string subject;
  std::string bodyHtml;  // the editor body's outer HTML, trimmed
  std::string bodyText;  // the editor body's text (the text/plain part)
  // Local pictures the user put into the mail: inserted files, and folders whose files may be
  // sent (emoticons, screen captures, the mail folder of a message replied to or forwarded).
  // Any other local path in the HTML is never read or sent.
  std::vector<std::string> pictureFiles;
  std::vector<std::string> pictureFolders;
};

// What a worker needs besides the job.
struct SendContext {
  store::Database* mail = nullptr;            // DB/MsgEx.mdb: MailSendBox, Friend
  AttachmentRegistry* attachments = nullptr;  // emptied by the run
  SendState* state = nullptr;
  SendReports* reports = nullptr;       // may be null: reports are dropped
  maillib::TraceSink* trace = nullptr;  // the SMTP dialogue and failures in full; may be null
  // Called with the new SMTP client before it connects (time-outs, tests' transports).
  std::function<void(maillib::TRapSMTP&)> configureClient;
};

class TSendMailThread {
 public:
  TSendMailThread(SendJob job, SendContext context);
  // Cancels and waits for the thread when it still runs.
  ~TSendMailThread();
  TSendMailThread(const TSendMailThread&) = delete;
  TSendMailThread& operator=(const TSendMailThread&) = delete;

  // Runs the send on a new thread. Once only.
  void Start();
  // Runs the send on the calling thread (tvmail, tests). Once only.
  void Run();
  // From any thread: abandons the run; a transfer in progress ends at once and is recorded as
  // "MailSendFail".
  void Cancel();
  void Join();
  bool Finished() const { return finished_; }

  // Valid after the run.
  bool Succeeded() const { return succeeded_; }
  // The run ended at connecting or logging in.
  bool ConnectFailed() const { return connectFailed_; }
  bool LoginFailed() const { return loginFailed_; }
  // The reason of a failure in words (status and error line, the server's reply).
  const std::string& FailureText() const { return failureText_; }

 private:
  void Execute();
  bool CancelRequested() const;
  void Watch(maillib::TRapSMTP& client);

  SendJob job_;
  SendContext context_;
  std::thread thread_;
  std::mutex joinMutex_;
  std::atomic<bool> started_{false};
  std::atomic<bool> finished_{true};
  std::atomic<bool> succeeded_{false};
  std::atomic<bool> connectFailed_{false};
  std::atomic<bool> loginFailed_{false};
  std::atomic<bool> cancel_{false};
  SendState ownState_;  // used when the context brings no state
  std::string failureText_;
  std::mutex clientMutex_;
  maillib::TRapSMTP* client_ = nullptr;  // while a run has one; guarded by clientMutex_
  // The watch of the cancel flags while a run has a client (the sending page's timer).
  std::mutex watchMutex_;
  std::condition_variable watchWake_;
  bool watchDone_ = false;
};

}  // namespace send
