// SearchIndexed: the index names the messages that may hold the needle, MailSearchOrder puts
// them newest first, and each one's text decides.
#include <sqlite3.h>

#include <algorithm>
#include <utility>

#include "store/SearchIndex.h"
#include "store/SearchRows.h"
#include "store/SearchStatement.h"
#include "store/SearchTerms.h"
#include "store/TextCase.h"

namespace store {

namespace {

// How many of the newest messages the needle is looked for in before the index is asked: a
// needle many messages hold is answered from them, sparing the index's answer, every message
// that holds its terms (for one or two characters the merge of every term they begin).
constexpr std::size_t kDirectTries = 300;
// Up to this many messages named by the index are put in order by looking up each one's time;
// more are met by walking MailSearchOrder newest first.
constexpr std::size_t kFewCandidates = 1000;

// A place in the answer order: send time, then RowKey, both larger first.
using Place = std::pair<std::int64_t, std::int64_t>;

class Search {
 public:
  Search(Database& database, std::string_view needle, std::size_t limit, const SearchTextOf& textOf,
         std::vector<IndexHit>* hits)
      : database_(database),
        needle_(needle),
        limit_(limit),
        textOf_(textOf),
        hits_(hits),
        reader_(database),
        walk_(database,
              "SELECT TimeKey, RowKey FROM MailSearchOrder ORDER BY TimeKey DESC, RowKey DESC"),
        timeOf_(database, "SELECT TimeKey FROM MailSearchOrder WHERE RowKey = ?1") {}

  bool Run() {
    if (!walk_.Ready() || !timeOf_.Ready()) return false;
    if (!TryNewest()) return false;
    if (Full() || walkDone_) return true;
    std::vector<std::int64_t> candidates;
    if (!Candidates(&candidates)) return false;
    return candidates.size() <= kFewCandidates ? TryInTimeOrder(candidates)
                                               : TryWalking(candidates);
  }

 private:
  bool Full() const { return hits_->size() >= limit_; }

  // The next message of MailSearchOrder, newest first; false at the end or on an error.
  bool Next(std::int64_t* rowKey) {
    const int rc = walk_.Step();
    if (rc != SQLITE_ROW) {
      walkDone_ = true;
      walkFailed_ = rc != SQLITE_DONE;
      return false;
    }
    walked_ = Place(walk_.Int(0), walk_.Int(1));
    *rowKey = walk_.Int(1);
    return true;
  }

  bool TryNewest() {
    std::int64_t rowKey = 0;
    for (std::size_t n = 0; n < kDirectTries && !Full() && Next(&rowKey); ++n) {
      if (!Try(rowKey)) return false;
    }
    return !walkFailed_;
  }

  bool Candidates(std::vector<std::int64_t>* candidates) {
    SearchStatement match(database_,
                          "SELECT rowid FROM MailSearchTerms WHERE MailSearchTerms MATCH ?1");
    if (!match.Ready()) return false;
    match.Bind(1, SearchTermQuery(needle_));
    int rc = SQLITE_ROW;
    while ((rc = match.Step()) == SQLITE_ROW)
      candidates->push_back(match.Int(0));
    std::sort(candidates->begin(), candidates->end());
    return rc == SQLITE_DONE;
  }

  // Few candidates: each one's place, newest first, skipping the ones already walked.
  bool TryInTimeOrder(const std::vector<std::int64_t>& candidates) {
    std::vector<Place> places;
    for (const std::int64_t rowKey : candidates) {
      timeOf_.Reset();
      timeOf_.Bind(1, rowKey);
      const int rc = timeOf_.Step();
      if (rc == SQLITE_DONE) continue;  // its message has gone
      if (rc != SQLITE_ROW) return false;
      const Place place(timeOf_.Int(0), rowKey);
      if (!walkStarted() || place < walked_) places.push_back(place);
    }
    std::sort(places.begin(), places.end(), std::greater<>());
    for (std::size_t i = 0; i < places.size() && !Full(); ++i) {
      if (!Try(places[i].second)) return false;
    }
    return true;
  }

  // Many candidates: the walk goes on, and each candidate it meets is tried.
  bool TryWalking(const std::vector<std::int64_t>& candidates) {
    std::int64_t rowKey = 0;
    while (!Full() && Next(&rowKey)) {
      if (std::binary_search(candidates.begin(), candidates.end(), rowKey) && !Try(rowKey))
        return false;
    }
    return !walkFailed_;
  }

  bool walkStarted() const { return walked_.first >= 0; }

  // Reads the message and adds it when its text holds the needle.
  bool Try(std::int64_t rowKey) {
    PendingMessage message;
    bool present = false;
    if (!reader_.Read(rowKey, &message, &present)) return false;
    if (!present) return true;  // deleted since it was indexed: never a hit
    std::string text = textOf_(message);
    if (ToLowerAscii(text).find(needle_) == std::string::npos) return true;
    hits_->push_back({message.box, message.id, std::move(message.sender),
                      std::move(message.subject), std::move(message.sendDateTime),
                      std::move(text)});
    return true;
  }

  Database& database_;
  std::string_view needle_;
  std::size_t limit_;
  const SearchTextOf& textOf_;
  std::vector<IndexHit>* hits_;
  MessageReader reader_;
  SearchStatement walk_, timeOf_;
  Place walked_{-1, -1};
  bool walkDone_ = false;
  bool walkFailed_ = false;
};

bool Fail(Database& database, std::vector<IndexHit>* hits, std::string* error) {
  hits->clear();
  if (error != nullptr) *error = database.ErrorText(sqlite3_errmsg(database.Handle()));
  return false;
}

}  // namespace

bool SearchIndexed(Database& database, std::string_view needle, std::size_t limit,
                   const SearchTextOf& textOf, std::vector<IndexHit>* hits, std::string* error) {
  hits->clear();
  if (needle.empty() || limit == 0) return true;
  auto lock = database.Lock();
  Search search(database, needle, limit, textOf, hits);
  return search.Run() || Fail(database, hits, error);
}

}  // namespace store
