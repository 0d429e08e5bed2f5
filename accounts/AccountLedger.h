// The ledger of a server's unique ids that the receive worker keeps per account belongs to the
// account's address and POP3 server. Every change of the account list keeps it with them: a
// new account starts one, an edit that changes the address or the POP3 server starts it afresh
// (so the old mailbox's history never hides the new one's mail), a removed account forgets it.
#pragma once

#include <functional>
#include <string>

#include "accounts/AccountRows.h"

namespace store {
class Database;
}

namespace accounts {

// One ledger operation for one account address; false on failure, with the reason in *error.
using LedgerCall = std::function<bool(const std::string& account, std::string* error)>;

// The two ledger operations. Unset: nothing to do.
struct LedgerCalls {
  LedgerCall start;
  LedgerCall forget;
};

// The ledgers one change ends and starts (empty: none).
struct LedgerSteps {
  std::string forget;
  std::string start;
};
LedgerSteps LedgerStepsOf(const AccountChange& change);

// Runs the steps of the change, the forget first. False when a call failed; `error` (may be
// null) then names the step and its reason.
[[nodiscard]] bool FollowLedger(const LedgerCalls& calls, const AccountChange& change,
                                std::string* error = nullptr);

// The ledger operations of the mail database (DB/MsgEx.mdb), where the receive worker keeps
// the ledger. The database must outlive the calls.
LedgerCalls StoreLedgers(store::Database& mail);

}  // namespace accounts
