// HZ-GB-2312 (RFC 1843) to GB2312 bytes.
#pragma once

#include <string>
#include <string_view>

namespace maillib {

// Each "~{ ... ~}" stretch becomes GB2312 bytes (0x80 added to bytes above space); "~~" is
// a tilde and "~" before a line break joins the lines. An unclosed "~{" stretch is copied as it
// stands. Line breaks come out as CR LF.
std::string HZDecode(std::string_view text);

}  // namespace maillib
