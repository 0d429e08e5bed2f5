#include "receive/ReceiveEMailThread.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <limits>
#include <new>
#include <optional>
#include <set>

#include "maillib/MailDate.h"
#include "maillib/MailLimits.h"
#include "maillib/RapMsg.h"
#include "maillib/RapPOP3.h"
#include "maillib/TextUtil.h"
#include "maillib/Trace.h"
#include "receive/ReceiveRow.h"
#include "receive/ReceiveStore.h"
#include "store/Transaction.h"
#include "store/UidlLedger.h"

namespace receive {

namespace {

// Whole percent of `received` out of `total`, rounded to the nearest; a count past the
// announced size (servers count octets their own way) or an unknown total shows 100.
std::int64_t PercentOf(std::int64_t received, std::int64_t total) {
  if (total <= 0) return 100;
  const double percent = static_cast<double>(received) * 100.0 / static_cast<double>(total);
  return std::min<std::int64_t>(100, std::llround(percent));
}

// Sum of the sizes of a LIST answer ("n size" lines); lines without a blank and sizes that are
// no number count 0.
std::int64_t SumOfSizes(const maillib::StringList& lines) {
  std::int64_t total = 0;
  for (const std::string& line : lines) {
    if (line.find(' ') == std::string::npos) continue;
    total += std::max<long long>(0, maillib::WordAsInt(line, 1, 0));
  }
  return total;
}

// A message chosen for fetching. Its date is known from the TOP headers (mail kept on the
// server) or once it has been fetched.
struct Chosen {
  int number = 0;
  std::optional<std::time_t> date;
  bool stored = false;  // stored now or found stored from an earlier run
  std::string uid;      // the server's unique id; empty when the server gives none
};

// The newest date D such that every chosen message dated D or earlier is stored: the newest
// stored date below the oldest message not stored. A message not stored whose date is still
// unknown could be of any date, so it allows no mark at all.
std::optional<std::time_t> SafeMark(const std::vector<Chosen>& chosen) {
  std::time_t limit = std::numeric_limits<std::time_t>::max();
  for (const Chosen& c : chosen) {
    if (c.stored) continue;
    if (!c.date) return std::nullopt;
    limit = std::min(limit, *c.date);
  }
  std::optional<std::time_t> mark;
  for (const Chosen& c : chosen) {
    if (c.stored && c.date && *c.date < limit && (!mark || *c.date > *mark)) mark = c.date;
  }
  return mark;
}

// The ids of a UIDL answer by message number (index 0 unused). False when the answer does not
// name every message of the mailbox exactly once, or gives two messages one id: such a list
// cannot tell which message is stored, and a wrong answer here could delete mail unread.
bool IdsByNumber(const std::vector<maillib::Pop3UidlEntry>& entries, int count,
                 std::vector<std::string>* ids) {
  ids->assign(static_cast<std::size_t>(std::max(count, 0)) + 1, std::string());
  std::set<std::string> seen;
  for (const maillib::Pop3UidlEntry& entry : entries) {
    if (entry.number < 1 || entry.number > count) return false;
    std::string& slot = (*ids)[static_cast<std::size_t>(entry.number)];
    if (!slot.empty() || !seen.insert(entry.uid).second) return false;
    slot = entry.uid;
  }
  return static_cast<int>(seen.size()) == std::max(count, 0);
}

// The part of a store error after its last ": " (the path and the operation go to the trace),
// at most 120 bytes, cut between UTF-8 sequences.
std::string ShortReason(const std::string& error) {
  const std::size_t colon = error.rfind(": ");
  std::string reason = colon == std::string::npos ? error : error.substr(colon + 2);
  constexpr std::size_t kMaxReason = 120;
  if (reason.size() <= kMaxReason) return reason;
  std::size_t cut = kMaxReason;
  while (cut > 0 && (static_cast<unsigned char>(reason[cut]) & 0xC0) == 0x80)
    --cut;
  return reason.substr(0, cut);
}

}  // namespace

std::string StoreFailedText(int ordinal) {
  return "收取第" + std::to_string(ordinal) + "封邮件失败";
}

std::string StoreFailedText(int ordinal, const std::string& reason) {
  if (reason.empty()) return StoreFailedText(ordinal);
  return StoreFailedText(ordinal) + ": " + ShortReason(reason);
}

std::string SkippedText(int ordinal) {
  return "第" + std::to_string(ordinal) + "封邮件服务器无法发送,已跳过";
}

std::string TooLargeText(int ordinal, std::int64_t bytes) {
  constexpr std::int64_t kMegabyte = 1024 * 1024;
  return "第" + std::to_string(ordinal) + "封邮件过大(" +
         std::to_string((bytes + kMegabyte / 2) / kMegabyte) + "MB),已留在服务器上";
}

std::string ProgressText(int ordinal, std::int64_t received, std::int64_t total) {
  return "正在接收第" + std::to_string(ordinal) + "封邮件.." +
         std::to_string(PercentOf(received, total)) + "%";
}

// ---- one run ----

class TReveiveEMailThread::Session {
 public:
  explicit Session(TReveiveEMailThread& owner);
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  void Execute();

 private:
  // What the UIDL answer allows.
  enum class Ids { Known, Unsupported, Failed };

  bool Canceled() const { return owner_.cancel_; }
  bool KeepsMail() const { return owner_.info_.DeleteMode == kKeepOnServer; }
  const std::string& Account() const { return owner_.info_.MailAccount; }
  bool MessageRefused() const;
  void Report(const std::string& text);
  void Trace(const std::string& text);
  std::string MessageName(const Chosen& chosen) const;
  void SetUpClient();
  bool ConnectAndLogin();
  bool Choose();
  Ids ReadIds();
  bool OpenLedger();
  bool SeedLedger(std::string* error);
  bool SkippedByOldRules() const;
  void PruneLedger();
  bool ChooseByLedger();
  bool ChooseNewerMessages();
  bool ChooseAllMessages();
  void FetchAll();
  bool FetchOne(Chosen& chosen);
  bool FetchAndStore(Chosen& chosen);
  bool StoreFetched(Chosen& chosen);
  bool SkipRefused(const Chosen& chosen);
  bool LeaveTooLarge(const Chosen& chosen, long long size);
  bool OutOfMemory(const Chosen& chosen);
  StoreOutcome StoreMessage(const Chosen& chosen);
  void AdvanceMailDate(const Chosen& chosen);
  void Finish();

  TReveiveEMailThread& owner_;
  const ReceiveContext& context_;
  maillib::TRapPOP client_;
  maillib::TRapMsg msg_;
  std::vector<Chosen> chosen_;     // ascending message numbers
  std::vector<std::string> uids_;  // the server's ids by message number (index 0 unused)
  std::set<std::string> ledger_;   // the ids of messages stored already
  bool useLedger_ = false;         // the server gave ids: the ledger decides
  std::int64_t total_ = 0;         // bytes to fetch
  std::int64_t received_ = 0;      // bytes fetched so far in this run
  int ordinal_ = 0;                // 1-based ordinal of the message being fetched
  bool inRetrieve_ = false;        // a RETR answer is being read
  bool missed_ = false;  // a chosen message was not stored (store failure, skipped, too large)
  std::time_t mark_;     // the Mail_Date this run last wrote (or started with)
};

TReveiveEMailThread::Session::Session(TReveiveEMailThread& owner)
    : owner_(owner), context_(owner.context_), mark_(owner.info_.LastMailDate) {
  std::lock_guard<std::mutex> lock(owner_.clientMutex_);
  owner_.client_ = &client_;
}

TReveiveEMailThread::Session::~Session() {
  std::lock_guard<std::mutex> lock(owner_.clientMutex_);
  owner_.client_ = nullptr;
}

// The server refused to send a message (-ERR) or sent no line of it, and the dialogue is still
// in step: a failure of that message, not of the connection.
bool TReveiveEMailThread::Session::MessageRefused() const {
  const maillib::TMailFailure failure = client_.LastFailure();
  return client_.IsConnected() && (failure == maillib::TMailFailure::ServerError ||
                                   failure == maillib::TMailFailure::NoData);
}

void TReveiveEMailThread::Session::Report(const std::string& text) {
  if (context_.reports != nullptr) context_.reports->Status(Account(), text);
}

void TReveiveEMailThread::Session::Trace(const std::string& text) {
  maillib::TraceTo(context_.trace, "receive " + Account() + ": " + text);
}

std::string TReveiveEMailThread::Session::MessageName(const Chosen& chosen) const {
  std::string name =
      "message " + std::to_string(ordinal_) + " (number " + std::to_string(chosen.number);
  if (!chosen.uid.empty()) name += ", id " + chosen.uid;
  return name + ")";
}

void TReveiveEMailThread::Session::SetUpClient() {
  const TOnlyPOPReceivInformation& info = owner_.info_;
  const PopEndpoint endpoint = PopEndpointOf(info);
  client_.Host = endpoint.host;
  client_.Port = endpoint.port;
  if (endpoint.tls) client_.TCPClient().UseTls();
  client_.UserId = info.UserName;
  client_.UserPasswd = info.Password;
  client_.IsAPOP = false;
  client_.EmailAddress = info.MailAccount;
  client_.OnRecvRawMailInByte = [this](maillib::TRapPOP&, std::int64_t bytes) {
    received_ += bytes;
    if (received_ > 0) Report(ProgressText(ordinal_, received_, total_));
  };
  // Connect clears the client's cancel flag; a cancel that came just before must not be lost.
  client_.OnConnect = [this](maillib::TRapPOP& client) {
    if (Canceled()) client.Cancel = true;
  };
  if (context_.configureClient) context_.configureClient(client_);
}

bool TReveiveEMailThread::Session::ConnectAndLogin() {
  Report(kConnecting);
  if (client_.ConnectAndLogin() && !Canceled()) return true;
  // A run the user abandoned says nothing more.
  if (Canceled() || client_.LastFailure() == maillib::TMailFailure::Canceled) return false;
  // What the user can do about it (an authorization code, a certificate to check) follows
  // the status when the failure tells.
  const std::string advice =
      maillib::FailureAdvice(client_.LastFailure(), client_.LastFailureText(), client_.Host);
  const std::string hint = advice.empty() ? std::string() : " " + advice;
  if (client_.LastFailure() == maillib::TMailFailure::LoginRefused) {
    owner_.loginFailed_ = true;
    Report(kLoginFailed + hint);
  } else {
    owner_.connectFailed_ = true;
    Report(kConnectFailed + hint);
  }
  return false;
}

// With the server's unique ids the ledger decides what is fetched and what may be deleted; a
// server without UIDL keeps the rules by Date (mail kept) and by Message-ID (mail taken).
bool TReveiveEMailThread::Session::Choose() {
  Report(KeepsMail() ? kCheckingNew : kTakingNew);
  switch (ReadIds()) {
    case Ids::Known:
      useLedger_ = true;
      return OpenLedger() && ChooseByLedger();
    case Ids::Unsupported:
      return KeepsMail() ? ChooseNewerMessages() : ChooseAllMessages();
    case Ids::Failed:
      break;
  }
  return false;
}

// An error answer means a server without UIDL. An answer that is no valid list of the
// mailbox's ids ends the run before anything is fetched or deleted.
TReveiveEMailThread::Session::Ids TReveiveEMailThread::Session::ReadIds() {
  std::vector<maillib::Pop3UidlEntry> entries;
  if (Canceled()) return Ids::Failed;
  if (client_.Uidl(entries)) {
    if (IdsByNumber(entries, client_.MessageCount, &uids_)) return Ids::Known;
  } else if (client_.LastFailure() == maillib::TMailFailure::ServerError) {
    return Ids::Unsupported;
  } else if (client_.LastFailure() != maillib::TMailFailure::ProtocolError) {
    return Ids::Failed;  // the connection failed, or the run was canceled
  }
  Report(kUnreadableList);
  Trace("the UIDL answer does not list the mailbox's " + std::to_string(client_.MessageCount) +
        " messages with distinct ids (" + client_.LastFailureText() +
        "); nothing fetched or deleted");
  return Ids::Failed;
}

// Reads the account's ledger, seeding it first for an inbox from before the ledger, and prunes
// the ids no longer on the server. A database error ends the run before anything is fetched
// or deleted.
bool TReveiveEMailThread::Session::OpenLedger() {
  std::string error;
  bool inUse = false;
  if (context_.mail == nullptr) {
    error = "no mail database";
  } else if (store::IsLedgerInUse(*context_.mail, Account(), &inUse, &error) &&
             (inUse || SeedLedger(&error)) &&
             store::LoadLedger(*context_.mail, Account(), &ledger_, &error)) {
    PruneLedger();
    return true;
  }
  // A seeding cut by the connection leaves no error: the client's failure ends the run.
  if (!error.empty()) Trace("the ledger of unique ids cannot be used: " + error);
  return false;
}

// An inbox from before the ledger: the ledger starts from what the rules used until then skip,
// so this first run with ids neither fetches the whole mailbox again nor stores twice. TOP n 0
// of every message, once: a message whose Message-ID the inbox holds for this account (both
// modes) or, with mail kept, one with a readable Date not later than Mail_Date, is recorded as
// stored (and with mail taken is then deleted, as those rules did after fetching it). The others
// are fetched, among them the ones those rules never took: no Date, an unreadable Date. A header
// the server refuses to send leaves its message to be fetched. The ids and the in-use mark
// commit together, so a run cut short before seeds again the next time.
bool TReveiveEMailThread::Session::SeedLedger(std::string* error) {
  std::vector<std::string> skipped;
  for (int n = 1; n <= client_.MessageCount; ++n) {
    if (Canceled()) return false;
    if (!client_.Retrieve(n, true, msg_)) {
      if (MessageRefused()) continue;
      return false;
    }
    msg_.Parse();
    if (SkippedByOldRules()) skipped.push_back(uids_[static_cast<std::size_t>(n)]);
  }
  store::Transaction unit(*context_.mail);
  if (!unit.Active()) return *error = unit.Error(), false;
  for (const std::string& uid : skipped) {
    if (!store::RecordUidl(*context_.mail, Account(), uid, error)) return false;
  }
  if (!store::MarkLedgerInUse(*context_.mail, Account(), error)) return false;
  return unit.Commit() || (*error = unit.Error(), false);
}

bool TReveiveEMailThread::Session::SkippedByOldRules() const {
  if (IsAlreadyStored(*context_.mail, msg_.MessageId, Account())) return true;
  const bool readable = msg_.Date != 0 && msg_.Date != maillib::MissingMailDate() &&
                        msg_.Date != maillib::UnreadableMailDate();
  return KeepsMail() && readable && msg_.Date <= owner_.info_.LastMailDate;
}

// Ids no longer on the server (deleted there, or by an earlier run taking mail) are dropped.
// A failure only leaves them for the next run: an id the server no longer lists decides nothing.
void TReveiveEMailThread::Session::PruneLedger() {
  const std::set<std::string> onServer(uids_.begin() + 1, uids_.end());
  std::string error;
  if (!store::PruneLedger(*context_.mail, Account(), onServer, &error))
    Trace("the ledger of unique ids was not pruned: " + error);
}

// Every message whose id the ledger lacks is chosen. With mail taken, a message the ledger
// holds was stored by an earlier run that ended before QUIT: it is deleted without fetching.
bool TReveiveEMailThread::Session::ChooseByLedger() {
  for (int n = 1; n <= client_.MessageCount; ++n) {
    const std::string& uid = uids_[static_cast<std::size_t>(n)];
    if (!ledger_.contains(uid)) {
      chosen_.push_back({n, std::nullopt, false, uid});
    } else if (!KeepsMail() && (Canceled() || !client_.Delete(n))) {
      return false;
    }
  }
  for (const Chosen& c : chosen_)
    total_ += std::max<long long>(0, client_.MessageSize(c.number));
  return !Canceled();
}

// No ids, mail kept on the server: the messages whose Date is later than the last-mail date,
// read from their headers. A header that cannot be fetched ends the run before anything is
// fetched, so no message is passed over.
bool TReveiveEMailThread::Session::ChooseNewerMessages() {
  for (int n = 1; n <= client_.MessageCount; ++n) {
    if (Canceled() || !client_.Retrieve(n, true, msg_)) return false;
    msg_.Parse();
    const std::time_t date = MessageDate(msg_);
    if (date <= owner_.info_.LastMailDate) continue;
    chosen_.push_back({n, date, false, std::string()});
    total_ += std::max<long long>(0, client_.MessageSize(n));
  }
  return true;
}

// No ids, mail taken from the server: every message, with the sizes from LIST.
bool TReveiveEMailThread::Session::ChooseAllMessages() {
  if (client_.MessageCount <= 0) return true;
  maillib::StringList lines;
  if (Canceled() || !client_.List(lines)) return false;
  total_ = SumOfSizes(lines);
  for (int n = 1; n <= client_.MessageCount; ++n)
    chosen_.push_back({n, std::nullopt, false, std::string()});
  return true;
}

void TReveiveEMailThread::Session::Execute() {
  SetUpClient();
  if (!ConnectAndLogin()) return Finish();
  if (!Choose()) {
    owner_.interrupted_ = true;
  } else if (chosen_.empty()) {
    Report(kNoNewMail);
  } else {
    FetchAll();
  }
  Finish();
}

// Highest number first. A lost connection, a refused DELE or a cancel ends the loop: what is
// stored stays stored, and a message not stored is never deleted.
void TReveiveEMailThread::Session::FetchAll() {
  for (auto it = chosen_.rbegin(); it != chosen_.rend(); ++it) {
    ++ordinal_;
    if (!FetchOne(*it)) {
      owner_.interrupted_ = true;
      return;
    }
  }
}

// One message; false ends the loop. Memory running out with one message (a huge part being
// decoded) is that message's failure, not the program's: it stays on the server and is tried
// again next time.
bool TReveiveEMailThread::Session::FetchOne(Chosen& chosen) {
  try {
    return FetchAndStore(chosen);
  } catch (const std::bad_alloc&) {
    return OutOfMemory(chosen);
  }
}

bool TReveiveEMailThread::Session::OutOfMemory(const Chosen& chosen) {
  const bool cutRead = inRetrieve_;
  inRetrieve_ = false;
  msg_.Clear(true, true);  // gives back what the message held
  missed_ = true;
  Report(StoreFailedText(ordinal_, kOutOfMemory));
  Trace(MessageName(chosen) + ": out of memory" + (cutRead ? " while it was read" : ""));
  if (!cutRead) return true;
  // The answer was left part-way: the rest of it would be read as the server's replies. The
  // connection is closed without QUIT, so the server deletes nothing of this run; the next run
  // finds the messages stored so far stored.
  client_.TCPClient().Disconnect();
  return false;
}

bool TReveiveEMailThread::Session::FetchAndStore(Chosen& chosen) {
  if (Canceled()) return false;
  const long long size = client_.MessageSize(chosen.number);
  if (size > maillib::kMaxMessageBytes) return LeaveTooLarge(chosen, size);
  inRetrieve_ = true;
  const bool fetched = client_.Retrieve(chosen.number, false, msg_);
  inRetrieve_ = false;
  if (!fetched) return SkipRefused(chosen);
  if (context_.beforeParse) context_.beforeParse(chosen.number);
  return StoreFetched(chosen);
}

// Parses and stores a fetched message and, when mail is taken, deletes it from the server.
bool TReveiveEMailThread::Session::StoreFetched(Chosen& chosen) {
  // Every text field is UTF-8 once parsed, whatever charset the message declares, so no
  // conversion of the bodies is left to do here.
  msg_.Parse();
  chosen.date = MessageDate(msg_);
  switch (StoreMessage(chosen)) {
    case StoreOutcome::Stored:
      ++owner_.stored_;
      break;
    case StoreOutcome::AlreadyStored:
      // Without ids: stored by an earlier run that ended before the server deleted it;
      // handled like a message stored now, but not counted as new.
      break;
    case StoreOutcome::Failed:
      return true;  // it stays on the server; go on with the next one
  }
  chosen.stored = true;
  AdvanceMailDate(chosen);
  if (KeepsMail()) return true;
  // No DELE after a cancel: the message is stored, and the next run finds it stored.
  return !Canceled() && client_.Delete(chosen.number);
}

// A message the server refuses to send or sends empty is skipped: the run goes on, and it is
// tried again next time (it is not in the ledger; without ids the safe mark stays below it).
// A lost connection or a cancel ends the loop.
bool TReveiveEMailThread::Session::SkipRefused(const Chosen& chosen) {
  if (Canceled() || !MessageRefused()) return false;
  missed_ = true;
  Report(SkippedText(ordinal_));
  Trace(MessageName(chosen) + ": the server did not send it: " + client_.LastFailureText());
  return true;
}

// A message over the size limit is not fetched: it stays on the server, unrecorded.
bool TReveiveEMailThread::Session::LeaveTooLarge(const Chosen& chosen, long long size) {
  missed_ = true;
  total_ = std::max<std::int64_t>(0, total_ - size);
  Report(TooLargeText(ordinal_, size));
  Trace(MessageName(chosen) + ": " + std::to_string(size) + " bytes, over the limit of " +
        std::to_string(maillib::kMaxMessageBytes) + "; left on the server");
  return true;
}

StoreOutcome TReveiveEMailThread::Session::StoreMessage(const Chosen& chosen) {
  std::string error = "no mail database";
  StoreOutcome outcome = StoreOutcome::Failed;
  if (context_.mail != nullptr) {
    ReceiveStore store(*context_.mail, context_.mailFileFolder);
    outcome = store.Store(msg_, Account(), chosen.uid);
    error = store.Error();
  }
  if (outcome != StoreOutcome::Failed) return outcome;
  missed_ = true;
  Report(StoreFailedText(ordinal_, error));
  Trace(MessageName(chosen) + ": not stored: " + error);
  return outcome;
}

// Mail_Date moves to a later Date as soon as a message is stored. With ids it is the newest
// Date stored, and no longer decides what is fetched. Without ids it is the safe mark, so a run
// cut short (or a killed program) keeps its progress, yet never passes a chosen message that is
// not stored: the next run fetches those again, and the ones already stored are recognised and
// not stored twice. After a complete run the mark is the newest stored date.
void TReveiveEMailThread::Session::AdvanceMailDate(const Chosen& chosen) {
  const std::optional<std::time_t> mark = useLedger_ ? chosen.date : SafeMark(chosen_);
  if (!mark || *mark <= mark_) return;
  mark_ = *mark;
  // A failed update is not fatal: the next run starts from the older date and finds the
  // messages stored since then already stored.
  if (context_.account != nullptr) UpdateMailDate(*context_.account, Account(), mark_);
}

// QUIT while the dialogue is still in step, also after a cancel: the server then removes the
// messages this run stored and marked for deletion. After a cut read the client has closed the
// connection without QUIT, the server keeps every message, and the next run recognises the
// stored ones and deletes them then. The count follows the QUIT, when the server's part is done.
void TReveiveEMailThread::Session::Finish() {
  if (client_.IsConnected()) client_.Quit();
  if (owner_.stored_ > 0) {
    if (context_.reports != nullptr) context_.reports->Received(Account(), owner_.stored_);
  } else if (!chosen_.empty() && !owner_.interrupted_ && !missed_) {
    // Every chosen message had been stored by an earlier run.
    Report(kNoNewMail);
  }
}

// ---- the worker ----

TReveiveEMailThread::TReveiveEMailThread(const TOnlyPOPReceivInformation& info,
                                         ReceiveContext context)
    : info_(info), context_(std::move(context)) {}

TReveiveEMailThread::~TReveiveEMailThread() {
  Cancel();
  Join();
}

void TReveiveEMailThread::Start() {
  if (started_.exchange(true)) return;
  finished_ = false;
  thread_ = std::thread([this] { Execute(); });
}

void TReveiveEMailThread::Run() {
  if (started_.exchange(true)) return;
  finished_ = false;
  Execute();
}

void TReveiveEMailThread::Cancel() {
  cancel_ = true;
  std::lock_guard<std::mutex> lock(clientMutex_);
  // Abort also ends a wait on a silent server at once, not only at the server's next line.
  if (client_ != nullptr) client_->Abort();
}

void TReveiveEMailThread::Join() {
  std::lock_guard<std::mutex> lock(joinMutex_);
  if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
}

// An exception leaving the thread's function would end the whole program (std::terminate).
// One that gets this far (memory ran out outside the steps of one message) ends this run only,
// as interrupted: what is stored stays stored, the connection closes without QUIT so the
// server deletes nothing of this run, and the next run goes on from the ledger or Mail_Date.
void TReveiveEMailThread::Execute() {
  try {
    if (!cancel_) {
      Session session(*this);
      session.Execute();
    }
  } catch (const std::exception& e) {
    interrupted_ = true;
    maillib::TraceTo(context_.trace, "receive " + info_.MailAccount + ": run ended: " + e.what());
  } catch (...) {
    // Nothing else is thrown by the code below; whatever it was, the run is over.
    interrupted_ = true;
  }
  finished_ = true;
}

}  // namespace receive
