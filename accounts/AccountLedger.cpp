#include "accounts/AccountLedger.h"

#include "store/UidlLedger.h"

namespace accounts {
namespace {

// The same mailbox: the ledger belongs to the address together with the POP3 server.
bool SameMailbox(const AccountRow& a, const AccountRow& b) {
  return a.mailAccount == b.mailAccount && a.popServer == b.popServer;
}

bool Run(const LedgerCall& call, const char* step, const std::string& account, std::string* error) {
  std::string reason;
  if (account.empty() || !call || call(account, &reason)) return true;
  if (error != nullptr) {
    *error += (error->empty() ? "" : "; ") + std::string(step) + " '" + account + "': " + reason;
  }
  return false;
}

}  // namespace

LedgerSteps LedgerStepsOf(const AccountChange& change) {
  LedgerSteps steps;
  const auto& [before, after] = change;
  if (before && after && SameMailbox(*before, *after)) return steps;
  if (before) steps.forget = before->mailAccount;
  if (after) steps.start = after->mailAccount;
  return steps;
}

bool FollowLedger(const LedgerCalls& calls, const AccountChange& change, std::string* error) {
  const LedgerSteps steps = LedgerStepsOf(change);
  const bool forgotten = Run(calls.forget, "forget", steps.forget, error);
  // Started even when the forget failed: the new mailbox's ledger must begin all the same.
  const bool started = Run(calls.start, "start", steps.start, error);
  return forgotten && started;
}

LedgerCalls StoreLedgers(store::Database& mail) {
  LedgerCalls calls;
  calls.start = [&mail](const std::string& account, std::string* error) {
    return store::StartLedger(mail, account, error);
  };
  calls.forget = [&mail](const std::string& account, std::string* error) {
    return store::ForgetLedger(mail, account, error);
  };
  return calls;
}

}  // namespace accounts
