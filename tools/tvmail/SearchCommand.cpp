// `tvmail search --program-folder DIR [--limit N] TEXT`: the search over all mail of the
// program folder's mail database, as the desktop's search window runs it. Brings the index up
// to date first (progress on standard error), then prints one line per hit, newest first:
// "box<TAB>time<TAB>sender<TAB>subject<TAB>snippet". Usage errors exit with 2, a missing or
// unusable database with 1.
#include <charconv>
#include <filesystem>
#include <iostream>

#include "contacts/MailSearch.h"
#include "store/DataFiles.h"
#include "store/Stores.h"
#include "tools/tvmail/Commands.h"
#include "tools/tvmail/NetOptions.h"

namespace tvmail {
namespace {

constexpr std::string_view kSearchUsage =
    "usage: tvmail search --program-folder DIR [--limit N] TEXT\n";
constexpr std::size_t kDefaultLimit = 100;

struct SearchArgs {
  std::string folder;
  std::size_t limit = kDefaultLimit;
  std::string text;
  bool haveText = false;
};

bool TakeLimit(std::span<const std::string> args, std::size_t& i, std::size_t& limit,
               std::string& error) {
  std::string value;
  if (!TakeValue(args, i, value, error)) return false;
  const char* end = value.data() + value.size();
  const auto [at, code] = std::from_chars(value.data(), end, limit);
  if (code != std::errc() || at != end || limit == 0) error = "--limit needs a positive number";
  return error.empty();
}

bool ParseSearchArgs(std::span<const std::string> args, SearchArgs& parsed, std::string& error) {
  for (std::size_t i = 0; i < args.size() && error.empty(); ++i) {
    if (args[i] == "--program-folder") {
      TakeValue(args, i, parsed.folder, error);
    } else if (args[i] == "--limit") {
      TakeLimit(args, i, parsed.limit, error);
    } else if (parsed.haveText) {
      error = "give one TEXT (quote it when it holds blanks)";
    } else {
      parsed.text = args[i];
      parsed.haveText = true;
    }
  }
  if (error.empty() && parsed.folder.empty()) error = "--program-folder is required";
  if (error.empty() && !parsed.haveText) error = "TEXT is required";
  return error.empty();
}

// Field text on one output line: tabs and line breaks read as blanks.
std::string OneField(std::string text) {
  for (char& c : text) {
    if (c == '\t' || c == '\r' || c == '\n') c = ' ';
  }
  return text;
}

}  // namespace

int RunSearch(std::span<const std::string> args) {
  SearchArgs parsed;
  std::string error;
  if (!ParseSearchArgs(args, parsed, error)) {
    std::cerr << "tvmail search: " << error << '\n' << kSearchUsage;
    return 2;
  }
  // A search reads a store; it never makes an empty one where none was.
  const std::string path = store::MailDatabasePath(parsed.folder);
  std::error_code code;
  if (!std::filesystem::is_regular_file(path, code)) {
    std::cerr << "tvmail search: " << path << ": no mail database\n";
    return 1;
  }
  const auto mail = store::OpenMailStore(parsed.folder, &error);
  if (mail == nullptr) {
    std::cerr << "tvmail search: " << error << '\n';
    return 1;
  }
  const bool caughtUp = contacts::CatchUpIndex(
      *mail,
      [](long long done, long long total) {
        std::cerr << "indexed " << done << " of " << total << '\n';
        return true;
      },
      &error);
  std::vector<contacts::SearchHit> hits;
  if (!caughtUp || !contacts::SearchMail(*mail, parsed.text, parsed.limit, &hits, &error)) {
    std::cerr << "tvmail search: " << error << '\n';
    return 1;
  }
  for (const contacts::SearchHit& hit : hits) {
    std::cout << boxes::InfoOf(hit.box).caption << '\t' << OneField(hit.time) << '\t'
              << OneField(hit.sender) << '\t' << OneField(hit.subject) << '\t'
              << OneField(hit.snippet) << '\n';
  }
  return 0;
}

}  // namespace tvmail
