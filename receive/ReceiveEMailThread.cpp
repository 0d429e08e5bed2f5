#include "receive/ReceiveEMailThread.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

#include "maillib/RapMsg.h"
#include "maillib/RapPOP3.h"
#include "maillib/TextUtil.h"
#include "receive/ReceiveRow.h"
#include "receive/ReceiveStore.h"

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

}  // namespace

std::string StoreFailedText(int ordinal) {
  return "收取第" + std::to_string(ordinal) + "封邮件失败";
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
  bool Canceled() const { return owner_.cancel_; }
  bool KeepsMail() const { return owner_.info_.DeleteMode == kKeepOnServer; }
  void Report(const std::string& text);
  void SetUpClient();
  bool ConnectAndLogin();
  bool ChooseNewerMessages();
  bool ChooseAllMessages();
  void FetchAll();
  bool FetchOne(Chosen& chosen);
  StoreOutcome StoreMessage();
  void AdvanceMailDate();
  void Finish();

  TReveiveEMailThread& owner_;
  const ReceiveContext& context_;
  maillib::TRapPOP client_;
  maillib::TRapMsg msg_;
  std::vector<Chosen> chosen_;  // ascending message numbers
  std::int64_t total_ = 0;      // bytes to fetch
  std::int64_t received_ = 0;   // bytes fetched so far in this run
  int ordinal_ = 0;             // 1-based ordinal of the message being fetched
  bool storeFailed_ = false;
  std::time_t mark_;  // the Mail_Date this run last wrote (or started with)
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

void TReveiveEMailThread::Session::Report(const std::string& text) {
  if (context_.reports != nullptr) context_.reports->Status(owner_.info_.MailAccount, text);
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
  if (client_.LastFailure() == maillib::TMailFailure::LoginRefused) {
    owner_.loginFailed_ = true;
    Report(kLoginFailed);
  } else {
    owner_.connectFailed_ = true;
    Report(kConnectFailed);
  }
  return false;
}

// Mail kept on the server: the messages whose Date is later than the last-mail date, read from
// their headers. A header that cannot be fetched ends the run before anything is fetched, so
// no message is passed over.
bool TReveiveEMailThread::Session::ChooseNewerMessages() {
  Report(kCheckingNew);
  for (int n = 1; n <= client_.MessageCount; ++n) {
    if (Canceled() || !client_.Retrieve(n, true, msg_)) return false;
    msg_.Parse();
    const std::time_t date = MessageDate(msg_);
    if (date <= owner_.info_.LastMailDate) continue;
    chosen_.push_back({n, date, false});
    total_ += std::max<long long>(0, client_.MessageSize(n));
  }
  return true;
}

// Mail taken from the server: every message, with the sizes from LIST.
bool TReveiveEMailThread::Session::ChooseAllMessages() {
  Report(kTakingNew);
  if (client_.MessageCount <= 0) return true;
  maillib::StringList lines;
  if (Canceled() || !client_.List(lines)) return false;
  total_ = SumOfSizes(lines);
  for (int n = 1; n <= client_.MessageCount; ++n)
    chosen_.push_back({n, std::nullopt, false});
  return true;
}

void TReveiveEMailThread::Session::Execute() {
  SetUpClient();
  if (!ConnectAndLogin()) return Finish();
  const bool chose = KeepsMail() ? ChooseNewerMessages() : ChooseAllMessages();
  if (!chose) {
    owner_.interrupted_ = true;
  } else if (chosen_.empty()) {
    Report(kNoNewMail);
  } else {
    FetchAll();
  }
  Finish();
}

// Highest number first. A fetch error, a refused DELE or a cancel ends the loop: what is stored
// stays stored, and a message not stored is never deleted.
void TReveiveEMailThread::Session::FetchAll() {
  for (auto it = chosen_.rbegin(); it != chosen_.rend(); ++it) {
    ++ordinal_;
    if (!FetchOne(*it)) {
      owner_.interrupted_ = true;
      return;
    }
  }
}

// Fetches, stores and (when mail is taken) deletes one message; false ends the loop.
bool TReveiveEMailThread::Session::FetchOne(Chosen& chosen) {
  if (Canceled() || !client_.Retrieve(chosen.number, false, msg_)) return false;
  // Every text field is UTF-8 once parsed, whatever charset the message declares, so no
  // conversion of the bodies is left to do here.
  msg_.Parse();
  chosen.date = MessageDate(msg_);
  switch (StoreMessage()) {
    case StoreOutcome::Stored:
      ++owner_.stored_;
      break;
    case StoreOutcome::AlreadyStored:
      // Stored by an earlier run that ended before the server deleted it: handled like a
      // message stored now, but not counted as new.
      break;
    case StoreOutcome::Failed:
      storeFailed_ = true;
      Report(StoreFailedText(ordinal_));
      return true;  // it stays on the server; go on with the next one
  }
  chosen.stored = true;
  AdvanceMailDate();
  if (KeepsMail()) return true;
  // No DELE after a cancel: the message is stored, and the next run finds it stored.
  return !Canceled() && client_.Delete(chosen.number);
}

StoreOutcome TReveiveEMailThread::Session::StoreMessage() {
  if (context_.mail == nullptr) return StoreOutcome::Failed;
  ReceiveStore store(*context_.mail, context_.mailFileFolder);
  return store.Store(msg_, owner_.info_.MailAccount);
}

// Mail_Date moves to the safe mark as soon as it grows, so a run cut short (or a killed
// program) keeps its progress, yet never passes a chosen message that is not stored: the next
// run fetches those again, and the ones already stored are recognised and not stored twice.
// After a complete run the mark is the newest stored date.
void TReveiveEMailThread::Session::AdvanceMailDate() {
  const std::optional<std::time_t> mark = SafeMark(chosen_);
  if (!mark || *mark <= mark_) return;
  mark_ = *mark;
  // A failed update is not fatal: the next run starts from the older date and finds the
  // messages stored since then already stored.
  if (context_.account != nullptr)
    UpdateMailDate(*context_.account, owner_.info_.MailAccount, mark_);
}

// QUIT while the dialogue is still in step, also after a cancel: the server then removes the
// messages this run stored and marked for deletion. After a cut read the client has closed the
// connection without QUIT, the server keeps every message, and the next run recognises the
// stored ones and deletes them then. The count follows the QUIT, when the server's part is done.
void TReveiveEMailThread::Session::Finish() {
  if (client_.IsConnected()) client_.Quit();
  if (owner_.stored_ > 0) {
    if (context_.reports != nullptr)
      context_.reports->Received(owner_.info_.MailAccount, owner_.stored_);
  } else if (!chosen_.empty() && !owner_.interrupted_ && !storeFailed_) {
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

void TReveiveEMailThread::Execute() {
  if (!cancel_) {
    Session session(*this);
    session.Execute();
  }
  finished_ = true;
}

}  // namespace receive
