#include "store/SearchIndex.h"

#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

#include "store/SearchRows.h"
#include "store/SearchStatement.h"
#include "store/SearchTerms.h"
#include "store/Transaction.h"

namespace store {

namespace {

constexpr std::array<const char*, kBoxCount> kBoxTables = {
    "Historys",      "MailSendBox", "MailWaitDoBox", "MailOutlineBox",
    "MailBackupBox", "MailDelBox",  "BianQianBox"};

// The tables and triggers of the first index of this file format (a stored text per message
// under a trigram index), removed when a file that has them is opened.
constexpr std::array<const char*, 2> kFormerTables = {"MailSearchText", "MailSearchDoc"};
constexpr std::array<const char*, 4> kFormerTriggers = {"insert", "renumber", "update", "delete"};

// Threads besides the caller's that make terms, and the fewest messages worth a thread.
constexpr std::size_t kTermHelpers = 3;
constexpr std::size_t kMessagesPerHelper = 32;

bool Fail(Database& database, std::string* error) {
  if (error != nullptr) *error = database.ErrorText(sqlite3_errmsg(database.Handle()));
  return false;
}

std::string RowKeyOf(const char* id, std::size_t box) {
  return std::string(id) + " * " + std::to_string(kRowKeyBoxes) + " + " + std::to_string(box);
}

// Takes the message with this RowKey out of the answers: its place in MailSearchOrder goes and,
// when it was indexed, its old columns go to MailSearchStale for the next batch to remove its
// terms by. Every change of an indexed column passes here, so the old columns are the ones its
// terms were made of.
std::string RetireStatements(const std::string& rowKey) {
  return std::string("INSERT OR IGNORE INTO MailSearchStale (DocId, ") + kMessageColumns +
         ") SELECT DocId, old.Sender, old.Receiver, old.Mailcc, old.MailBcc, old.MailSubject, "
         "old.Content, old.FuJianPath, old.SendDateTime FROM MailSearchOrder WHERE RowKey = " +
         rowKey + "; DELETE FROM MailSearchOrder WHERE RowKey = " + rowKey + ";";
}

std::vector<std::string> TriggerStatements(const char* table, std::size_t box) {
  const std::string name = std::string("\"") + table + "_index_";
  const std::string on = std::string(" ON \"") + table + "\" BEGIN ";
  const std::string oldKey = RowKeyOf("old.ID", box);
  const std::string queueNew =
      "INSERT OR IGNORE INTO MailSearchPending (RowKey) VALUES (" + RowKeyOf("new.ID", box) + ");";
  const std::string dequeueOld = "DELETE FROM MailSearchPending WHERE RowKey = " + oldKey + ";";
  std::vector<std::string> statements;
  for (const char* former : kFormerTriggers)
    statements.push_back(std::string("DROP TRIGGER IF EXISTS \"") + table + "_search_" + former +
                         "\"");
  statements.push_back("CREATE TRIGGER IF NOT EXISTS " + name + "insert\" AFTER INSERT" + on +
                       queueNew + " END");
  // A changed ID (never done by the program) moves the message to another RowKey.
  statements.push_back("CREATE TRIGGER IF NOT EXISTS " + name + "renumber\" AFTER UPDATE OF ID" +
                       on + RetireStatements(oldKey) + dequeueOld + queueNew + " END");
  statements.push_back("CREATE TRIGGER IF NOT EXISTS " + name +
                       "update\" AFTER UPDATE OF Sender, Receiver, Mailcc, MailBcc, MailSubject, "
                       "Content, FuJianPath, SendDateTime" +
                       on + RetireStatements(oldKey) + queueNew + " END");
  statements.push_back("CREATE TRIGGER IF NOT EXISTS " + name + "delete\" AFTER DELETE" + on +
                       RetireStatements(oldKey) + dequeueOld + " END");
  return statements;
}

// Makes the terms of the texts of the messages on up to kTermHelpers threads, in their order,
// while the caller writes the ones made: the texts and their terms are most of a batch's work
// besides SQLite's, and need no database.
class TermMaker {
 public:
  TermMaker(const std::vector<PendingMessage>& messages, const SearchTextOf& textOf)
      : messages_(messages), textOf_(textOf), terms_(messages.size()), made_(messages.size()) {
    const unsigned cores = std::thread::hardware_concurrency();
    const std::size_t wanted = std::min<std::size_t>(cores > 1 ? cores - 1 : 0, kTermHelpers);
    for (std::size_t n = 0; n < wanted && messages.size() >= kMessagesPerHelper * (n + 1); ++n) {
      try {
        helpers_.emplace_back([this] {
          while (MakeNext()) {
          }
        });
      } catch (const std::system_error&) {
        break;  // no thread to be had: the caller makes the rest in Get
      }
    }
  }
  ~TermMaker() {
    next_ = messages_.size();  // the helpers stop after the message they are at
    for (std::thread& helper : helpers_)
      helper.join();
  }
  TermMaker(const TermMaker&) = delete;
  TermMaker& operator=(const TermMaker&) = delete;

  // The terms of message i, made here while they are not made yet and some remain unstarted.
  const std::string& Get(std::size_t i) {
    for (;;) {
      {
        std::unique_lock lock(mutex_);
        if (made_[i] != 0) return terms_[i];
        if (next_ >= messages_.size()) {
          madeOne_.wait(lock, [&] { return made_[i] != 0; });
          return terms_[i];
        }
      }
      MakeNext();
    }
  }

 private:
  // Makes the terms of the next unstarted message; false when none is left.
  bool MakeNext() {
    const std::size_t i = next_++;
    if (i >= messages_.size()) return false;
    std::string terms = SearchTermsOf(textOf_(messages_[i]));
    {
      std::lock_guard lock(mutex_);
      terms_[i] = std::move(terms);
      made_[i] = 1;
    }
    madeOne_.notify_all();
    return true;
  }

  const std::vector<PendingMessage>& messages_;
  const SearchTextOf& textOf_;
  std::vector<std::string> terms_;
  std::vector<char> made_;  // under mutex_
  std::atomic<std::size_t> next_{0};
  std::mutex mutex_;
  std::condition_variable madeOne_;
  std::vector<std::thread> helpers_;
};

// The statements of one batch, prepared once for it.
class BatchStatements {
 public:
  explicit BatchStatements(Database& database)
      : reader_(database),
        handle_(database.Handle()),
        stale_(database, std::string("SELECT DocId, ") + kMessageColumns +
                             " FROM MailSearchStale ORDER BY DocId LIMIT ?1"),
        dropStale_(database, "DELETE FROM MailSearchStale WHERE DocId = ?1"),
        removeTerms_(database,
                     "INSERT INTO MailSearchTerms (MailSearchTerms, rowid, Body) VALUES ('delete', "
                     "?1, ?2)"),
        pending_(database, "SELECT RowKey FROM MailSearchPending ORDER BY RowKey LIMIT ?1"),
        dequeue_(database, "DELETE FROM MailSearchPending WHERE RowKey = ?1"),
        place_(database, "INSERT OR IGNORE INTO MailSearchOrder (RowKey, TimeKey) VALUES (?1, ?2)"),
        addTerms_(database, "INSERT INTO MailSearchTerms (rowid, Body) VALUES (?1, ?2)") {}

  bool Ready() const {
    return stale_.Ready() && dropStale_.Ready() && removeTerms_.Ready() && pending_.Ready() &&
           dequeue_.Ready() && place_.Ready() && addTerms_.Ready();
  }

  // Removes the terms of up to `max` stale messages; `*done` is how many.
  bool RemoveStale(std::size_t max, const SearchTextOf& textOf, std::size_t* done) {
    std::vector<std::int64_t> keys;
    std::vector<PendingMessage> messages;
    stale_.Bind(1, static_cast<std::int64_t>(max));
    int rc = SQLITE_ROW;
    while ((rc = stale_.Step()) == SQLITE_ROW) {
      keys.push_back(stale_.Int(0));
      FillMessage(stale_, 1, &messages.emplace_back());
    }
    stale_.Reset();
    if (rc != SQLITE_DONE) return false;
    TermMaker terms(messages, textOf);
    for (std::size_t i = 0; i < keys.size(); ++i) {
      if (!RunTerms(removeTerms_, keys[i], terms.Get(i)) || !dropStale_.RunWith(keys[i]))
        return false;
    }
    *done = keys.size();
    return true;
  }

  // Indexes up to `max` queued messages; `*done` is how many left the queue.
  bool IndexQueued(std::size_t max, const SearchTextOf& textOf, std::size_t* done) {
    std::vector<std::int64_t> keys;
    pending_.Bind(1, static_cast<std::int64_t>(max));
    int rc = SQLITE_ROW;
    while ((rc = pending_.Step()) == SQLITE_ROW)
      keys.push_back(pending_.Int(0));
    pending_.Reset();
    if (rc != SQLITE_DONE) return false;
    std::vector<std::int64_t> placed;  // DocIds
    std::vector<PendingMessage> messages;
    for (const std::int64_t rowKey : keys) {
      if (!Place(rowKey, &messages, &placed) || !dequeue_.RunWith(rowKey)) return false;
    }
    TermMaker terms(messages, textOf);
    for (std::size_t i = 0; i < placed.size(); ++i) {
      if (!RunTerms(addTerms_, placed[i], terms.Get(i))) return false;
    }
    *done = keys.size();
    return true;
  }

 private:
  // Gives a present message its DocId and place in MailSearchOrder, and adds it and the DocId
  // to `messages` and `placed`.
  bool Place(std::int64_t rowKey, std::vector<PendingMessage>* messages,
             std::vector<std::int64_t>* placed) {
    PendingMessage message;
    bool present = false;
    if (!reader_.Read(rowKey, &message, &present)) return false;
    if (!present) return true;
    place_.Reset();
    place_.Bind(1, rowKey);
    place_.Bind(2, SearchTimeKey(message.sendDateTime));
    if (!place_.Run()) return false;
    // Already placed: its terms are in (the triggers retire a message before it is queued
    // again, so this is only a queue entry written by hand).
    if (sqlite3_changes(handle_) == 0) return true;
    messages->push_back(std::move(message));
    placed->push_back(sqlite3_last_insert_rowid(handle_));
    return true;
  }

  // FTS5 writes its pending terms out at every savepoint, so the terms are handed over as
  // values by a plain statement, never by an INSERT ... SELECT.
  static bool RunTerms(SearchStatement& statement, std::int64_t rowKey, const std::string& terms) {
    statement.Reset();
    statement.Bind(1, rowKey);
    statement.Bind(2, terms);
    return statement.Run();
  }

  MessageReader reader_;
  sqlite3* handle_;
  SearchStatement stale_, dropStale_, removeTerms_, pending_, dequeue_, place_, addTerms_;
};

}  // namespace

std::span<const char* const> MailBoxTables() {
  return kBoxTables;
}

std::vector<std::string> SearchSchemaStatements() {
  std::vector<std::string> statements;
  for (const char* former : kFormerTables)
    statements.push_back(std::string("DROP TABLE IF EXISTS ") + former);
  for (const char* sql :
       {"CREATE VIRTUAL TABLE IF NOT EXISTS MailSearchTerms USING fts5(Body, content='', "
        "tokenize='ascii', detail=none, columnsize=0)",
        // Terms gather in memory up to 16 MB before FTS5 writes them out as a segment: the
        // trigram vocabulary of Chinese mail is large, and 1 MB (the default) gives so many
        // segments that merging them costs more than the tokenizing. Leaves of 4000 bytes
        // (1000 by default) fill a database page each and take a quarter of the writes.
        "INSERT INTO MailSearchTerms (MailSearchTerms, rank) VALUES ('hashsize', 16777216)",
        "INSERT INTO MailSearchTerms (MailSearchTerms, rank) VALUES ('pgsz', 4000)",
        // DocIds are dense (the next after the highest), which keeps the gaps between them
        // that FTS5 stores small.
        "CREATE TABLE IF NOT EXISTS MailSearchOrder (DocId INTEGER PRIMARY KEY, RowKey INTEGER "
        "NOT NULL UNIQUE, TimeKey INTEGER NOT NULL)",
        "CREATE INDEX IF NOT EXISTS MailSearchOrderTime ON MailSearchOrder (TimeKey, RowKey)",
        "CREATE TABLE IF NOT EXISTS MailSearchStale (DocId INTEGER PRIMARY KEY, Sender, "
        "Receiver, Mailcc, MailBcc, MailSubject, Content, FuJianPath, SendDateTime)",
        "CREATE TABLE IF NOT EXISTS MailSearchPending (RowKey INTEGER PRIMARY KEY)",
        "CREATE TABLE IF NOT EXISTS MailSearchState (Name TEXT PRIMARY KEY)"})
    statements.emplace_back(sql);
  for (std::size_t box = 0; box < kBoxTables.size(); ++box) {
    for (std::string& trigger : TriggerStatements(kBoxTables[box], box))
      statements.push_back(std::move(trigger));
  }
  // A file from before this index: its messages are queued once.
  for (std::size_t box = 0; box < kBoxTables.size(); ++box)
    statements.push_back("INSERT OR IGNORE INTO MailSearchPending (RowKey) SELECT " +
                         RowKeyOf("ID", box) + " FROM \"" + kBoxTables[box] +
                         "\" WHERE NOT EXISTS (SELECT 1 FROM MailSearchState WHERE Name = "
                         "'terms')");
  statements.push_back("INSERT OR IGNORE INTO MailSearchState (Name) VALUES ('terms')");
  return statements;
}

long long SearchPendingCount(Database& database, std::string* error) {
  auto lock = database.Lock();
  SearchStatement count(database,
                        "SELECT (SELECT count(*) FROM MailSearchPending) + (SELECT count(*) FROM "
                        "MailSearchStale)");
  if (!count.Ready() || count.Step() != SQLITE_ROW) return Fail(database, error), -1;
  return count.Int(0);
}

bool IndexPendingBatch(Database& database, std::size_t max, const SearchTextOf& textOf,
                       std::size_t* done, std::string* error) {
  *done = 0;
  Transaction unit(database);
  if (!unit.Active()) {
    if (error != nullptr) *error = unit.Error();
    return false;
  }
  BatchStatements batch(database);
  std::size_t removed = 0;
  std::size_t indexed = 0;
  // Stale terms go first: a message queued again keeps its RowKey, and its old terms must be
  // out before the new ones go in.
  if (!batch.Ready() || !batch.RemoveStale(max, textOf, &removed) ||
      (removed < max && !batch.IndexQueued(max - removed, textOf, &indexed)))
    return Fail(database, error);
  if (!unit.Commit()) {
    if (error != nullptr) *error = unit.Error();
    return false;
  }
  *done = removed + indexed;
  return true;
}

bool MergeSearchIndex(Database& database, std::string* error) {
  auto lock = database.Lock();
  SearchStatement merge(database,
                        "INSERT INTO MailSearchTerms (MailSearchTerms) VALUES ('optimize')");
  return (merge.Ready() && merge.Run()) || Fail(database, error);
}

std::size_t CodePointCount(std::string_view text) {
  std::size_t count = 0;
  for (const char c : text)
    count += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
  return count;
}

}  // namespace store
