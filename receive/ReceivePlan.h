// The plan of a receive, shared by the desktop schedule and `tvmail receive`: which accounts
// are received (all, one, or those the schedule times), what each worker is handed, and the
// text that announces a finished receive.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "receive/ReceiveEMailThread.h"
#include "receive/ReceiveInfo.h"
#include "receive/ReceiveWorkers.h"

namespace maillib {
class TraceSink;
}

namespace store {
class Database;
}

namespace receive {

// The schedule's slots: accounts beyond the tenth with an interval stay unscheduled.
inline constexpr int kScheduleSlots = 10;

// Every account with an address, in table order (receive-all). False on a database error;
// `records` then holds the accounts read so far.
[[nodiscard]] bool PlanAll(store::Database& account,
                           std::vector<TOnlyPOPReceivInformation>* records);
// The account with this address (one account, and the slot handler's fresh read). False when
// there is none or on a database error.
[[nodiscard]] bool PlanOne(store::Database& account, const std::string& address,
                           TOnlyPOPReceivInformation* record);
// The accounts the schedule times, in order: the first kScheduleSlots with a positive
// interval. An account received on demand (interval "0", or text that is no positive number,
// which would make a timer that fires without pause) gets no slot.
std::vector<TOnlyPOPReceivInformation> PlanScheduled(
    const std::vector<TOnlyPOPReceivInformation>& all);
// The slot timer interval of an account's minutes: minutes × 60000 ms, kept within what a
// timer can hold; 0 when the account has no usable interval (0 or less).
int SlotIntervalMs(int minutes);

// What a worker is handed: the program's databases, the mail-file folder below the program
// folder, where its reports and its trace go. The client set-up is the caller's.
ReceiveContext MakeReceiveContext(store::Database& mail, store::Database& account,
                                  const std::string& programFolder, ReceiveReports* reports,
                                  maillib::TraceSink* trace);

// Starts one worker per record with an address, all at once; the workers started, in order.
std::vector<std::shared_ptr<const TReveiveEMailThread>> StartAll(
    ReceiveWorkers& workers, const std::vector<TOnlyPOPReceivInformation>& records,
    const ReceiveContext& context);

// "您收到" + count + "封邮件": the end of a receive that stored mail.
std::string ReceivedText(int count);

}  // namespace receive
