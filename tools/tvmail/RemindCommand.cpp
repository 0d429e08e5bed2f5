// `tvmail remind add|list|remove --program-folder DIR ...`: the event reminders of a program
// folder's tools database, written in the form the desktop's reminder timer fires.
//   add --date (YYYY-MM-DD | 每天) --time HH:MM TEXT
//                    adds a reminder; prints its ID. A one-time reminder before the current
//                    minute is refused, as the editor refuses it
//   list             one line per reminder: ID, date (or 每天), HH:MM, tagshow, text (TAB
//                    separated)
//   remove ID        deletes the reminder
// Exits with 1 when the operation did not succeed, with 2 on usage errors.
#include <charconv>
#include <filesystem>
#include <iostream>

#include "store/DataFiles.h"
#include "store/Stores.h"
#include "tools/Reminders.h"
#include "tools/tvmail/Commands.h"
#include "tools/tvmail/NetOptions.h"

namespace tvmail {
namespace {

constexpr std::string_view kRemindUsage =
    "usage: tvmail remind add --program-folder DIR --date (YYYY-MM-DD | 每天) --time HH:MM TEXT\n"
    "       tvmail remind list --program-folder DIR\n"
    "       tvmail remind remove --program-folder DIR ID\n";

struct RemindArgs {
  std::string verb;
  std::string folder;
  std::string date;
  std::string time;
  std::string text;  // add: the text; remove: the ID
  bool haveText = false;
};

// Takes an option of `add` at args[i]; false when args[i] is none of them.
bool TakeAddOption(std::span<const std::string> args, std::size_t& i, RemindArgs& parsed,
                   std::string& error) {
  if (args[i] == "--date")
    TakeValue(args, i, parsed.date, error);
  else if (args[i] == "--time")
    TakeValue(args, i, parsed.time, error);
  else
    return false;
  return true;
}

bool CheckRemindArgs(const RemindArgs& parsed, std::string& error) {
  if (parsed.folder.empty()) error = "--program-folder is required";
  if (parsed.verb == "add" && (parsed.date.empty() || parsed.time.empty()))
    error = "--date and --time are required";
  if (parsed.verb == "add" && !parsed.haveText) error = "TEXT is required";
  if (parsed.verb == "remove" && !parsed.haveText) error = "an ID is required";
  return error.empty();
}

bool ParseRemindArgs(std::span<const std::string> args, RemindArgs& parsed, std::string& error) {
  if (args.empty()) {
    error = "no operation given";
    return false;
  }
  parsed.verb = args[0];
  const bool add = parsed.verb == "add";
  const bool withText = add || parsed.verb == "remove";
  if (!withText && parsed.verb != "list") error = "unknown operation '" + args[0] + "'";
  for (std::size_t i = 1; i < args.size() && error.empty(); ++i) {
    if (args[i] == "--program-folder") {
      TakeValue(args, i, parsed.folder, error);
    } else if (add && TakeAddOption(args, i, parsed, error)) {
      continue;
    } else if (withText && !parsed.haveText && args[i].rfind("--", 0) != 0) {
      parsed.text = args[i];
      parsed.haveText = true;
    } else {
      error = "unexpected argument '" + args[i] + "'";
    }
  }
  return error.empty() && CheckRemindArgs(parsed, error);
}

std::unique_ptr<store::Database> OpenTools(const std::string& folder, std::string& error) {
  std::error_code code;
  std::filesystem::create_directories(folder, code);
  if (code) {
    error = folder + ": " + code.message();
    return nullptr;
  }
  if (!store::EnsureProgramFolders(folder, &error)) return nullptr;
  return store::OpenToolsStore(folder, &error);
}

int Add(store::Database& tools, const RemindArgs& args) {
  const auto colon = args.time.find(':');
  const std::string hour = args.time.substr(0, colon);
  const std::string minute = colon == std::string::npos ? "" : args.time.substr(colon + 1);
  tools::ReminderForm form;
  const tools::FormOutcome outcome = tools::ReadReminderForm(args.date, hour, minute, args.text,
                                                             tools::CurrentReminderTime(), &form);
  if (outcome != tools::FormOutcome::Ok) {
    std::cerr << "tvmail remind: " << tools::FormOutcomeText(outcome) << '\n';
    return 1;
  }
  std::int64_t id = 0;
  std::string error;
  if (!tools::AddReminder(tools, form, &id, &error)) {
    std::cerr << "tvmail remind: " << error << '\n';
    return 1;
  }
  std::cout << id << '\n';
  return 0;
}

int List(store::Database& tools) {
  std::vector<tools::Reminder> rows;
  std::string error;
  if (!tools::ListReminders(tools, &rows, &error)) {
    std::cerr << "tvmail remind: " << error << '\n';
    return 1;
  }
  for (const tools::Reminder& row : rows) {
    tools::ReminderForm form;
    const std::string date = tools::FormOfReminder(row, &form) ? tools::DateText(form) : row.date;
    std::cout << row.id << '\t' << date << '\t' << row.timeH << ':' << row.timeM << '\t'
              << row.tagshow << '\t' << row.content << '\n';
  }
  return 0;
}

int Remove(store::Database& tools, const RemindArgs& args) {
  std::int64_t id = 0;
  const char* end = args.text.data() + args.text.size();
  const auto [at, code] = std::from_chars(args.text.data(), end, id);
  std::string error = code != std::errc() || at != end ? "no reminder " + args.text : "";
  if (error.empty() && !tools::DeleteReminder(tools, id, &error)) error += ": " + args.text;
  if (error.empty()) return 0;
  std::cerr << "tvmail remind: " << error << '\n';
  return 1;
}

}  // namespace

int RunRemind(std::span<const std::string> args) {
  RemindArgs parsed;
  std::string error;
  if (!ParseRemindArgs(args, parsed, error)) {
    std::cerr << "tvmail remind: " << error << '\n' << kRemindUsage;
    return 2;
  }
  const auto tools = OpenTools(parsed.folder, error);
  if (!tools) {
    std::cerr << "tvmail remind: " << error << '\n';
    return 1;
  }
  if (parsed.verb == "add") return Add(*tools, parsed);
  if (parsed.verb == "list") return List(*tools);
  return Remove(*tools, parsed);
}

}  // namespace tvmail
