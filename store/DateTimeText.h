// Date-time values as the text stored in date columns: "yyyy-MM-dd hh:mm:ss", local time.
#pragma once

#include <ctime>
#include <string>
#include <string_view>

namespace store {

// "yyyy-MM-dd hh:mm:ss", zero padded, in local time. Sorts as text in time order.
std::string FormatDateTime(std::time_t value);

// Reads a date-time text in local time. Accepts the padded form, the unpadded form
// ("1989-1-14 16:04:48"), a date alone ("2024-03-05", midnight), "/" as the date separator,
// and a time without seconds ("16:04"). Surrounding blanks are ignored. Anything else, or an
// impossible date such as February 30, returns false and leaves *out unchanged.
bool ParseDateTime(std::string_view text, std::time_t* out);

}  // namespace store
