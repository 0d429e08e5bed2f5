// Conversions of a stored value's text to the types fields are read as.
#pragma once

#include <cstdint>
#include <string_view>

namespace store {

// A whole number in the text (blanks around it allowed) → that number; a decimal number →
// its whole part; values beyond the 32-bit range are clamped. Anything else (empty text,
// "12abc") → 0.
std::int32_t TextToInt(std::string_view text);

// True for a non-zero number ("1", "-1" as Jet stores true) and, in any letter case, for
// "true", "y" and "yes". Everything else, the empty text included, is false.
bool TextToBool(std::string_view text);

}  // namespace store
