// The full-text index of the seven box tables in the mail database, kept by the database's own
// triggers, and the search over it.
//
// Tables: MailSearchTerms is an FTS5 index (contentless, no positions) of the trigram terms of
// each message's text (store/SearchTerms), its rowid the message's DocId. MailSearchOrder
// (DocId, RowKey, TimeKey) lists the indexed messages: the RowKey names the message (ID * 8 +
// the place of its box table in MailBoxTables()), the TimeKey is its send time in seconds, the
// order of the answers. MailSearchPending (RowKey) lists the messages whose terms are still to
// be written; MailSearchStale holds the DocIds and columns of messages whose terms are to be
// removed, as they were when indexed (the index keeps no text, and FTS5 removes terms only when
// given the text they came from). MailSearchState records that the rows of an older file were
// queued.
//
// The triggers are plain SQL, so every writer of the box tables (the program, the sqlite3 tool,
// scripts) keeps the index right: an insert queues the RowKey; a delete or a change of an
// indexed column takes the message out of MailSearchOrder in the same transaction (its old
// columns go to MailSearchStale) and a change queues it again. A search reads every message it
// answers from its box table and looks for the text in it, so it never returns a moved or
// deleted message, nor one that no longer holds the text; a new or changed one appears once
// IndexPendingBatch has run. No Qt here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "store/Database.h"

namespace store {

// The seven box tables in RowKey order.
std::span<const char* const> MailBoxTables();

// The tables, triggers and, on the first open of a file from before the index, the queue of
// every existing message. Idempotent; run inside EnsureMailSchema's transaction.
std::vector<std::string> SearchSchemaStatements();

// Messages waiting in the queue and messages whose terms wait to be removed; -1 on an error.
long long SearchPendingCount(Database& database, std::string* error);

// Merges the index's segments into one, for a smaller and faster index after many messages
// were indexed. False on a database error.
bool MergeSearchIndex(Database& database, std::string* error);

// A queued message as read from its box table.
struct PendingMessage {
  int box = 0;  // place in MailBoxTables()
  int id = 0;
  std::string sender;
  std::string receiver;
  std::string mailcc;
  std::string mailBcc;
  std::string subject;
  std::string content;
  std::string fuJianPath;
  std::string sendDateTime;
};

// The text of a message that is indexed and searched. It must make the same text of the same
// columns every time (the terms of a changed or deleted message are removed by the text made
// of its old columns), and may be called from several threads at once.
using SearchTextOf = std::function<std::string(const PendingMessage&)>;

// Takes up to `max` entries in one transaction: first the stale ones, whose terms leave the
// index, then the queued messages: each one still present gets the terms of the text `textOf`
// makes of it and its place in MailSearchOrder, and all leave the queue. `*done` is how many
// were taken (0: nothing waits). False on a database error, with nothing of the batch changed.
bool IndexPendingBatch(Database& database, std::size_t max, const SearchTextOf& textOf,
                       std::size_t* done, std::string* error);

// One indexed message holding the searched text.
struct IndexHit {
  int box = 0;  // place in MailBoxTables()
  int id = 0;
  std::string sender;
  std::string subject;
  std::string sendDateTime;
  std::string text;  // the text `textOf` made of it
};

// The newest `limit` indexed messages whose text (as `textOf` makes it, the same function as
// for IndexPendingBatch) holds `needle`, newest first by send time, then by RowKey. The needle
// is matched as plain text with A-Z folded to a-z on both sides; give it with no upper-case
// ASCII letters. The index names the messages that may hold the needle; each is read from its
// box table and its text searched. For one or two characters, which most messages hold, the
// newest messages are tried first without the index.
bool SearchIndexed(Database& database, std::string_view needle, std::size_t limit,
                   const SearchTextOf& textOf, std::vector<IndexHit>* hits, std::string* error);

// UTF-8 code points in the text (a stray continuation byte counts as none).
std::size_t CodePointCount(std::string_view text);

}  // namespace store
