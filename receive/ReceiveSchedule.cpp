#include "receive/ReceiveSchedule.h"

#include <vector>

#include "platform/Dialogs.h"
#include "receive/MailTixingFin.h"
#include "receive/ManualRec.h"
#include "receive/ReceivePlan.h"
#include "receive/ReceiveReportBridge.h"

namespace receive {
namespace {

constexpr const char* kBusyReceiving = "邮件接收中...请稍候!";
constexpr const char* kBusyChecking = "邮件检查中...请稍候!";
constexpr const char* kNoticeTitle = "提示";

store::Database* Open(const std::function<store::Database*()>& source) {
  return source ? source() : nullptr;
}

// Every account with an address, in table order; none while the database is not open.
std::vector<TOnlyPOPReceivInformation> AllAccounts(store::Database* account) {
  std::vector<TOnlyPOPReceivInformation> records;
  // After a database error part way the accounts read so far are still received: an error
  // reading one row is no reason to leave the others unreceived.
  if (account != nullptr) static_cast<void>(PlanAll(*account, &records));
  return records;
}

}  // namespace

ReceiveSchedule::ReceiveSchedule(QString programFolder, ReceiveDatabases databases, QWidget* window,
                                 QObject* parent)
    : QObject(parent),
      programFolder_(std::move(programFolder)),
      databases_(std::move(databases)),
      window_(window),
      bridge_(std::make_unique<ReceiveReportBridge>()),
      manualRec_(std::make_unique<TManualRec1>()),
      tixing_(std::make_unique<TMailTixing2Fin>()) {
  tmrAutoRecM.setInterval(kFirstReceiveAllMs);
  tmrStartCheckRecMailTime.setInterval(kBuilderMs);
  tmrStartCheckRecMailTime.setSingleShot(true);
  TmrOpenRevFrm.setInterval(kOpenerMs);
  TmrOpenRevFrm.setSingleShot(true);
  connect(&tmrAutoRecM, &QTimer::timeout, this, &ReceiveSchedule::ReceiveAll);
  connect(&tmrStartCheckRecMailTime, &QTimer::timeout, this, &ReceiveSchedule::BuildSchedule);
  connect(&TmrOpenRevFrm, &QTimer::timeout, this, &ReceiveSchedule::OpenProgressWindow);
  for (int k = 1; k <= kSlotCount; ++k) {
    auto& slot = slots_[static_cast<std::size_t>(k - 1)];
    slot = std::make_unique<ScheduleSlot>();
    slot->timer.setObjectName(QStringLiteral("slot%1").arg(k));  // the slot number is its tag
    connect(&slot->timer, &QTimer::timeout, this, [this, k] { SlotTimer(k); });
  }
  connect(bridge_.get(), &ReceiveReportBridge::status, this, &ReceiveSchedule::RouteStatus);
  connect(bridge_.get(), &ReceiveReportBridge::received, this, &ReceiveSchedule::RouteReceived);
  connect(manualRec_.get(), &TManualRec1::closedByUser, this, [this] { SetProgressMode(false); });
  connect(manualRec_.get(), &TManualRec1::cancelRequested, this,
          &ReceiveSchedule::ProgressCancelled);
}

ReceiveSchedule::~ReceiveSchedule() {
  workers_.CancelAll();
  workers_.JoinAll();
}

void ReceiveSchedule::StartReceiving() {
  if (autoReceive_) tmrAutoRecM.start();
  tmrStartCheckRecMailTime.start();
}

void ReceiveSchedule::RequestReceiveAll() {
  if (Receiving()) {
    BusyMessage(kBusyChecking);
    return;
  }
  tmrAutoRecM.start();
}

void ReceiveSchedule::ReceiveOne(const QString& address) {
  if (Receiving()) {
    BusyMessage(kBusyReceiving);
    return;
  }
  SetProgressMode(true);
  TOnlyPOPReceivInformation info;
  // An account that cannot be read is not received; there is nothing to tell beyond that.
  if (!ReadAccount(address.toStdString(), &info)) return;
  manualRec_->SetAccountLine(address);
  StartWorker(info);
}

void ReceiveSchedule::ResetSchedule() {
  StopSlots();
  tmrStartCheckRecMailTime.start();
}

void ReceiveSchedule::PrepareExit() {
  StopSlots();
  for (QTimer* timer : {&tmrAutoRecM, &tmrStartCheckRecMailTime, &TmrOpenRevFrm})
    timer->stop();
  workers_.CancelAll();
  manualRec_->close();
  tixing_->close();
}

void ReceiveSchedule::StopSlots() {
  for (auto& slot : slots_) {
    slot->timer.stop();
    slot->info = TOnlyPOPReceivInformation{};
  }
  slotsUsed_ = 0;
}

void ReceiveSchedule::BuildSchedule() {
  tmrStartCheckRecMailTime.stop();
  // Building again without a reset must not leave the old slots running beside the new ones.
  StopSlots();
  for (const TOnlyPOPReceivInformation& info :
       PlanScheduled(AllAccounts(Open(databases_.account)))) {
    ScheduleSlot& slot = Slot(++slotsUsed_);
    slot.info = info;
    slot.timer.setInterval(SlotIntervalMs(info.Interval));
  }
  for (int k = 1; k <= slotsUsed_; ++k)
    Slot(k).timer.start();
}

void ReceiveSchedule::SlotTimer(int k) {
  ScheduleSlot& slot = Slot(k);
  if (Receiving()) {
    // Never overlap a running receive: try again later.
    slot.timer.stop();
    slot.timer.setInterval(kRetryMs);
    slot.timer.start();
    return;
  }
  if (slot.info.MailAccount.empty()) return;
  SetProgressMode(false);
  TOnlyPOPReceivInformation fresh;
  // A database error (or an account removed meanwhile) skips this receive; the slot is armed
  // again all the same.
  if (ReadAccount(slot.info.MailAccount, &fresh)) {
    slot.info = fresh;
    StartWorker(slot.info);
  }
  slot.timer.stop();
  const int ms = SlotIntervalMs(slot.info.Interval);
  // An account whose automatic receive was switched off meanwhile keeps its slot stopped.
  if (ms == 0) return;
  slot.timer.setInterval(ms);
  slot.timer.start();
}

void ReceiveSchedule::ReceiveAll() {
  tmrAutoRecM.stop();
  tmrAutoRecM.setInterval(kReceiveAllMs);
  if (Receiving()) {
    BusyMessage(kBusyReceiving);
    return;
  }
  SetProgressMode(true);
  ReceiveContext context;
  if (!MakeContext(&context)) return;
  StartAll(workers_, AllAccounts(Open(databases_.account)), context);
}

void ReceiveSchedule::OpenProgressWindow() {
  TmrOpenRevFrm.stop();
  if (progressMode_) manualRec_->ShowAtCorner();
}

void ReceiveSchedule::RouteStatus(const QString& account, const QString& text) {
  // A scheduled receive shows no progress; only its final count is announced.
  if (!progressMode_) return;
  ShowProgress(account, text);
}

void ReceiveSchedule::RouteReceived(const QString& account, int count) {
  if (count > 0) emit mailStored(account, count);
  if (progressMode_) {
    ShowProgress(account, QString::fromStdString(ReceivedText(count)));
    if (soundOn_) PlaySound();
    return;
  }
  if (count <= 0) return;
  tixing_->ShowReceived(account, count);
  SetProgressMode(true);
  if (soundOn_) PlaySound();
}

void ReceiveSchedule::ShowProgress(const QString& account, const QString& status) {
  // Only a timer not yet running is started: reports arrive many times a second and would
  // otherwise keep pushing the opening further away.
  if (!manualRec_->isVisible() && !TmrOpenRevFrm.isActive()) TmrOpenRevFrm.start();
  manualRec_->SetAccountLine(account);
  manualRec_->SetStatusLine(status);
  manualRec_->StartTidyTimer();
}

void ReceiveSchedule::ProgressCancelled() {
  SetProgressMode(false);
  // A receive-all runs one worker per account: the cancel button ends all of them.
  workers_.CancelAll();
}

bool ReceiveSchedule::MakeContext(ReceiveContext* context) const {
  store::Database* mail = Open(databases_.mail);
  store::Database* account = Open(databases_.account);
  if (mail == nullptr || account == nullptr) return false;
  *context =
      MakeReceiveContext(*mail, *account, programFolder_.toStdString(), bridge_.get(), trace_);
  context->configureClient = clientSetup_;
  return true;
}

bool ReceiveSchedule::StartWorker(const TOnlyPOPReceivInformation& info) {
  ReceiveContext context;
  if (!MakeContext(&context)) return false;
  workers_.Start(info, context);
  return true;
}

bool ReceiveSchedule::ReadAccount(const std::string& address,
                                  TOnlyPOPReceivInformation* info) const {
  store::Database* account = Open(databases_.account);
  return account != nullptr && PlanOne(*account, address, info);
}

void ReceiveSchedule::BusyMessage(const char* text) {
  platform::CurrentDialogs().Message(window_, QString::fromUtf8(kNoticeTitle),
                                     QString::fromUtf8(text), platform::Buttons::Ok,
                                     platform::Icon::Information);
}

void ReceiveSchedule::PlaySound() {
  if (playSound_) {
    playSound_();
  } else {
    PlayNoticeSound(programFolder_);
  }
}

}  // namespace receive
