// The ledger of the server's unique ids (POP3 UIDL) per account, in table UidlLedger of the
// mail database: which messages of the account's mailbox are stored in the inbox already.
// A receive decides by it what to fetch and what may be deleted from the server.
#pragma once

#include <set>
#include <string>

#include "store/Database.h"

namespace store {

// Every row belongs to one account (MailAccount, compared without regard to letter case) and
// holds one id (compared exactly, as POP3 ids are) with the moment it was stored. The row with
// an empty id is the mark that the account's ledger is in use: a receive keeps it up to date,
// so an id missing from it is a message not stored yet.
inline constexpr const char* kLedgerTable = "UidlLedger";

// Deletes the account's rows and writes the in-use mark: for a new account, and when an edit
// changes the address or the POP3 server (the old mailbox's ids say nothing about the new one).
[[nodiscard]] bool StartLedger(Database& mail, const std::string& account,
                               std::string* error = nullptr);
// Deletes every row of the account, the mark included (the account is removed).
[[nodiscard]] bool ForgetLedger(Database& mail, const std::string& account,
                                std::string* error = nullptr);
// Writes the in-use mark, keeping the ids (the first receive that filled the ledger).
[[nodiscard]] bool MarkLedgerInUse(Database& mail, const std::string& account,
                                   std::string* error = nullptr);

// *inUse tells whether the account's mark is there. False only on a database error.
[[nodiscard]] bool IsLedgerInUse(Database& mail, const std::string& account, bool* inUse,
                                 std::string* error = nullptr);
// Replaces *ids with the account's ids (the mark not included).
[[nodiscard]] bool LoadLedger(Database& mail, const std::string& account,
                              std::set<std::string>* ids, std::string* error = nullptr);
// Records one stored id with the current time. Run it inside the caller's Transaction that
// inserts the message, so the id and the row commit together. An id recorded already stays.
[[nodiscard]] bool RecordUidl(Database& mail, const std::string& account, const std::string& uid,
                              std::string* error = nullptr);
// Deletes the account's ids that are not in onServer (messages gone from the server), keeping
// the mark. One unit.
[[nodiscard]] bool PruneLedger(Database& mail, const std::string& account,
                               const std::set<std::string>& onServer, std::string* error = nullptr);

}  // namespace store
