// Mail dates: a lenient reader (RFC 2822 and the common broken forms) and the RFC 2822 writer.
#pragma once

#include <ctime>
#include <string>
#include <string_view>

namespace maillib {

// 1900-01-01 01:00:00 local time: the value of a date that cannot be read.
std::time_t UnreadableMailDate();
// 1980-01-01 00:00:00 local time: the date of a message without a Date header.
std::time_t MissingMailDate();
// Reads a Date value: RFC 2822 first (zone applied); when that fails or lies before 1980, the
// lenient layouts (day month year time, asctime, month day year time, free order). A zone found
// in the text is applied, otherwise the time is local. On success sets `out` (UTC seconds) and
// `zoneMinutes` (offset east of UTC that applies to the text) and returns true.
bool TryParseMailDate(std::string_view text, std::time_t& out, int& zoneMinutes);
// As TryParseMailDate; UnreadableMailDate() when nothing fits.
std::time_t ParseMailDate(std::string_view text);
// As above, also giving the zone offset in minutes (local offset when the text had none).
std::time_t ParseMailDate(std::string_view text, int& zoneMinutes);
// RFC 2822 date-time in local time with the local offset: "Tue, 08 Dec 2026 21:42:01 +0800".
std::string FormatMailDate(std::time_t t);
// RFC 2822 date-time at the given offset east of UTC in minutes.
std::string FormatMailDate(std::time_t t, int zoneMinutes);
// Offset east of UTC in minutes of the local zone at instant t.
int LocalZoneMinutes(std::time_t t);

}  // namespace maillib
