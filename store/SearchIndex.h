// The full-text index of the seven box tables in the mail database: an FTS5 table (trigram
// tokenizer) over one text per message, kept by the database's own triggers.
//
// Tables: MailSearchDoc (DocId INTEGER PRIMARY KEY, RowKey UNIQUE, Body) holds the indexed text
// of each message once; MailSearchText is the FTS5 index over it (external content, so the text
// is not stored twice); MailSearchPending (RowKey) lists the messages whose text is still to be
// (re)written; MailSearchState records that the rows of an older file were queued.
//
// A message's RowKey is ID * 8 + the place of its box table in MailBoxTables(). Its DocId puts
// the send time in the high bits and the RowKey in the low 30 bits, so the index's own rowid
// order is newest first by SendDateTime, then by RowKey, and a search walks it in that order and
// stops after the first hits instead of sorting every match.
//
// The triggers are plain SQL, so every writer of the box tables (the program, the sqlite3 tool,
// scripts) keeps the index right: an insert or a change of an indexed column queues the RowKey,
// a delete removes the message's index row, text and queue entry in the same transaction. A
// search therefore never returns a moved or deleted message; a new or changed one appears once
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

// Messages waiting in the queue; -1 on an error.
long long SearchPendingCount(Database& database, std::string* error);

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

// Takes up to `max` queued messages in one transaction: each one still present gets the text
// `textOf` makes of it as its index row (replacing an earlier one), each one gone loses its
// row, and all leave the queue. `*done` is how many were taken (0: the queue is empty). False
// on a database error, with nothing of the batch changed.
bool IndexPendingBatch(Database& database, std::size_t max,
                       const std::function<std::string(const PendingMessage&)>& textOf,
                       std::size_t* done, std::string* error);

// One indexed message holding the searched text.
struct IndexHit {
  int box = 0;  // place in MailBoxTables()
  int id = 0;
  std::string sender;
  std::string subject;
  std::string sendDateTime;
  std::string text;  // the indexed text
};

// The newest `limit` indexed messages whose text holds `needle`, newest first. The needle is
// matched as plain text with A-Z folded to a-z on both sides; give it with no upper-case ASCII
// letters. Three characters or more go through the trigram index; one or two are looked for by
// a walk of the stored texts, newest first. A message whose row has gone is never returned.
bool SearchIndexed(Database& database, std::string_view needle, std::size_t limit,
                   std::vector<IndexHit>* hits, std::string* error);

// UTF-8 code points in the text (a stray continuation byte counts as none).
std::size_t CodePointCount(std::string_view text);

}  // namespace store
