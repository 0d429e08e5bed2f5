// Quick replies: named HTML snippets of the kuaihuifu table (shown to the user as signatures),
// looked up by name, pasted into the mail being written, and added, changed and deleted by the
// manager window.
#pragma once

#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/Query.h"

namespace tools {

// The snippet that pastes the current date and time instead of its stored content.
inline constexpr std::string_view kDateTimeSnippet = "时间/日期";

// Whether name is one of the three snippets a mail database starts with, which stay.
bool IsBuiltInSnippet(std::string_view name);
// Whether the manager may delete a snippet of this name: not empty and not built in.
bool MayDeleteSnippet(std::string_view name);

struct Snippet {
  std::string subject;
  std::string content;  // HTML
};

// The first row (in table order) named name. False when there is none (*error empty) or the
// statement failed (*error says why). The name is bound as a parameter, so any text is looked
// up exactly, quotes included.
bool FindSnippet(store::Query& query, std::string_view name, Snippet* found, std::string* error);

// The names of the snippets in table order, rows without a name left out. False with *error
// set when the statement fails (the names read until then are kept).
bool SnippetNames(store::Query& query, std::vector<std::string>* names, std::string* error);

// The date and time as "时间/日期" pastes it: the local short date, a blank and the long time,
// "yyyy-M-d H:mm:ss".
std::string DateTimeText(std::time_t now);

// What choosing the snippet pastes: the date and time for "时间/日期" (whatever it holds),
// otherwise its content.
std::string PasteText(const Snippet& snippet, std::time_t now);

enum class ApplyOutcome { EmptyName, Inserted, Updated, Failed };

// Keeps a snippet: name and content are trimmed; an empty name keeps nothing. A new name adds a
// row; a name that exists already gets the new content (every row of it, so the first row that
// lookups use holds what the user applied). Failed with *error set when a statement fails.
ApplyOutcome ApplySnippet(store::Query& query, std::string_view name, std::string_view content,
                          std::string* error);

// Deletes every row named name. Refuses (false, *error empty) a name MayDeleteSnippet refuses;
// false with *error set when the statement fails.
bool DeleteSnippet(store::Query& query, std::string_view name, std::string* error);

// The "FontSize" value of an entry of the manager's size list: "11" … "16" become 2 … 7.
// Nothing for any other text.
std::optional<int> SnippetFontSize(std::string_view listText);
// The entries of that list, first to last.
std::vector<std::string> SnippetFontSizes();

// The HTML that shows the picture at url (a file: address), the address escaped for the
// quoted attribute.
std::string PictureHtml(std::string_view url);

}  // namespace tools
