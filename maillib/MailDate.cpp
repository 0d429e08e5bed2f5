#include "maillib/MailDate.h"

#include <array>
#include <cstdio>
#include <optional>
#include <vector>

#include "maillib/TextUtil.h"

namespace maillib {

namespace {

constexpr std::array<std::string_view, 7> kDays{"MON", "TUE", "WED", "THU", "FRI", "SAT", "SUN"};
constexpr std::array<std::string_view, 12> kMonths{"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                                   "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
constexpr std::time_t kYear1980Utc = 315532800;

struct Fields {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

using Tokens = std::vector<std::string>;

std::string_view At(const Tokens& t, std::size_t i) {
  return i < t.size() ? std::string_view(t[i]) : std::string_view();
}

bool Number(std::string_view w, int& value) {
  if (w.empty() || w.size() > 6) return false;
  value = 0;
  for (char c : w) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  return true;
}

bool InRange(std::string_view w, int lo, int hi, int& value) {
  return Number(w, value) && value >= lo && value <= hi;
}

// 1..12 for a month name (its first three letters are compared), 0 otherwise.
int MonthOf(std::string_view w) {
  if (w.size() < 3 || w.size() > 9) return 0;
  for (std::size_t i = 0; i < kMonths.size(); ++i) {
    if (w.substr(0, 3) == kMonths[i]) return static_cast<int>(i) + 1;
  }
  return 0;
}

bool IsDayName(std::string_view w) {
  if (w.size() < 3 || w.size() > 9) return false;
  for (std::string_view d : kDays) {
    if (w.substr(0, 3) == d) return true;
  }
  return false;
}

// "h:m:s" or "h:m" (fractional seconds ignored), h 0..23, m and s 0..59 (60: leap second).
bool ParseTime(std::string_view w, Fields& f) {
  StringList parts = SplitWords(w, ':');
  if (parts.size() < 2 || parts.size() > 3) return false;
  std::string sec = parts.size() == 3 ? TextBefore(parts[2], ".") : "0";
  return InRange(parts[0], 0, 23, f.hour) && InRange(parts[1], 0, 59, f.minute) &&
         InRange(sec, 0, 60, f.second);
}

int DaysInMonth(int year, int month) {
  static constexpr int kDaysIn[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDaysIn[month - 1];
}

bool Valid(const Fields& f) {
  return f.month >= 1 && f.month <= 12 && f.day >= 1 && f.day <= DaysInMonth(f.year, f.month);
}

// Zone offset in minutes east of UTC: "+0800", "-05:00", "GMT+0800", UT, GMT, Z, US zones.
std::optional<int> ParseZone(std::string_view w) {
  static constexpr std::array<std::pair<std::string_view, int>, 12> kNamed{{{"UT", 0},
                                                                            {"UTC", 0},
                                                                            {"GMT", 0},
                                                                            {"Z", 0},
                                                                            {"EST", -300},
                                                                            {"EDT", -240},
                                                                            {"CST", -360},
                                                                            {"CDT", -300},
                                                                            {"MST", -420},
                                                                            {"MDT", -360},
                                                                            {"PST", -480},
                                                                            {"PDT", -420}}};
  for (const auto& [name, minutes] : kNamed) {
    if (w == name) return minutes;
  }
  if (w.size() > 3 && (w.substr(0, 3) == "GMT" || w.substr(0, 3) == "UTC")) w.remove_prefix(3);
  if (w.size() < 2 || (w[0] != '+' && w[0] != '-')) return std::nullopt;
  std::string digits = RemoveAllChar(w.substr(1), ':');
  int h = 0, m = 0;
  if (digits.size() == 4) {
    if (!InRange(digits.substr(0, 2), 0, 23, h) || !InRange(digits.substr(2), 0, 59, m)) {
      return std::nullopt;
    }
  } else if (digits.size() > 2 || !InRange(digits, 0, 14, h)) {
    return std::nullopt;
  }
  int total = h * 60 + m;
  return w[0] == '-' ? -total : total;
}

int FullYear(int y, std::size_t digits) {
  if (digits == 2) return y < 50 ? 2000 + y : 1900 + y;
  if (digits == 3) return 1900 + y;
  return y;
}

// RFC 2822 (with obsolete forms): [day ","] d month y time zone [comment].
bool ParseRfc2822(const Tokens& t, Fields& f, int& zone) {
  std::size_t i = IsDayName(At(t, 0)) ? 1 : 0;
  int year = 0;
  if (!InRange(At(t, i), 1, 31, f.day) || (f.month = MonthOf(At(t, i + 1))) == 0 ||
      !Number(At(t, i + 2), year) || !ParseTime(At(t, i + 3), f)) {
    return false;
  }
  f.year = FullYear(year, At(t, i + 2).size());
  std::optional<int> z = ParseZone(At(t, i + 4));
  if (!z) return false;
  zone = *z;
  return Valid(f);
}

}  // namespace

namespace {

// "2012-03-05" / "2012/03/05" become "5 MAR 2012"; "05-MAR-2012" becomes three words.
void AddDateWords(const std::string& w, Tokens& out) {
  bool splittable = !w.empty() && w[0] != '+' && w[0] != '-' && w.rfind("GMT", 0) != 0 &&
                    w.rfind("UTC", 0) != 0 && w.find_first_of("-/") != std::string::npos;
  if (!splittable) {
    out.push_back(w);
    return;
  }
  StringList parts = SplitByChars(w, "-/");
  int year = 0, month = 0;
  if (parts.size() == 3 && parts[0].size() == 4 && Number(parts[0], year) &&
      InRange(parts[1], 1, 12, month)) {
    out.insert(out.end(), {parts[2], std::string(kMonths[month - 1]), parts[0]});
    return;
  }
  out.insert(out.end(), parts.begin(), parts.end());
}

bool IsDateBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// The text without comments, with ',' as a blank and without the blanks (line breaks of a
// fold included) around a ':', so "10 : 00 : 00" is one time word.
std::string CleanDateText(std::string_view text) {
  std::string clean;
  int depth = 0;
  for (char c : text) {
    if (c == '(') ++depth;
    if (depth == 0 && c == ':') {
      while (!clean.empty() && IsDateBlank(clean.back()))
        clean.pop_back();
    }
    const bool afterColon = !clean.empty() && clean.back() == ':';
    if (depth == 0 && !(afterColon && IsDateBlank(c))) clean.push_back(c == ',' ? ' ' : c);
    if (c == ')' && depth > 0) --depth;
  }
  return clean;
}

// "10:00:00+0800": a zone written right after the time becomes a word of its own.
void AddTimeAndZone(const std::string& w, Tokens& out) {
  const std::size_t colon = w.find(':');
  const std::size_t sign = colon == std::string::npos ? w.npos : w.find_first_of("+-", colon);
  if (sign == std::string::npos || sign == 0 || w[0] == '+' || w[0] == '-') {
    AddDateWords(w, out);
    return;
  }
  out.push_back(w.substr(0, sign));
  out.push_back(w.substr(sign));
}

Tokens Tokenize(std::string_view text) {
  Tokens tokens;
  for (const std::string& w : SplitByChars(UpperAscii(CleanDateText(text)), " \t\r\n"))
    AddTimeAndZone(w, tokens);
  return tokens;
}

// Day, month name, year, time.
bool LayoutA(const Tokens& t, Fields& f) {
  return InRange(At(t, 0), 1, 31, f.day) && (f.month = MonthOf(At(t, 1))) != 0 &&
         InRange(At(t, 2), 1900, 2100, f.year) && ParseTime(At(t, 3), f);
}

// Month name, day, time, year (4th word, else 5th): the asctime form.
bool LayoutB(const Tokens& t, Fields& f) {
  if ((f.month = MonthOf(At(t, 0))) == 0 || !InRange(At(t, 1), 1, 31, f.day) ||
      !ParseTime(At(t, 2), f)) {
    return false;
  }
  return InRange(At(t, 3), 1901, 2099, f.year) || InRange(At(t, 4), 1901, 2099, f.year);
}

// Month name, day, year, time.
bool LayoutC(const Tokens& t, Fields& f) {
  return (f.month = MonthOf(At(t, 0))) != 0 && InRange(At(t, 1), 1, 31, f.day) &&
         InRange(At(t, 2), 1900, 2100, f.year) && ParseTime(At(t, 3), f);
}

// Free order: year and time required; day and month from what the numbers allow.
bool LayoutD(const Tokens& t, Fields& f) {
  int small[2] = {0, 0};
  int smalls = 0, day = 0, month = 0, year = 0, n = 0;
  bool time = false;
  for (const std::string& w : t) {
    if (InRange(w, 1, 12, n)) {
      if (smalls < 2) small[smalls++] = n;
    } else if (InRange(w, 13, 31, n)) {
      day = n;
    } else if (InRange(w, 1901, 2099, n)) {
      year = n;
    } else if (!time && ParseTime(w, f)) {
      time = true;
    } else if (MonthOf(w) != 0) {
      month = MonthOf(w);
    }
  }
  if (year == 0 || !time) return false;
  f.year = year;
  if (month != 0 && day != 0) return f.month = month, f.day = day, true;
  if (month != 0 && smalls > 0) return f.month = month, f.day = small[0], true;
  if (day != 0 && smalls > 0) return f.day = day, f.month = small[0], true;
  if (smalls == 2) return f.day = small[0], f.month = small[1], true;
  return false;
}

bool ParseLenient(Tokens t, Fields& f) {
  int ignored = 0;
  if (!t.empty() && !Number(t[0], ignored) && IsDayName(t[0])) t.erase(t.begin());
  for (auto layout : {LayoutA, LayoutB, LayoutC, LayoutD}) {
    f = Fields{};
    if (layout(t, f) && Valid(f)) return true;
  }
  return false;
}

std::optional<int> FindZone(const Tokens& t) {
  for (const std::string& w : t) {
    if (w.find(':') != std::string::npos && w[0] != '+' && w[0] != '-') continue;
    if (auto z = ParseZone(w)) return z;
  }
  return std::nullopt;
}

std::tm ToTm(const Fields& f) {
  std::tm tm{};
  tm.tm_year = f.year - 1900;
  tm.tm_mon = f.month - 1;
  tm.tm_mday = f.day;
  tm.tm_hour = f.hour;
  tm.tm_min = f.minute;
  tm.tm_sec = f.second;
  tm.tm_isdst = -1;
  return tm;
}

std::time_t LocalTime(const Fields& f) {
  std::tm tm = ToTm(f);
  return std::mktime(&tm);
}

std::time_t ZonedTime(const Fields& f, int zoneMinutes) {
  std::tm tm = ToTm(f);
  return timegm(&tm) - static_cast<std::time_t>(zoneMinutes) * 60;
}

}  // namespace

std::time_t UnreadableMailDate() {
  return LocalTime(Fields{1900, 1, 1, 1, 0, 0});
}

std::time_t MissingMailDate() {
  return LocalTime(Fields{1980, 1, 1, 0, 0, 0});
}

int LocalZoneMinutes(std::time_t t) {
  std::tm tm{};
  localtime_r(&t, &tm);
  return static_cast<int>(tm.tm_gmtoff / 60);
}

bool TryParseMailDate(std::string_view text, std::time_t& out, int& zoneMinutes) {
  if (text.find(':') == std::string_view::npos) return false;
  Tokens tokens = Tokenize(text);
  Fields f;
  int zone = 0;
  if (ParseRfc2822(tokens, f, zone) && ZonedTime(f, zone) >= kYear1980Utc) {
    out = ZonedTime(f, zone);
    zoneMinutes = zone;
    return true;
  }
  if (!ParseLenient(tokens, f)) return false;
  if (std::optional<int> z = FindZone(tokens)) {
    out = ZonedTime(f, *z);
    zoneMinutes = *z;
  } else {
    out = LocalTime(f);
    zoneMinutes = LocalZoneMinutes(out);
  }
  return true;
}

std::time_t ParseMailDate(std::string_view text) {
  int zone = 0;
  return ParseMailDate(text, zone);
}

std::time_t ParseMailDate(std::string_view text, int& zoneMinutes) {
  std::time_t t = 0;
  if (TryParseMailDate(text, t, zoneMinutes)) return t;
  t = UnreadableMailDate();
  zoneMinutes = LocalZoneMinutes(t);
  return t;
}

std::string FormatMailDate(std::time_t t) {
  return FormatMailDate(t, LocalZoneMinutes(t));
}

std::string FormatMailDate(std::time_t t, int zoneMinutes) {
  static constexpr std::array<const char*, 7> kDayNames{"Sun", "Mon", "Tue", "Wed",
                                                        "Thu", "Fri", "Sat"};
  static constexpr std::array<const char*, 12> kMonthNames{
      "Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  std::time_t shifted = t + static_cast<std::time_t>(zoneMinutes) * 60;
  std::tm tm{};
  gmtime_r(&shifted, &tm);
  int offset = zoneMinutes < 0 ? -zoneMinutes : zoneMinutes;
  char buf[64];
  std::snprintf(buf, sizeof(buf), "%s, %02d %s %04d %02d:%02d:%02d %c%02d%02d",
                kDayNames[tm.tm_wday], tm.tm_mday, kMonthNames[tm.tm_mon], tm.tm_year + 1900,
                tm.tm_hour, tm.tm_min, tm.tm_sec, zoneMinutes < 0 ? '-' : '+', offset / 60,
                offset % 60);
  return buf;
}

}  // namespace maillib
