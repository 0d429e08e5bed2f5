#include "tools/Reminders.h"

#include <array>
#include <charconv>
#include <cstdio>

#include "store/DateTimeText.h"
#include "store/Query.h"

namespace tools {
namespace {

constexpr std::array<std::string_view, 8> kFields = {
    "ID", "date", "timeH", "timeM", "tipfrequency", "tagshow", "pagekey", "content"};

std::string_view Trimmed(std::string_view text) {
  const auto first = text.find_first_not_of(" \t\r\n");
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(" \t\r\n");
  return text.substr(first, last - first + 1);
}

bool Fail(const store::Query& query, std::string* error) {
  if (error) *error = query.Error();
  return false;
}

// The date of a date text in local time; false when it is none.
bool DateOf(std::string_view text, ReminderTime* date) {
  std::time_t moment = 0;
  if (!store::ParseDateTime(text, &moment)) return false;
  const ReminderTime local = LocalReminderTime(moment);
  *date = {local.year, local.month, local.day, 0, 0};
  return true;
}

std::string TwoDigits(int value) {
  char text[8];
  std::snprintf(text, sizeof text, "%02d", value);
  return text;
}

std::string StoredDate(const ReminderForm& form) {
  if (form.daily) return std::string(kDailyDate) + " 00:00:00";
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d 00:00:00", form.when.year, form.when.month,
                form.when.day);
  return text;
}

// Sets the parameters of a row written from a form.
void SetFormFields(store::Query& query, const ReminderForm& form) {
  query.SetText("date", StoredDate(form));
  query.SetText("timeH", TwoDigits(form.when.hour));
  query.SetText("timeM", TwoDigits(form.when.minute));
  query.SetText("tipfrequency", form.daily ? kEveryDay : kOnce);
  query.SetText("tagshow", kToShow);
  query.SetText("pagekey", std::string(kPageKeyPrefix) + (form.daily ? kDailyMark : kOnceMark));
  query.SetText("content", std::string(Trimmed(form.content)));
}

bool WriteTagShow(store::Database& tools, std::int64_t id, const char* tagshow,
                  std::string* error) {
  store::Query query(tools);
  query.AddLine("update eventtip set tagshow=:tagshow where ID=:ID");
  query.SetText("tagshow", tagshow);
  query.SetText("ID", std::to_string(id));
  return query.ExecSql() || Fail(query, error);
}

bool ChangedOne(store::Query& query, std::string* error) {
  if (!query.ExecSql()) return Fail(query, error);
  if (query.RowsAffected() == 1) return true;
  if (error) *error = "no reminder with this ID";
  return false;
}

}  // namespace

ReminderTime LocalReminderTime(std::time_t moment) {
  std::tm parts{};
  localtime_r(&moment, &parts);
  return {parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday, parts.tm_hour, parts.tm_min};
}

ReminderTime CurrentReminderTime() {
  return LocalReminderTime(std::time(nullptr));
}

bool ReminderDate(const Reminder& row, ReminderTime* date) {
  return DateOf(row.date, date);
}

bool IsDaily(const Reminder& row) {
  ReminderTime date;
  return ReminderDate(row, &date) && date.year == 1985 && date.month == 6 && date.day == 21;
}

bool ParseTimePart(std::string_view text, int max, int* value) {
  text = Trimmed(text);
  if (text.empty() || text.size() > 2) return false;
  int number = 0;
  const auto [end, code] = std::from_chars(text.data(), text.data() + text.size(), number);
  if (code != std::errc() || end != text.data() + text.size() || number < 0 || number > max)
    return false;
  *value = number;
  return true;
}

std::string BigMark(const std::string& pagekey) {
  std::size_t at = 0;
  for (int skipped = 0; at < pagekey.size(); ++at) {
    // A character starts at every byte that is not a UTF-8 continuation byte.
    if ((static_cast<unsigned char>(pagekey[at]) & 0xC0) != 0x80 && skipped++ == 4) break;
  }
  if (at >= pagekey.size()) return {};
  std::size_t end = at + 1;
  while (end < pagekey.size() && (static_cast<unsigned char>(pagekey[end]) & 0xC0) == 0x80)
    ++end;
  return pagekey.substr(at, end - at);
}

bool ListReminders(store::Database& tools, std::vector<Reminder>* rows, std::string* error) {
  store::Query query(tools);
  query.AddLine("select * from eventtip");
  rows->clear();
  const bool ok = query.ReadRows(kFields, [rows](const store::FieldRow& field) {
    Reminder row;
    std::from_chars(field.Text(0).data(), field.Text(0).data() + field.Text(0).size(), row.id);
    std::string* texts[] = {&row.date,    &row.timeH,   &row.timeM,  &row.tipfrequency,
                            &row.tagshow, &row.pagekey, &row.content};
    for (std::size_t i = 0; i < std::size(texts); ++i)
      texts[i]->assign(field.Text(i + 1));
    rows->push_back(std::move(row));
  });
  return ok || Fail(query, error);
}

bool ReminderTick::Due(const Reminder& row, const ReminderTime& now) const {
  ReminderTime date;
  int hour = 0, minute = 0;
  // A row that cannot be read is no reminder of this minute; the walk goes on after it.
  if (!ReminderDate(row, &date) || !ParseTimePart(row.timeH, 23, &hour) ||
      !ParseTimePart(row.timeM, 59, &minute))
    return false;
  if (hour != now.hour || minute != now.minute || Trimmed(row.tagshow) != kToShow) return false;
  const bool daily = date.year == 1985 && date.month == 6 && date.day == 21;
  if (!daily && (date.year != now.year || date.month != now.month || date.day != now.day))
    return false;
  const auto shown = lastShown_.find(row.id);
  return shown == lastShown_.end() || shown->second != now;
}

bool ReminderTick::Run(store::Database& tools, const ReminderTime& now, std::vector<Reminder>* due,
                       std::string* error) {
  due->clear();
  std::vector<Reminder> rows;
  if (!ListReminders(tools, &rows, error)) return false;
  for (Reminder& row : rows) {
    if (!Due(row, now)) continue;
    lastShown_[row.id] = now;
    const char* tagshow = IsDaily(row) ? kToShow : kShownOnce;
    std::string failure;
    if (!WriteTagShow(tools, row.id, tagshow, &failure) && error) *error = failure;
    row.tagshow = tagshow;
    due->push_back(std::move(row));
  }
  return true;
}

FormOutcome ReadReminderForm(std::string_view date, std::string_view hour, std::string_view minute,
                             std::string_view content, const ReminderTime& now,
                             ReminderForm* form) {
  ReminderForm read;
  date = Trimmed(date);
  read.daily = date == kDailyWord;
  // A date with a time of day is refused: the time has fields of its own.
  if (!read.daily && (date.find(' ') != std::string_view::npos || !DateOf(date, &read.when)))
    return FormOutcome::BadDate;
  if (!ParseTimePart(hour, 23, &read.when.hour)) return FormOutcome::BadHour;
  if (!ParseTimePart(minute, 59, &read.when.minute)) return FormOutcome::BadMinute;
  read.content = std::string(Trimmed(content));
  if (read.content.empty()) return FormOutcome::EmptyText;
  if (!read.daily && read.when < now) return FormOutcome::Past;
  if (read.daily) read.when.year = read.when.month = read.when.day = 0;
  *form = std::move(read);
  return FormOutcome::Ok;
}

const char* FormOutcomeText(FormOutcome outcome) {
  switch (outcome) {
    case FormOutcome::Ok:
      return "";
    case FormOutcome::BadDate:
      return "请输入正确的日期，例如 2024-03-05，或者输入“每天”！";
    case FormOutcome::BadHour:
      return "小时应为 0 到 23 之间的整数！";
    case FormOutcome::BadMinute:
      return "分钟应为 0 到 59 之间的整数！";
    case FormOutcome::EmptyText:
      return "请输入提醒的内容！";
    case FormOutcome::Past:
      return "提醒的时间已经过去，请重新选择日期和时间！";
  }
  return "";
}

bool FormOfReminder(const Reminder& row, ReminderForm* form) {
  ReminderForm read;
  if (!ReminderDate(row, &read.when) || !ParseTimePart(row.timeH, 23, &read.when.hour) ||
      !ParseTimePart(row.timeM, 59, &read.when.minute))
    return false;
  read.daily = IsDaily(row);
  if (read.daily) read.when.year = read.when.month = read.when.day = 0;
  read.content = row.content;
  *form = std::move(read);
  return true;
}

std::string DateText(const ReminderForm& form) {
  if (form.daily) return kDailyWord;
  return StoredDate(form).substr(0, 10);
}

bool AddReminder(store::Database& tools, const ReminderForm& form, std::int64_t* id,
                 std::string* error) {
  store::Query query(tools);
  query.AddLine(
      "insert into eventtip (date, timeH, timeM, tipfrequency, tagshow, pagekey, content) values "
      "(:date, :timeH, :timeM, :tipfrequency, :tagshow, :pagekey, :content)");
  SetFormFields(query, form);
  if (!query.ExecSql()) return Fail(query, error);
  if (id) *id = query.LastInsertId();
  return true;
}

bool UpdateReminder(store::Database& tools, std::int64_t id, const ReminderForm& form,
                    std::string* error) {
  store::Query query(tools);
  query.AddLine(
      "update eventtip set date=:date, timeH=:timeH, timeM=:timeM, tipfrequency=:tipfrequency, "
      "tagshow=:tagshow, pagekey=:pagekey, content=:content where ID=:ID");
  SetFormFields(query, form);
  query.SetText("ID", std::to_string(id));
  return ChangedOne(query, error);
}

bool DeleteReminder(store::Database& tools, std::int64_t id, std::string* error) {
  store::Query query(tools);
  query.AddLine("delete * from eventtip where ID=:ID");
  query.SetText("ID", std::to_string(id));
  return ChangedOne(query, error);
}

}  // namespace tools
