// The rows behind the search index: RowKeys, send-time keys and the reading of a message's
// indexed columns from its box table. Shared by the index's writer and its search. No Qt here.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "store/Database.h"
#include "store/SearchIndex.h"
#include "store/SearchStatement.h"

namespace store {

inline constexpr int kRowKeyBoxes = 8;  // RowKey = ID * 8 + the box's place in MailBoxTables()
inline constexpr std::size_t kBoxCount = 7;

// The indexed columns in the order FillMessage reads them.
inline constexpr const char* kMessageColumns =
    "Sender, Receiver, Mailcc, MailBcc, MailSubject, Content, FuJianPath, SendDateTime";

// The send time in seconds since 1970; dates before it and texts that are no date count as 0.
std::int64_t SearchTimeKey(const std::string& sendDateTime);

// Reads the kMessageColumns starting at column `first` into the message.
void FillMessage(const SearchStatement& row, int first, PendingMessage* message);

// Reads messages by RowKey, one prepared statement per box table.
class MessageReader {
 public:
  explicit MessageReader(Database& database) : database_(database) {}

  // The message of the RowKey into *message and *present = true when its row is there; false
  // on a database error.
  bool Read(std::int64_t rowKey, PendingMessage* message, bool* present);

 private:
  Database& database_;
  std::array<std::unique_ptr<SearchStatement>, kBoxCount> readers_;
};

}  // namespace store
