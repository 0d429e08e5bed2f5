#include "store/SearchRows.h"

#include <ctime>

#include "store/DateTimeText.h"

namespace store {

std::int64_t SearchTimeKey(const std::string& sendDateTime) {
  std::time_t when = 0;
  if (!ParseDateTime(sendDateTime, &when) || when < 0) return 0;
  return static_cast<std::int64_t>(when);
}

void FillMessage(const SearchStatement& row, int first, PendingMessage* message) {
  message->sender = row.Text(first);
  message->receiver = row.Text(first + 1);
  message->mailcc = row.Text(first + 2);
  message->mailBcc = row.Text(first + 3);
  message->subject = row.Text(first + 4);
  message->content = row.Text(first + 5);
  message->fuJianPath = row.Text(first + 6);
  message->sendDateTime = row.Text(first + 7);
}

bool MessageReader::Read(std::int64_t rowKey, PendingMessage* message, bool* present) {
  *present = false;
  if (rowKey < 0) return true;
  const auto box = static_cast<std::size_t>(rowKey % kRowKeyBoxes);
  if (box >= kBoxCount) return true;
  if (readers_[box] == nullptr)
    readers_[box] = std::make_unique<SearchStatement>(
        database_, std::string("SELECT ") + kMessageColumns + " FROM \"" + MailBoxTables()[box] +
                       "\" WHERE ID = ?1");
  SearchStatement& read = *readers_[box];
  if (!read.Ready()) return false;
  read.Reset();
  read.Bind(1, rowKey / kRowKeyBoxes);
  const int rc = read.Step();
  if (rc == SQLITE_DONE) return true;
  if (rc != SQLITE_ROW) return false;
  *present = true;
  message->box = static_cast<int>(box);
  message->id = static_cast<int>(rowKey / kRowKeyBoxes);
  FillMessage(read, 0, message);
  return true;
}

}  // namespace store
