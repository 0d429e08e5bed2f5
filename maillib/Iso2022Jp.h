// ISO-2022-JP to Shift_JIS bytes.
#pragma once

#include <string>
#include <string_view>

namespace maillib {

// ESC "$B" / ESC "$@" switch to two-byte JIS X 0208, ESC "(B" / ESC "(J" back to single bytes;
// other 3-byte escapes are dropped. Pairs become Shift_JIS; a lone trailing byte is dropped.
std::string Iso2022JpToShiftJis(std::string_view text);

}  // namespace maillib
