#include "store/FieldValue.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>

#include "store/TextCase.h"

namespace store {

namespace {

std::string_view Trim(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) {
    text.remove_prefix(1);
  }
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) {
    text.remove_suffix(1);
  }
  return text;
}

std::int32_t Clamp(double value) {
  constexpr double low = std::numeric_limits<std::int32_t>::min();
  constexpr double high = std::numeric_limits<std::int32_t>::max();
  if (std::isnan(value)) return 0;
  if (value <= low) return std::numeric_limits<std::int32_t>::min();
  if (value >= high) return std::numeric_limits<std::int32_t>::max();
  return static_cast<std::int32_t>(value);
}

// Parses the whole text as a number; false when anything is left over.
bool ParseNumber(std::string_view text, double* value) {
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty()) return false;
  const char* end = text.data() + text.size();
  long long whole = 0;
  auto [next, error] = std::from_chars(text.data(), end, whole);
  if (error == std::errc() && next == end) {
    *value = static_cast<double>(whole);
    return true;
  }
  auto [next2, error2] = std::from_chars(text.data(), end, *value);
  return error2 == std::errc() && next2 == end && std::isfinite(*value);
}

}  // namespace

std::int32_t TextToInt(std::string_view text) {
  double value = 0;
  return ParseNumber(Trim(text), &value) ? Clamp(std::trunc(value)) : 0;
}

bool TextToBool(std::string_view text) {
  text = Trim(text);
  double value = 0;
  if (ParseNumber(text, &value)) return value != 0;
  return EqualsNoCase(text, "true") || EqualsNoCase(text, "y") || EqualsNoCase(text, "yes");
}

}  // namespace store
