#include "receive/ReceivePlan.h"

#include <algorithm>
#include <climits>

#include "accounts/AccountRows.h"
#include "store/DataFiles.h"
#include "store/Query.h"

namespace receive {
namespace {

constexpr long long kMinuteMs = 60000;

}  // namespace

bool PlanAll(store::Database& account, std::vector<TOnlyPOPReceivInformation>* records) {
  store::Query query(account);
  std::vector<accounts::AccountRow> rows;
  const bool ok = accounts::ListAddressedAccounts(query, &rows);
  for (const accounts::AccountRow& row : rows)
    records->push_back(ReceiveInfoFromRow(row));
  return ok;
}

bool PlanOne(store::Database& account, const std::string& address,
             TOnlyPOPReceivInformation* record) {
  store::Query query(account);
  accounts::AccountRow row;
  if (!accounts::FindAccountByAddress(query, address, &row)) return false;
  *record = ReceiveInfoFromRow(row);
  return true;
}

std::vector<TOnlyPOPReceivInformation> PlanScheduled(
    const std::vector<TOnlyPOPReceivInformation>& all) {
  std::vector<TOnlyPOPReceivInformation> scheduled;
  for (const TOnlyPOPReceivInformation& info : all) {
    if (scheduled.size() == static_cast<std::size_t>(kScheduleSlots)) break;
    if (SlotIntervalMs(info.Interval) > 0) scheduled.push_back(info);
  }
  return scheduled;
}

int SlotIntervalMs(int minutes) {
  if (minutes <= 0) return 0;
  return static_cast<int>(std::min<long long>(minutes * kMinuteMs, INT_MAX));
}

ReceiveContext MakeReceiveContext(store::Database& mail, store::Database& account,
                                  const std::string& programFolder, ReceiveReports* reports,
                                  maillib::TraceSink* trace) {
  ReceiveContext context;
  context.mail = &mail;
  context.account = &account;
  context.mailFileFolder = store::MailFileFolder(programFolder);
  context.reports = reports;
  context.trace = trace;
  return context;
}

std::vector<std::shared_ptr<const TReveiveEMailThread>> StartAll(
    ReceiveWorkers& workers, const std::vector<TOnlyPOPReceivInformation>& records,
    const ReceiveContext& context) {
  std::vector<std::shared_ptr<const TReveiveEMailThread>> started;
  for (const TOnlyPOPReceivInformation& info : records) {
    if (!info.MailAccount.empty()) started.push_back(workers.Start(info, context));
  }
  return started;
}

std::string ReceivedText(int count) {
  return "您收到" + std::to_string(count) + "封邮件";
}

}  // namespace receive
