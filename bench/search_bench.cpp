// The search over all mail: index time, the index's size beside the bodies', and the time of a
// first-100 search of two, three and six Chinese characters and of one Latin word.
//
// The messages are spread over the boxes; their bodies are about 2 KB of Chinese text (UTF-8,
// HTML lines) made of words that repeat as in real mail (a vocabulary drawn with a Zipf-like
// weight), with a Latin word now and then. Uniformly random characters would be the worst case
// for a trigram index and are not what mail holds.
//
// usage: search_bench [messages]   (default 100000)
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "contacts/MailSearch.h"
#include "store/Database.h"
#include "store/DateTimeText.h"
#include "store/MessageRecord.h"
#include "store/Query.h"
#include "store/Schema.h"
#include "store/Transaction.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

// CPU time of this thread: on a machine shared with other work it tells what wall time hides.
double CpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

const char* const kLatinWords[] = {"report",   "meeting", "project", "invoice", "Beijing",
                                   "Shanghai", "budget",  "review",  "draft",   "contract",
                                   "schedule", "server",  "update",  "office",  "team"};

std::string Utf8(char32_t c) {
  std::string out;
  out += static_cast<char>(0xE0 | (c >> 12));
  out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
  out += static_cast<char>(0x80 | (c & 0x3F));
  return out;
}

// Words of one to four Chinese characters from a set of 3000 characters, character i drawn with
// a weight of about 1/(i+1); word i is drawn with a weight of about 1/(i+1) as well.
class ChineseText {
 public:
  explicit ChineseText(std::uint32_t seed) : rng_(seed) {
    std::vector<std::string> chars;
    for (int i = 0; i < 3000; ++i)
      chars.push_back(Utf8(static_cast<char32_t>(0x4E00 + (i * 7) % 0x51A5)));
    std::discrete_distribution<int> length({30, 45, 15, 10});
    std::vector<double> charWeights;  // characters are as unevenly used as words
    for (std::size_t i = 0; i < chars.size(); ++i)
      charWeights.push_back(1.0 / static_cast<double>(i + 1));
    std::discrete_distribution<int> pick(charWeights.begin(), charWeights.end());
    for (int w = 0; w < 20000; ++w) {
      std::string word;
      for (int n = length(rng_) + 1; n > 0; --n)
        word += chars[static_cast<std::size_t>(pick(rng_))];
      words_.push_back(word);
    }
    std::vector<double> weights;
    for (std::size_t i = 0; i < words_.size(); ++i)
      weights.push_back(1.0 / static_cast<double>(i + 1));
    zipf_ = std::discrete_distribution<int>(weights.begin(), weights.end());
  }

  // About `bytes` bytes of text in lines, Chinese punctuation between phrases.
  std::string Text(std::size_t bytes) {
    std::string text;
    std::size_t line = 0;
    while (text.size() < bytes) {
      if (rng_() % 40 == 0) {
        text += kLatinWords[rng_() % std::size(kLatinWords)];
        text += ' ';
      } else {
        text += words_[static_cast<std::size_t>(zipf_(rng_))];
      }
      if (rng_() % 8 == 0) text += rng_() % 3 == 0 ? "。" : "，";
      if (text.size() - line > 110) {
        text += "\n";
        line = text.size();
      }
    }
    return text;
  }

  std::mt19937& Rng() { return rng_; }

 private:
  std::mt19937 rng_;
  std::vector<std::string> words_;
  std::discrete_distribution<int> zipf_;
};

std::string AsHtml(const std::string& text) {
  std::string html = "<html><body><p>";
  for (const char c : text)
    html += c == '\n' ? std::string("<br>\n") : std::string(1, c);
  return html + "</p></body></html>";
}

const char* const kTables[] = {"Historys",      "MailSendBox", "MailWaitDoBox", "MailOutlineBox",
                               "MailBackupBox", "MailDelBox",  "BianQianBox"};
const char* const kKinds[] = {store::kind::kRead,    store::kind::kSent,   store::kind::kWaitDo,
                              store::kind::kOutline, store::kind::kBackup, store::kind::kDeleted,
                              store::kind::kNote};

std::uintmax_t FileBytes(store::Database& db) {
  std::string error;
  db.Execute("PRAGMA wal_checkpoint(TRUNCATE)", &error);
  std::error_code ec;
  return std::filesystem::file_size(db.Path(), ec);
}

// Inserts the messages (most in the inbox) in units of 1000; returns the bodies' total bytes.
std::uintmax_t Fill(store::Database& db, ChineseText& gen, int count,
                    std::vector<std::string>* samples) {
  std::uintmax_t bodies = 0;
  const std::time_t start = 1500000000;
  store::Query insert(db);
  for (int done = 0; done < count;) {
    store::Transaction unit(db);
    for (int n = 0; n < 1000 && done < count; ++n, ++done) {
      const std::size_t box = gen.Rng()() % 10 < 6 ? 0 : 1 + gen.Rng()() % 6;
      store::MessageRecord r;
      r.sender = "张" + std::to_string(done % 300) + " <user" + std::to_string(done % 300) +
                 "@example.cn>";
      r.receiver = "me@example.cn;";
      r.sendDateTime =
          store::FormatDateTime(start + static_cast<std::time_t>(gen.Rng()() % 100000000));
      const std::string text = gen.Text(2000);
      r.content = AsHtml(text);
      bodies += r.content.size();
      r.messageKind = kKinds[box];
      r.mailSubject = gen.Text(30);
      r.mailSubject.erase(std::remove(r.mailSubject.begin(), r.mailSubject.end(), '\n'),
                          r.mailSubject.end());
      if (done % 200 == 0) samples->push_back(text);
      if (!store::InsertMessageRecord(insert, kTables[box], r)) {
        std::printf("insert: %s\n", insert.Error().c_str());
        return 0;
      }
    }
    if (!unit.Commit()) return 0;
  }
  return bodies;
}

// A piece of `chars` Chinese characters (three bytes each, no punctuation) from a sample text.
std::string ChinesePiece(const std::vector<std::string>& samples, std::mt19937& rng,
                         std::size_t chars) {
  for (int tries = 0; tries < 1000; ++tries) {
    const std::string& text = samples[rng() % samples.size()];
    std::size_t at = rng() % text.size();
    while (at < text.size() && (static_cast<unsigned char>(text[at]) & 0xC0) == 0x80)
      ++at;
    if (at + chars * 3 > text.size()) continue;
    bool ok = true;
    for (std::size_t i = 0; i < chars && ok; ++i) {
      const auto lead = static_cast<unsigned char>(text[at + i * 3]);
      const std::string one = text.substr(at + i * 3, 3);
      ok = lead >= 0xE4 && lead <= 0xE9 && one != "。" && one != "，";
    }
    if (ok) return text.substr(at, chars * 3);
  }
  return "报告";
}

void TimeSearches(store::Database& db, const char* label, const std::vector<std::string>& queries) {
  std::vector<double> ms;
  std::vector<double> cpuMs;
  std::size_t found = 0;
  for (const std::string& query : queries) {
    std::vector<contacts::SearchHit> hits;
    std::string error;
    const auto start = Clock::now();
    const double cpuStart = CpuSeconds();
    if (!contacts::SearchMail(db, query, 100, &hits, &error)) {
      std::printf("search: %s\n", error.c_str());
      return;
    }
    ms.push_back(Seconds(start) * 1000);
    cpuMs.push_back((CpuSeconds() - cpuStart) * 1000);
    found += hits.size();
  }
  std::sort(ms.begin(), ms.end());
  std::sort(cpuMs.begin(), cpuMs.end());
  const auto at = [](const std::vector<double>& sorted, double q) {
    return sorted[std::min(sorted.size() - 1,
                           static_cast<std::size_t>(q * static_cast<double>(sorted.size())))];
  };
  std::printf(
      "%-24s %zu queries, mean hits %.1f: p50 %.2f ms, p95 %.2f ms, max %.2f ms (cpu p95 %.2f "
      "ms)\n",
      label, queries.size(), static_cast<double>(found) / static_cast<double>(queries.size()),
      at(ms, 0.5), at(ms, 0.95), ms.back(), at(cpuMs, 0.95));
}

int Run(const std::string& folder, int count) {
  std::string error;
  auto db = store::Database::Open(folder + "/MsgEx.mdb", &error);
  if (db == nullptr || !store::EnsureMailSchema(*db, &error)) {
    std::printf("%s\n", error.c_str());
    return 1;
  }
  ChineseText gen(20240305);
  std::vector<std::string> samples;
  auto start = Clock::now();
  const std::uintmax_t bodies = Fill(*db, gen, count, &samples);
  if (bodies == 0) return 1;
  std::printf("messages: %d, inserted in %.1f s\n", count, Seconds(start));
  const std::uintmax_t without = FileBytes(*db);
  start = Clock::now();
  const double cpuStart = CpuSeconds();
  if (!contacts::CatchUpIndex(*db, nullptr, &error)) {
    std::printf("index: %s\n", error.c_str());
    return 1;
  }
  std::printf("index built in %.1f s (cpu %.1f s)\n", Seconds(start), CpuSeconds() - cpuStart);
  const std::uintmax_t with = FileBytes(*db);
  std::printf("bodies (Content column): %.1f MB\n", static_cast<double>(bodies) / 1e6);
  std::printf(
      "database without index: %.1f MB, with index: %.1f MB, index adds %.1f MB (%.0f%% "
      "of the bodies)\n",
      static_cast<double>(without) / 1e6, static_cast<double>(with) / 1e6,
      static_cast<double>(with - without) / 1e6,
      100.0 * static_cast<double>(with - without) / static_cast<double>(bodies));
  store::Query parts(*db);
  parts.AddLine(
      "select (select sum(length(block)) from MailSearchTerms_data) as segments, (select "
      "freelist_count * page_size from pragma_freelist_count, pragma_page_size) as free, (select "
      "group_concat(k || '=' || v, ' ') from MailSearchTerms_config) as config, (select count(*) "
      "from MailSearchTerms_data) as blocks");
  if (parts.Open() && !parts.FieldText("segments").empty())
    std::printf("term index segments: %.1f MB in %s blocks, free pages in the file: %.1f MB (%s)\n",
                std::stod(parts.FieldText("segments")) / 1e6, parts.FieldText("blocks").c_str(),
                std::stod(parts.FieldText("free")) / 1e6, parts.FieldText("config").c_str());
  parts.Close();
  std::mt19937 rng(7);
  for (const std::size_t chars : {2u, 3u, 6u}) {
    std::vector<std::string> queries;
    for (int i = 0; i < 40; ++i)
      queries.push_back(ChinesePiece(samples, rng, chars));
    TimeSearches(*db, (std::to_string(chars) + " Chinese characters").c_str(), queries);
  }
  std::vector<std::string> latin;
  for (int i = 0; i < 40; ++i)
    latin.push_back(kLatinWords[rng() % std::size(kLatinWords)]);
  TimeSearches(*db, "one Latin word", latin);
  std::printf("nproc: %u\n", std::thread::hardware_concurrency());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 100000;
  std::string folder = (std::filesystem::temp_directory_path() / "search_bench_XXXXXX").string();
  if (::mkdtemp(folder.data()) == nullptr) return 1;
  const int status = Run(folder, count);
  std::error_code ec;
  std::filesystem::remove_all(folder, ec);
  return status;
}
