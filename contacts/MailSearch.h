// The search over every stored message of the seven boxes: subject, sender, recipients, body
// text and attachment names, any substring of one character or more, Latin letters without
// regard to case. Built on an SQLite FTS5 index (trigram tokenizer) in the mail database that
// the database's own triggers keep current with every insert, move and purge (store/SearchIndex).
// No Qt: the results window and `tvmail search` call these.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "boxes/BoxKind.h"  // boxes::InfoOf(box).caption names a box

namespace store {
class Database;
}

namespace contacts {

// How many messages still wait to be put into the index (a store from before the index, or
// messages written since the last search). 0 when the index is current; -1 on an error.
long long PendingIndexCount(store::Database& mail, std::string* error = nullptr);

// Puts the waiting messages into the index in batches, each batch its own transaction, so a
// cancel or a crash keeps what is done and the next call goes on from there. `progress` is
// called after every batch with (done, total) and may return false to stop. False on a
// database error (what is done stays); true when finished or stopped.
bool CatchUpIndex(store::Database& mail,
                  const std::function<bool(long long done, long long total)>& progress,
                  std::string* error = nullptr);

// One hit. `snippet` is a piece of the matched text around the first match, within the field
// that holds it (subject, an address, an attachment name or the body; line breaks shown as
// spaces), the match at [matchStart, matchStart + matchLength) (byte offsets into snippet,
// UTF-8).
struct SearchHit {
  boxes::Box box = boxes::Box::Inbox;
  int id = 0;  // the row's ID in the box table
  std::string sender;
  std::string subject;
  std::string time;  // SendDateTime as stored
  std::string snippet;
  std::size_t matchStart = 0;
  std::size_t matchLength = 0;
};

// The newest `limit` messages holding `text` (trimmed; empty finds nothing), newest first by
// SendDateTime. The text is plain text: quotes, "%", "_", "*" and words like AND are matched as
// they stand. Answers from the index as it is: call CatchUpIndex first for a current answer.
// False on a database error.
bool SearchMail(store::Database& mail, const std::string& text, std::size_t limit,
                std::vector<SearchHit>* hits, std::string* error = nullptr);

}  // namespace contacts
