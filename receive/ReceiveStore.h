// Storing one received message: its raw bytes, attachments and embedded files in a sub-folder
// of its own below DB/EMF, and its Historys row, as one unit among the workers that share the
// database.
// Also the account's bookkeeping (Mail_Date) and the look-up that keeps a message that was
// stored already (a receive cut short before the server deleted it) from being stored twice.
#pragma once

#include <ctime>
#include <string>

namespace maillib {
class TRapMsg;
}
namespace store {
class Database;
class Query;
}  // namespace store

namespace receive {

struct HistorysRow;

enum class StoreOutcome {
  Stored,         // files written and row inserted
  AlreadyStored,  // a row with this Message-ID for this account is in the inbox; nothing written
  Failed,         // a file or the row could not be written; nothing of the message is left
};

class ReceiveStore {
 public:
  ReceiveStore(store::Database& mail, std::string mailFileFolder);

  // Writes the files of the message into a new sub-folder (never shared with another message)
  // and inserts its row, MailFolder naming the sub-folder. The folder always holds the raw
  // message (kRawMessageFileName). Embedded files keep the names the HTML body refers to; an
  // attachment whose name is taken by one of them or by a file of the program (the raw
  // message, the reading page's "Tenvel.htm") is saved as "name(n).ext", shortened to fit
  // the file system. The files are on disk before the row commits. On failure removes what it
  // wrote; Error() then says what failed (the file and the system's reason, or the database's).
  // With the server's unique id (uid not empty) the id is recorded in the account's ledger in
  // the row's unit, and the ledger alone decides what is stored: the Message-ID look-up is
  // skipped, so a new message that reuses a Message-ID is stored. Without an id the look-up
  // decides (AlreadyStored).
  StoreOutcome Store(const maillib::TRapMsg& msg, const std::string& account,
                     const std::string& uid = std::string());
  const std::string& Error() const { return error_; }

 private:
  StoreOutcome Fail(const std::string& reason);

  store::Database& mail_;
  std::string mailFileFolder_;
  std::string error_;
};

// Inserts the inbox row of a received message ("MailUn", "S") with the receive statement. The
// caller makes it part of a unit. False, with the reason in insert.Error(), on failure.
[[nodiscard]] bool InsertHistorysRow(store::Query& insert, const HistorysRow& row);

// True when the inbox already holds a message with this non-empty Message-ID received by this
// account.
bool IsAlreadyStored(store::Database& mail, const std::string& messageId,
                     const std::string& account);

// Sets Mail_Date of the account to `date` (local date-time text). False on a database error.
bool UpdateMailDate(store::Database& account, const std::string& address, std::time_t date);

}  // namespace receive
