#include "store/SearchIndex.h"

#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <ctime>
#include <memory>

#include "store/DateTimeText.h"
#include "store/Transaction.h"

namespace store {

namespace {

constexpr std::array<const char*, 7> kBoxTables = {
    "Historys",      "MailSendBox", "MailWaitDoBox", "MailOutlineBox",
    "MailBackupBox", "MailDelBox",  "BianQianBox"};
constexpr int kRowKeyBoxes = 8;  // RowKey = ID * 8 + box
// The low bits of a DocId hold the RowKey (unique while IDs stay below 2^27), the high bits
// the send time in seconds since 1970 (dates before it and foreign texts count as 0).
constexpr int kRowKeyBits = 30;
constexpr std::int64_t kRowKeyMask = (std::int64_t{1} << kRowKeyBits) - 1;
constexpr std::int64_t kLatestTime = (std::int64_t{1} << (63 - kRowKeyBits)) - 1;

// The columns that make up a message's indexed text, and its place in the order.
constexpr const char* kIndexedColumns =
    "ID, Sender, Receiver, Mailcc, MailBcc, MailSubject, Content, FuJianPath, SendDateTime";

// A prepared statement, finalized at the end of its scope.
class Statement {
 public:
  Statement(Database& database, const std::string& sql) : db_(database.Handle()) {
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &statement_, nullptr) != SQLITE_OK)
      statement_ = nullptr;
  }
  ~Statement() { sqlite3_finalize(statement_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  bool Ready() const { return statement_ != nullptr; }
  void Reset() {
    sqlite3_reset(statement_);
    sqlite3_clear_bindings(statement_);
  }
  void Bind(int at, std::int64_t value) { sqlite3_bind_int64(statement_, at, value); }
  void Bind(int at, std::string_view text) {
    sqlite3_bind_text(statement_, at, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
  }
  // SQLITE_ROW, SQLITE_DONE or an error code.
  int Step() { return sqlite3_step(statement_); }
  bool Run() { return Step() == SQLITE_DONE; }
  std::int64_t Int(int column) const { return sqlite3_column_int64(statement_, column); }
  std::string Text(int column) const {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement_, column));
    return text == nullptr
               ? std::string()
               : std::string(text,
                             static_cast<std::size_t>(sqlite3_column_bytes(statement_, column)));
  }

 private:
  sqlite3* db_;
  sqlite3_stmt* statement_ = nullptr;
};

bool Fail(Database& database, std::string* error) {
  if (error != nullptr) *error = database.ErrorText(sqlite3_errmsg(database.Handle()));
  return false;
}

std::string RowKeyOf(const char* id, std::size_t box) {
  return std::string(id) + " * " + std::to_string(kRowKeyBoxes) + " + " + std::to_string(box);
}

// Removes the index row, the text and the queue entry of the message with this RowKey.
std::string ForgetStatements(const std::string& rowKey) {
  return "INSERT INTO MailSearchText (MailSearchText, rowid, Body) SELECT 'delete', DocId, Body "
         "FROM MailSearchDoc WHERE RowKey = " +
         rowKey + "; DELETE FROM MailSearchDoc WHERE RowKey = " + rowKey +
         "; DELETE FROM MailSearchPending WHERE RowKey = " + rowKey + ";";
}

std::vector<std::string> TriggerStatements(const char* table, std::size_t box) {
  const std::string name = std::string("\"") + table + "_search_";
  const std::string on = std::string(" ON \"") + table + "\" BEGIN ";
  const std::string queueNew =
      "INSERT OR IGNORE INTO MailSearchPending (RowKey) VALUES (" + RowKeyOf("new.ID", box) + ");";
  return {"CREATE TRIGGER IF NOT EXISTS " + name + "insert\" AFTER INSERT" + on + queueNew + " END",
          // A changed ID (never done by the program) moves the message to another RowKey.
          "CREATE TRIGGER IF NOT EXISTS " + name + "renumber\" AFTER UPDATE OF ID" + on +
              ForgetStatements(RowKeyOf("old.ID", box)) + queueNew + " END",
          "CREATE TRIGGER IF NOT EXISTS " + name +
              "update\" AFTER UPDATE OF Sender, Receiver, Mailcc, MailBcc, MailSubject, Content, "
              "FuJianPath, SendDateTime" +
              on + queueNew + " END",
          "CREATE TRIGGER IF NOT EXISTS " + name + "delete\" AFTER DELETE" + on +
              ForgetStatements(RowKeyOf("old.ID", box)) + " END"};
}

std::int64_t TimeKey(const std::string& sendDateTime) {
  std::time_t when = 0;
  if (!ParseDateTime(sendDateTime, &when) || when < 0) return 0;
  return static_cast<std::int64_t>(when) > kLatestTime ? kLatestTime
                                                       : static_cast<std::int64_t>(when);
}

// The statements of one batch, prepared once for it.
class BatchStatements {
 public:
  explicit BatchStatements(Database& database)
      : database_(database),
        pending_(database, "SELECT RowKey FROM MailSearchPending ORDER BY RowKey LIMIT ?1"),
        indexed_(database, "SELECT DocId, Body FROM MailSearchDoc WHERE RowKey = ?1"),
        forgetIndex_(database,
                     "INSERT INTO MailSearchText (MailSearchText, rowid, Body) VALUES ('delete', "
                     "?1, ?2)"),
        forgetText_(database, "DELETE FROM MailSearchDoc WHERE RowKey = ?1"),
        dequeue_(database, "DELETE FROM MailSearchPending WHERE RowKey = ?1"),
        docIdTaken_(database, "SELECT 1 FROM MailSearchDoc WHERE DocId = ?1"),
        addText_(database, "INSERT INTO MailSearchDoc (DocId, RowKey, Body) VALUES (?1, ?2, ?3)"),
        addIndex_(database, "INSERT INTO MailSearchText (rowid, Body) VALUES (?1, ?2)") {}

  bool Ready() const {
    return pending_.Ready() && indexed_.Ready() && forgetIndex_.Ready() && forgetText_.Ready() &&
           dequeue_.Ready() && docIdTaken_.Ready() && addText_.Ready() && addIndex_.Ready();
  }

  bool ReadQueue(std::size_t max, std::vector<std::int64_t>* keys) {
    pending_.Bind(1, static_cast<std::int64_t>(max));
    int rc = SQLITE_ROW;
    while ((rc = pending_.Step()) == SQLITE_ROW)
      keys->push_back(pending_.Int(0));
    return rc == SQLITE_DONE;
  }

  // The message of the RowKey, when its row is there; false on an error.
  bool ReadMessage(std::int64_t rowKey, PendingMessage* message, bool* present) {
    const auto box = static_cast<std::size_t>(rowKey % kRowKeyBoxes);
    *present = false;
    if (box >= kBoxTables.size()) return true;
    Statement& read = Reader(box);
    if (!read.Ready()) return false;
    read.Reset();
    read.Bind(1, rowKey / kRowKeyBoxes);
    const int rc = read.Step();
    if (rc == SQLITE_DONE) return true;
    if (rc != SQLITE_ROW) return false;
    *present = true;
    message->box = static_cast<int>(box);
    message->id = static_cast<int>(read.Int(0));
    message->sender = read.Text(1);
    message->receiver = read.Text(2);
    message->mailcc = read.Text(3);
    message->mailBcc = read.Text(4);
    message->subject = read.Text(5);
    message->content = read.Text(6);
    message->fuJianPath = read.Text(7);
    message->sendDateTime = read.Text(8);
    return true;
  }

  // Statements on the index that read other tables (INSERT ... SELECT) make SQLite open a
  // savepoint on it, and FTS5 writes its pending terms out as a new segment at every savepoint:
  // one tiny segment per message, and an index many times its size. So the old text is read
  // first and handed over as values.
  bool Forget(std::int64_t rowKey) {
    indexed_.Reset();
    indexed_.Bind(1, rowKey);
    const int rc = indexed_.Step();
    if (rc == SQLITE_DONE) return true;
    if (rc != SQLITE_ROW) return false;
    forgetIndex_.Reset();
    forgetIndex_.Bind(1, indexed_.Int(0));
    forgetIndex_.Bind(2, indexed_.Text(1));
    return forgetIndex_.Run() && RunWith(forgetText_, rowKey);
  }
  bool Dequeue(std::int64_t rowKey) { return RunWith(dequeue_, rowKey); }

  bool Add(std::int64_t rowKey, const std::string& sendDateTime, const std::string& text) {
    std::int64_t docId = (TimeKey(sendDateTime) << kRowKeyBits) | (rowKey & kRowKeyMask);
    // Only an ID of 2^27 or more can meet another message's DocId; it takes the next free one
    // below, which sorts it beside its own time.
    for (;; --docId) {
      docIdTaken_.Reset();
      docIdTaken_.Bind(1, docId);
      const int rc = docIdTaken_.Step();
      if (rc == SQLITE_DONE) break;
      if (rc != SQLITE_ROW) return false;
    }
    addText_.Reset();
    addText_.Bind(1, docId);
    addText_.Bind(2, rowKey);
    addText_.Bind(3, text);
    if (!addText_.Run()) return false;
    addIndex_.Reset();
    addIndex_.Bind(1, docId);
    addIndex_.Bind(2, text);
    return addIndex_.Run();
  }

 private:
  static bool RunWith(Statement& statement, std::int64_t rowKey) {
    statement.Reset();
    statement.Bind(1, rowKey);
    return statement.Run();
  }

  Statement& Reader(std::size_t box) {
    if (readers_[box] == nullptr)
      readers_[box] = std::make_unique<Statement>(
          database_, std::string("SELECT ") + kIndexedColumns + " FROM \"" + kBoxTables[box] +
                         "\" WHERE ID = ?1");
    return *readers_[box];
  }

  Database& database_;
  Statement pending_, indexed_, forgetIndex_, forgetText_, dequeue_, docIdTaken_, addText_,
      addIndex_;
  std::array<std::unique_ptr<Statement>, kBoxTables.size()> readers_;
};

// The FTS5 query for a needle of three characters or more: its trigrams at every third
// character and the last one, each a quoted string (double quotes doubled), all required. The
// trigram index narrows the messages down; the exact substring test of the search decides.
std::string TrigramQuery(std::string_view needle) {
  std::vector<std::size_t> starts;  // byte offset of every code point
  for (std::size_t i = 0; i < needle.size(); ++i) {
    if ((static_cast<unsigned char>(needle[i]) & 0xC0) != 0x80) starts.push_back(i);
  }
  starts.push_back(needle.size());
  const std::size_t count = starts.size() - 1;
  std::string query;
  auto add = [&](std::size_t first) {
    if (!query.empty()) query += ' ';
    query += '"';
    for (const char c : needle.substr(starts[first], starts[first + 3] - starts[first])) {
      query += c;
      if (c == '"') query += '"';
    }
    query += '"';
  };
  for (std::size_t first = 0; first + 3 <= count; first += 3)
    add(first);
  if (count % 3 != 0) add(count - 3);
  return query;
}

}  // namespace

std::span<const char* const> MailBoxTables() {
  return kBoxTables;
}

std::vector<std::string> SearchSchemaStatements() {
  std::vector<std::string> statements = {
      "CREATE TABLE IF NOT EXISTS MailSearchDoc (DocId INTEGER PRIMARY KEY, RowKey INTEGER NOT "
      "NULL UNIQUE, Body TEXT NOT NULL DEFAULT '')",
      "CREATE VIRTUAL TABLE IF NOT EXISTS MailSearchText USING fts5(Body, content='MailSearchDoc', "
      "content_rowid='DocId', tokenize='trigram case_sensitive 0', detail=none)",
      // Terms gather in memory up to 16 MB before FTS5 writes them out as a segment: the
      // trigram vocabulary of Chinese mail is large, and 1 MB (the default) gives so many
      // segments that merging them costs more than the tokenizing.
      "INSERT INTO MailSearchText (MailSearchText, rank) VALUES ('hashsize', 16777216)",
      "CREATE TABLE IF NOT EXISTS MailSearchPending (RowKey INTEGER PRIMARY KEY)",
      "CREATE TABLE IF NOT EXISTS MailSearchState (Name TEXT PRIMARY KEY)"};
  for (std::size_t box = 0; box < kBoxTables.size(); ++box) {
    for (std::string& trigger : TriggerStatements(kBoxTables[box], box))
      statements.push_back(std::move(trigger));
    // A file from before the index: its messages are queued once.
    statements.push_back("INSERT OR IGNORE INTO MailSearchPending (RowKey) SELECT " +
                         RowKeyOf("ID", box) + " FROM \"" + kBoxTables[box] +
                         "\" WHERE NOT EXISTS (SELECT 1 FROM MailSearchState WHERE Name = "
                         "'queued')");
  }
  statements.push_back("INSERT OR IGNORE INTO MailSearchState (Name) VALUES ('queued')");
  return statements;
}

long long SearchPendingCount(Database& database, std::string* error) {
  auto lock = database.Lock();
  Statement count(database, "SELECT count(*) FROM MailSearchPending");
  if (!count.Ready() || count.Step() != SQLITE_ROW) return Fail(database, error), -1;
  return count.Int(0);
}

bool IndexPendingBatch(Database& database, std::size_t max,
                       const std::function<std::string(const PendingMessage&)>& textOf,
                       std::size_t* done, std::string* error) {
  *done = 0;
  Transaction unit(database);
  if (!unit.Active()) {
    if (error != nullptr) *error = unit.Error();
    return false;
  }
  BatchStatements batch(database);
  std::vector<std::int64_t> keys;
  if (!batch.Ready() || !batch.ReadQueue(max, &keys)) return Fail(database, error);
  for (const std::int64_t rowKey : keys) {
    PendingMessage message;
    bool present = false;
    if (!batch.ReadMessage(rowKey, &message, &present) || !batch.Forget(rowKey) ||
        (present && !batch.Add(rowKey, message.sendDateTime, textOf(message))) ||
        !batch.Dequeue(rowKey))
      return Fail(database, error);
  }
  if (!unit.Commit()) {
    if (error != nullptr) *error = unit.Error();
    return false;
  }
  *done = keys.size();
  return true;
}

bool SearchIndexed(Database& database, std::string_view needle, std::size_t limit,
                   std::vector<IndexHit>* hits, std::string* error) {
  hits->clear();
  if (needle.empty() || limit == 0) return true;
  auto lock = database.Lock();
  const bool trigrams = CodePointCount(needle) >= 3;
  // Without a Latin letter in the needle the texts are compared as they stand, which spares
  // the folded copy of every text walked.
  const bool letters =
      std::any_of(needle.begin(), needle.end(), [](char c) { return c >= 'a' && c <= 'z'; });
  const std::string body = letters ? "lower(d.Body)" : "d.Body";
  Statement found(database,
                  std::string(trigrams ? "SELECT d.RowKey, d.Body FROM MailSearchText CROSS JOIN "
                                         "MailSearchDoc d ON d.DocId = MailSearchText.rowid WHERE "
                                         "MailSearchText MATCH ?1 AND "
                                       : "SELECT d.RowKey, d.Body FROM MailSearchDoc d WHERE ") +
                      "instr(" + body + ", ?2) > 0 ORDER BY " +
                      (trigrams ? "MailSearchText.rowid" : "d.DocId") + " DESC");
  if (!found.Ready()) return Fail(database, error);
  if (trigrams) found.Bind(1, TrigramQuery(needle));
  found.Bind(2, needle);
  std::array<std::unique_ptr<Statement>, kBoxTables.size()> rows;
  int rc = SQLITE_ROW;
  while (hits->size() < limit && (rc = found.Step()) == SQLITE_ROW) {
    const std::int64_t rowKey = found.Int(0);
    const auto box = static_cast<std::size_t>(rowKey % kRowKeyBoxes);
    if (box >= kBoxTables.size()) continue;
    if (rows[box] == nullptr)
      rows[box] = std::make_unique<Statement>(
          database, std::string("SELECT Sender, MailSubject, SendDateTime FROM \"") +
                        kBoxTables[box] + "\" WHERE ID = ?1");
    Statement& row = *rows[box];
    if (!row.Ready()) return Fail(database, error);
    row.Reset();
    row.Bind(1, rowKey / kRowKeyBoxes);
    const int rowRc = row.Step();
    if (rowRc == SQLITE_DONE) continue;  // the message is gone: never a hit
    if (rowRc != SQLITE_ROW) return Fail(database, error);
    hits->push_back({static_cast<int>(box), static_cast<int>(rowKey / kRowKeyBoxes), row.Text(0),
                     row.Text(1), row.Text(2), found.Text(1)});
  }
  if (rc != SQLITE_ROW && rc != SQLITE_DONE) return hits->clear(), Fail(database, error);
  return true;
}

std::size_t CodePointCount(std::string_view text) {
  std::size_t count = 0;
  for (const char c : text)
    count += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
  return count;
}

}  // namespace store
