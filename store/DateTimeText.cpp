#include "store/DateTimeText.h"

#include <cstdio>

namespace store {

namespace {

// Reads 1 to maxDigits decimal digits at text[*pos].
bool ReadNumber(std::string_view text, std::size_t* pos, int maxDigits, int* value) {
  int digits = 0;
  int result = 0;
  while (*pos < text.size() && text[*pos] >= '0' && text[*pos] <= '9' && digits < maxDigits) {
    result = result * 10 + (text[*pos] - '0');
    ++*pos;
    ++digits;
  }
  *value = result;
  return digits > 0;
}

bool Expect(std::string_view text, std::size_t* pos, char c) {
  if (*pos >= text.size() || text[*pos] != c) return false;
  ++*pos;
  return true;
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
    text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
    text.remove_suffix(1);
  return text;
}

bool ParseDate(std::string_view text, std::size_t* pos, std::tm* tm) {
  int year = 0, month = 0, day = 0;
  if (!ReadNumber(text, pos, 4, &year) || *pos >= text.size()) return false;
  const char separator = text[*pos];
  if (separator != '-' && separator != '/') return false;
  ++*pos;
  if (!ReadNumber(text, pos, 2, &month) || !Expect(text, pos, separator)) return false;
  if (!ReadNumber(text, pos, 2, &day)) return false;
  if (year < 1000 || month < 1 || month > 12 || day < 1 || day > 31) return false;
  tm->tm_year = year - 1900;
  tm->tm_mon = month - 1;
  tm->tm_mday = day;
  return true;
}

bool ParseTime(std::string_view text, std::size_t* pos, std::tm* tm) {
  int hour = 0, minute = 0, second = 0;
  if (!ReadNumber(text, pos, 2, &hour) || !Expect(text, pos, ':')) return false;
  if (!ReadNumber(text, pos, 2, &minute)) return false;
  if (*pos < text.size() && !(Expect(text, pos, ':') && ReadNumber(text, pos, 2, &second))) {
    return false;
  }
  if (hour > 23 || minute > 59 || second > 59) return false;
  tm->tm_hour = hour;
  tm->tm_min = minute;
  tm->tm_sec = second;
  return true;
}

}  // namespace

std::string FormatDateTime(std::time_t value) {
  std::tm tm{};
  if (localtime_r(&value, &tm) == nullptr) return std::string();
  char buffer[80];
  std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:%02d", tm.tm_year + 1900,
                tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
  return buffer;
}

bool ParseDateTime(std::string_view text, std::time_t* out) {
  text = Trim(text);
  std::tm tm{};
  std::size_t pos = 0;
  if (!ParseDate(text, &pos, &tm)) return false;
  if (pos < text.size()) {
    if (text[pos] != ' ' && text[pos] != 'T') return false;
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == 'T'))
      ++pos;
    if (!ParseTime(text, &pos, &tm) || pos != text.size()) return false;
  }
  const std::tm wanted = tm;
  tm.tm_isdst = -1;
  tm.tm_wday = -1;  // mktime sets it on success; -1 is also a valid time_t.
  const std::time_t value = std::mktime(&tm);
  if (tm.tm_wday == -1) return false;
  // mktime normalises an impossible day (February 30) into the next month: refuse those.
  if (tm.tm_mday != wanted.tm_mday || tm.tm_mon != wanted.tm_mon) return false;
  *out = value;
  return true;
}

}  // namespace store
