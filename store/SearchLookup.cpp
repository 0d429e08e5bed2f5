// SearchIndexed: the index names the messages that may hold the needle, MailSearchOrder puts
// them newest first, and each one's text decides.
#include <sqlite3.h>

#include <algorithm>
#include <cstdint>
#include <utility>

#include "store/SearchIndex.h"
#include "store/SearchRows.h"
#include "store/SearchStatement.h"
#include "store/SearchTerms.h"
#include "store/TextCase.h"

namespace store {

namespace {

// How many of the newest messages are tried directly, before all the messages the index names
// are read: a needle many messages hold is answered from them. The index's answer costs time
// by the message it names, and for one or two characters it is a merge of every term they
// begin, read before its first row.
constexpr std::size_t kDirectTries = 300;
// Up to this many messages named by the index are put in order by looking up each one's time;
// more mean a needle many messages hold, met by walking MailSearchOrder newest first.
constexpr std::size_t kFewCandidates = 2000;

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
              "SELECT TimeKey, RowKey, DocId FROM MailSearchOrder ORDER BY TimeKey DESC, RowKey "
              "DESC"),
        placeOf_(database, "SELECT TimeKey, RowKey FROM MailSearchOrder WHERE DocId = ?1"),
        match_(database, "SELECT rowid FROM MailSearchTerms WHERE MailSearchTerms MATCH ?1") {}

  bool Run() {
    if (!walk_.Ready() || !placeOf_.Ready() || !match_.Ready()) return false;
    match_.Bind(1, SearchTermQuery(needle_));
    std::vector<std::int64_t> candidates;
    bool all = false;
    if (CodePointCount(needle_) <= 2) {
      if (!TryNewest()) return false;
      if (Full() || walkDone_) return true;
    } else {
      if (!ReadCandidates(kFewCandidates + 1, &candidates, &all)) return false;
      if (all) return TryInTimeOrder(candidates);
      if (!TryNewest()) return false;
      if (Full() || walkDone_) return true;
    }
    if (!ReadCandidates(SIZE_MAX, &candidates, &all)) return false;
    std::sort(candidates.begin(), candidates.end());
    return candidates.size() <= kFewCandidates ? TryInTimeOrder(candidates)
                                               : TryWalking(candidates);
  }

 private:
  bool Full() const { return hits_->size() >= limit_; }

  // The next message of MailSearchOrder, newest first; false at the end or on an error.
  bool Next(std::int64_t* rowKey, std::int64_t* docId) {
    const int rc = walk_.Step();
    if (rc != SQLITE_ROW) {
      walkDone_ = true;
      walkFailed_ = rc != SQLITE_DONE;
      return false;
    }
    walked_ = Place(walk_.Int(0), walk_.Int(1));
    *rowKey = walk_.Int(1);
    *docId = walk_.Int(2);
    return true;
  }

  bool TryNewest() {
    std::int64_t rowKey = 0;
    std::int64_t docId = 0;
    for (std::size_t n = 0; n < kDirectTries && !Full() && Next(&rowKey, &docId); ++n) {
      if (!Try(rowKey)) return false;
    }
    return !walkFailed_;
  }

  // Up to `max` more of the messages the index names; *all when that was the last of them.
  bool ReadCandidates(std::size_t max, std::vector<std::int64_t>* candidates, bool* all) {
    int rc = SQLITE_ROW;
    for (std::size_t n = 0; n < max && (rc = match_.Step()) == SQLITE_ROW; ++n)
      candidates->push_back(match_.Int(0));
    *all = rc != SQLITE_ROW;
    return rc == SQLITE_ROW || rc == SQLITE_DONE;
  }

  // Few candidates: each one's place, newest first, skipping the ones already walked.
  bool TryInTimeOrder(const std::vector<std::int64_t>& candidates) {
    std::vector<Place> places;
    for (const std::int64_t docId : candidates) {
      placeOf_.Reset();
      placeOf_.Bind(1, docId);
      const int rc = placeOf_.Step();
      if (rc == SQLITE_DONE) continue;  // its message has gone
      if (rc != SQLITE_ROW) return false;
      const Place place(placeOf_.Int(0), placeOf_.Int(1));
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
    std::int64_t docId = 0;
    while (!Full() && Next(&rowKey, &docId)) {
      if (std::binary_search(candidates.begin(), candidates.end(), docId) && !Try(rowKey))
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
  SearchStatement walk_, placeOf_, match_;
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
