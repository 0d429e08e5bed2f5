#include "contacts/MailSearch.h"

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
constexpr std::size_t kSnippetContext = 20;  // characters on each side of the match

bool IsContinuation(char c) {
  return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// The indexed text of a message: subject, sender, recipients, attachment names and the body's
// readable text, one to a line. A copy column of "no" holds no address.
std::string IndexedText(const store::PendingMessage& message) {
  std::string text = message.subject + "\n" + message.sender + "\n" + message.receiver + "\n";
  for (const std::string* copies : {&message.mailcc, &message.mailBcc}) {
    if (maillib::Trim(*copies) != store::kNoCopies) text += *copies + "\n";
  }
  for (const std::string& item : app::SplitStarList(message.fuJianPath))
    text += maillib::FileNamePart(item) + "\n";
  return text + maillib::HtmlToText(message.content);
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

// The piece of the text around the first match of the needle (folded as the index folds).
void SetSnippet(std::string_view text, std::string_view needle, SearchHit* hit) {
  const std::string folded = maillib::LowerAscii(text);
  std::size_t at = folded.find(needle);
  std::size_t matchEnd = at + needle.size();
  if (at == std::string::npos) at = matchEnd = 0;  // not found as written: show the start
  const std::size_t begin = BackChars(text, at, kSnippetContext);
  const std::size_t end = ForwardChars(text, matchEnd, kSnippetContext);
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
    if (taken == 0) return true;
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
  if (!store::SearchIndexed(mail, needle, limit, &found, error)) return false;
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
