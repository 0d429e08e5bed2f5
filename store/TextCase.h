// Letter-case helpers for SQL names (ASCII letters only, as SQL names compare).
#pragma once

#include <string>
#include <string_view>

namespace store {

std::string ToLowerAscii(std::string_view text);
bool EqualsNoCase(std::string_view a, std::string_view b);

}  // namespace store
