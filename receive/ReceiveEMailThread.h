// The receive worker: fetches the new mail of one account over POP3 and stores every message
// in the inbox as unread mail, on a thread of its own. It tells its progress and its result
// through a ReceiveReports interface; it never touches a window.
//
// The run: connect and log in; ask the server's unique ids (UIDL); choose the messages; fetch
// them from the highest number down, store each (ReceiveStore), delete it from the server after
// it is stored when mail is taken; QUIT.
//
// With ids the account's ledger (store/UidlLedger.h) decides: every message whose id it lacks
// is fetched, in both modes; with mail taken, a message it holds (stored by a run cut before
// QUIT) is deleted without fetching. Each stored id commits with its inbox row. Ids gone from
// the server are pruned. An inbox from before the ledger seeds it once from the rules below.
//
// A server without UIDL keeps the rules by Date and Message-ID: mail kept on the server, the
// messages whose Date is later than the account's last-mail date (TOP n 0); mail taken, all of
// them, a message whose Message-ID is stored already is deleted without storing it again. The
// account's Mail_Date then only moves to the newest date up to which every chosen message is
// stored, so a run cut short never makes the next one pass over a message it did not store.
//
// One message that cannot be had (refused or sent empty by the server, over the size limit,
// too big for the memory, not storable) is reported and left on the server; the run goes on.
#pragma once

#include <atomic>
#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "receive/ReceiveInfo.h"

namespace maillib {
class TRapPOP;
class TraceSink;
}  // namespace maillib
namespace store {
class Database;
}

namespace receive {

// Reports of a worker, raised on the worker's thread; the implementer passes them on to the
// user-interface thread. The account is the address of the account being received.
class ReceiveReports {
 public:
  virtual ~ReceiveReports() = default;
  // A status text ("正在连接到POP服务器...", "正在接收第3封邮件..45%", ...).
  virtual void Status(const std::string& account, const std::string& text) = 0;
  // The end of a run that stored at least one new message, with their number.
  virtual void Received(const std::string& account, int count) = 0;
};

// The fixed report texts.
inline constexpr const char* kConnecting = "正在连接到POP服务器...";
inline constexpr const char* kConnectFailed = "连接POP3服务器失败";
inline constexpr const char* kLoginFailed = "身份验证失败...";
inline constexpr const char* kCheckingNew = "正在检测新邮件...";
inline constexpr const char* kTakingNew = "查收新邮件中...";
inline constexpr const char* kNoNewMail = "没有收到新邮件!";
// The UIDL answer is no valid list of the mailbox's ids: the run ends, nothing fetched.
inline constexpr const char* kUnreadableList = "服务器的邮件列表无法识别";
// The reason shown when memory ran out with one message.
inline constexpr const char* kOutOfMemory = "内存不足";
// "收取第" + k + "封邮件失败"
std::string StoreFailedText(int ordinal);
// The same followed by ": " and the short reason (the last part of a store error, at most
// 120 bytes); the full reason goes to the trace.
std::string StoreFailedText(int ordinal, const std::string& reason);
// "第" + k + "封邮件服务器无法发送,已跳过": the server refused the message or sent it empty.
std::string SkippedText(int ordinal);
// "第" + k + "封邮件过大(" + MB + "MB),已留在服务器上": over maillib::kMaxMessageBytes.
std::string TooLargeText(int ordinal, std::int64_t bytes);
// "正在接收第" + k + "封邮件.." + percent + "%"
std::string ProgressText(int ordinal, std::int64_t received, std::int64_t total);

// What a worker needs besides the account record.
struct ReceiveContext {
  store::Database* mail = nullptr;     // DB/MsgEx.mdb (Historys)
  store::Database* account = nullptr;  // DB/MailCheck.mdb (MailAcc: Mail_Date)
  std::string mailFileFolder;          // DB/EMF, without a trailing "/"
  ReceiveReports* reports = nullptr;   // may be null: reports are dropped
  // Where failures are written in full (a store failure's reason, a skipped message); may be
  // null. Shared by the workers: the sink must be safe to call from several threads.
  maillib::TraceSink* trace = nullptr;
  // Called with the new POP3 client before it connects (time-outs, proxy, tests).
  std::function<void(maillib::TRapPOP&)> configureClient;
  // Called with the number of each fetched message before it is parsed; may be empty. Tests
  // throw std::bad_alloc here to take the path of memory running out with one message.
  std::function<void(int number)> beforeParse;
};

class TReveiveEMailThread {
 public:
  TReveiveEMailThread(const TOnlyPOPReceivInformation& info, ReceiveContext context);
  // Cancels and waits for the thread when it still runs.
  ~TReveiveEMailThread();
  TReveiveEMailThread(const TReveiveEMailThread&) = delete;
  TReveiveEMailThread& operator=(const TReveiveEMailThread&) = delete;

  // Runs the receive on a new thread. Once only.
  void Start();
  // Runs the receive on the calling thread (tvmail, tests). Once only.
  void Run();
  // From any thread: ends the run at the next step; a message being fetched is abandoned at
  // its next line, a wait on a silent server at the client's time-out. What is stored stays
  // stored; nothing more is deleted.
  void Cancel();
  // Waits for the thread started by Start.
  void Join();
  // True once the run has ended (or when it was never started).
  bool Finished() const { return finished_; }

  const std::string& Account() const { return info_.MailAccount; }
  // Results, valid after the run.
  int StoredCount() const { return stored_; }
  bool ConnectFailed() const { return connectFailed_; }
  bool LoginFailed() const { return loginFailed_; }
  // True when the run stopped before every chosen message was handled (fetch error, cancel).
  bool Interrupted() const { return interrupted_; }

 private:
  // One run: its client, message, chosen messages and counters (ReceiveEMailThread.cpp).
  class Session;

  void Execute();

  TOnlyPOPReceivInformation info_;
  ReceiveContext context_;
  std::thread thread_;
  std::mutex joinMutex_;  // Join may be called from several threads
  std::atomic<bool> started_{false};
  std::atomic<bool> finished_{true};
  std::atomic<bool> cancel_{false};
  std::mutex clientMutex_;
  maillib::TRapPOP* client_ = nullptr;  // while a run has one; guarded by clientMutex_
  int stored_ = 0;
  bool connectFailed_ = false;
  bool loginFailed_ = false;
  bool interrupted_ = false;
};

}  // namespace receive
