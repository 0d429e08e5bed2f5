#include "contacts/MailSearch.h"

#include <algorithm>
#include <string_view>

#include "app/Global.h"
#include "maillib/FileNames.h"
#include "maillib/HtmlText.h"
#include "maillib/TextUtil.h"
#include "store/MessageRecord.h"
#include "store/SearchIndex.h"

namespace contacts {

namespace {

constexpr std::size_t kBatchSize = 500;
// A catch-up of this many messages ends with a merge of the index's segments.
constexpr long long kMergeAfter = 5000;
constexpr std::size_t kSnippetContext = 20;  // characters on each side of the match

bool IsContinuation(char c) {
  return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// Ends each field of the indexed text; a snippet stays within the field of its match. A control
// character mail text does not hold, so the body's own line breaks stay part of its field.
constexpr char kFieldEnd = '\x1e';

// The indexed text of a message: subject, sender, recipients, attachment names and the body's
// readable text, each ended by kFieldEnd. A copy column of "no" holds no address.
std::string IndexedText(const store::PendingMessage& message) {
  std::string text;
  const auto add = [&text](const std::string& field) { (text += field) += kFieldEnd; };
  add(message.subject);
  add(message.sender);
  add(message.receiver);
  for (const std::string* copies : {&message.mailcc, &message.mailBcc}) {
    if (maillib::Trim(*copies) != store::kNoCopies) add(*copies);
  }
  for (const std::string& item : app::SplitStarList(message.fuJianPath))
    add(maillib::FileNamePart(item));
  add(maillib::HtmlToText(message.content));
  return text;
}

// The box of a place in store::MailBoxTables().
boxes::Box BoxOfTable(int place) {
  const std::string_view table = store::MailBoxTables()[static_cast<std::size_t>(place)];
  for (const boxes::Box box : boxes::kAllBoxes) {
    if (table == boxes::InfoOf(box).table) return box;
  }
  return boxes::Box::Inbox;
}

// Moves back over `count` characters from byte `at`, or to the start.
std::size_t BackChars(std::string_view text, std::size_t at, std::size_t count) {
  while (at > 0 && count > 0) {
    --at;
    if (!IsContinuation(text[at])) --count;
  }
  return at;
}

// Moves on over `count` characters from byte `at`, or to the end.
std::size_t ForwardChars(std::string_view text, std::size_t at, std::size_t count) {
  while (at < text.size() && count > 0) {
    ++at;
    while (at < text.size() && IsContinuation(text[at]))
      ++at;
    --count;
  }
  return at;
}

// Appends the text with every line break (CR LF, CR, LF) and tab as one space.
void AppendOneLine(std::string_view text, std::string* out) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    *out += c == '\r' || c == '\n' || c == '\t' ? ' ' : c;
  }
}

// The piece of the text around the first match of the needle (folded as the index folds),
// within the field of the match.
void SetSnippet(std::string_view text, std::string_view needle, SearchHit* hit) {
  const std::string folded = maillib::LowerAscii(text);
  std::size_t at = folded.find(needle);
  std::size_t matchEnd = at + needle.size();
  if (at == std::string::npos) at = matchEnd = 0;  // not found as written: show the start
  // npos + 1 is 0: no field end before the match, the field begins the text.
  const std::size_t fieldStart = at == 0 ? 0 : text.find_last_of(kFieldEnd, at - 1) + 1;
  const std::size_t fieldEnd = std::min(text.find(kFieldEnd, matchEnd), text.size());
  const std::size_t begin = std::max(BackChars(text, at, kSnippetContext), fieldStart);
  const std::size_t end = std::min(ForwardChars(text, matchEnd, kSnippetContext), fieldEnd);
  AppendOneLine(text.substr(begin, at - begin), &hit->snippet);
  hit->matchStart = hit->snippet.size();
  AppendOneLine(text.substr(at, matchEnd - at), &hit->snippet);
  hit->matchLength = hit->snippet.size() - hit->matchStart;
  AppendOneLine(text.substr(matchEnd, end - matchEnd), &hit->snippet);
}

}  // namespace

long long PendingIndexCount(store::Database& mail, std::string* error) {
  return store::SearchPendingCount(mail, error);
}

bool CatchUpIndex(store::Database& mail,
                  const std::function<bool(long long done, long long total)>& progress,
                  std::string* error) {
  const long long total = store::SearchPendingCount(mail, error);
  if (total < 0) return false;
  long long done = 0;
  for (;;) {
    std::size_t taken = 0;
    if (!store::IndexPendingBatch(mail, kBatchSize, IndexedText, &taken, error)) return false;
    if (taken == 0) return done < kMergeAfter || store::MergeSearchIndex(mail, error);
    done += static_cast<long long>(taken);
    // Messages written while the index catches up make the queue longer than counted.
    if (progress && !progress(done, done > total ? done : total)) return true;
  }
}

bool SearchMail(store::Database& mail, const std::string& text, std::size_t limit,
                std::vector<SearchHit>* hits, std::string* error) {
  hits->clear();
  const std::string needle = maillib::LowerAscii(maillib::Trim(text));
  std::vector<store::IndexHit> found;
  if (!store::SearchIndexed(mail, needle, limit, IndexedText, &found, error)) return false;
  hits->reserve(found.size());
  for (const store::IndexHit& one : found) {
    SearchHit hit;
    hit.box = BoxOfTable(one.box);
    hit.id = one.id;
    hit.sender = one.sender;
    hit.subject = one.subject;
    hit.time = one.sendDateTime;
    SetSnippet(one.text, needle, &hit);
    hits->push_back(std::move(hit));
  }
  return true;
}

}  // namespace contacts
