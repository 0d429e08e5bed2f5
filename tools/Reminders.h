// The event reminders of the tools database (table `eventtip` of DB2/TVtools.mdb): the check a
// timer tick runs, and the list, add, edit and delete of the reminder editor and of tvmail.
// No Qt. Every function returns a flag or an outcome on a database error and says why in
// `error` when one is given; none throws.
//
// A row as the tick reads it and as the editor writes it:
//   date          one-time: the day, "yyyy-MM-dd 00:00:00"; daily: the day 1985-06-21
//   timeH, timeM  the hour (0..23) and minute (0..59) as text, written with two digits
//   tagshow       "0" while still to be shown; "onlyone" once a one-time reminder was shown
//   tipfrequency  "every" for a daily reminder, "once" for a one-time one (not read here)
//   pagekey       "tip:" followed by the big mark, so the mark is the fifth character:
//                 "日" for a daily reminder, "!" for a one-time one
//   content       the text
#pragma once

#include <compare>
#include <cstdint>
#include <ctime>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace store {
class Database;
}

namespace tools {

inline constexpr const char* kDailyDate = "1985-06-21";
inline constexpr const char* kToShow = "0";
inline constexpr const char* kShownOnce = "onlyone";
inline constexpr const char* kEveryDay = "every";
inline constexpr const char* kOnce = "once";
inline constexpr const char* kPageKeyPrefix = "tip:";
inline constexpr const char* kDailyMark = "日";
inline constexpr const char* kOnceMark = "!";
// The editor's and tvmail's word for a daily reminder in place of a date.
inline constexpr const char* kDailyWord = "每天";

// A local date and minute: the "now" of a tick, or a reminder's day and time.
struct ReminderTime {
  int year = 0;
  int month = 0;  // 1..12
  int day = 0;    // 1..31
  int hour = 0;
  int minute = 0;
  friend bool operator==(const ReminderTime&, const ReminderTime&) = default;
  friend auto operator<=>(const ReminderTime&, const ReminderTime&) = default;
};
// The local date and minute of a moment.
ReminderTime LocalReminderTime(std::time_t moment);
// Where the checks and the editor take "now" from (tests set their own).
using ReminderClock = std::function<ReminderTime()>;
// The local date and minute of the system clock.
ReminderTime CurrentReminderTime();

// One `eventtip` row, its texts as stored.
struct Reminder {
  std::int64_t id = 0;
  std::string date;
  std::string timeH;
  std::string timeM;
  std::string tipfrequency;
  std::string tagshow;
  std::string pagekey;
  std::string content;
};

// The date of the row's `date` text (date part only); false when it is no date.
bool ReminderDate(const Reminder& row, ReminderTime* date);
// Whether the row repeats every day (its date is 1985-06-21).
bool IsDaily(const Reminder& row);
// A whole number 0..max written as digits (blanks around allowed); false for anything else.
bool ParseTimePart(std::string_view text, int max, int* value);
// The fifth character (UTF-8 aware) of the page key, "" when it is shorter.
std::string BigMark(const std::string& pagekey);

// Every row, in table order.
bool ListReminders(store::Database& tools, std::vector<Reminder>* rows,
                   std::string* error = nullptr);

// The timer's check. Remembers, per row, the minute it last showed the row, so a second tick
// within the same minute never shows a reminder again (a daily one included). A row whose
// date, hour or minute cannot be read is skipped; the rows after it are still checked.
class ReminderTick {
 public:
  // The rows due at `now`, in table order. Each due row's `tagshow` is written back: "onlyone"
  // for a one-time reminder, "0" for a daily one. A row whose write fails is still returned
  // (it was due) and the failure is said in `error`; false only when the table could not be
  // read, and then nothing is due.
  bool Run(store::Database& tools, const ReminderTime& now, std::vector<Reminder>* due,
           std::string* error = nullptr);

 private:
  bool Due(const Reminder& row, const ReminderTime& now) const;
  std::map<std::int64_t, ReminderTime> lastShown_;
};

// A reminder as the editor and tvmail enter it.
struct ReminderForm {
  bool daily = false;
  ReminderTime when;  // year, month, day only for a one-time reminder
  std::string content;
};

enum class FormOutcome { Ok, BadDate, BadHour, BadMinute, EmptyText, Past };
// Reads the entered texts: date "yyyy-MM-dd" (also "/" and unpadded) or "每天"; hour 0..23;
// minute 0..59; a text that is not blank. A one-time reminder before the minute `now` is
// Past: it could never fire.
FormOutcome ReadReminderForm(std::string_view date, std::string_view hour, std::string_view minute,
                             std::string_view content, const ReminderTime& now, ReminderForm* form);
// The message for a refused form ("" for Ok).
const char* FormOutcomeText(FormOutcome outcome);
// The form of a stored row (for editing it); false when the row cannot be read.
bool FormOfReminder(const Reminder& row, ReminderForm* form);
// The row's date as the editor shows it: "yyyy-MM-dd" or "每天".
std::string DateText(const ReminderForm& form);

// Writes a new row, ready to be shown; its ID in *id.
bool AddReminder(store::Database& tools, const ReminderForm& form, std::int64_t* id,
                 std::string* error = nullptr);
// Rewrites the row with this ID from the form, ready to be shown again. False also when no row
// has the ID.
bool UpdateReminder(store::Database& tools, std::int64_t id, const ReminderForm& form,
                    std::string* error = nullptr);
// False also when no row has the ID.
bool DeleteReminder(store::Database& tools, std::int64_t id, std::string* error = nullptr);

}  // namespace tools
