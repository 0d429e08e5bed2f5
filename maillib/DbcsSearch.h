// Multi-byte aware search: a match never starts inside a UTF-8 sequence. Candidate start
// positions advance by the length of the lead byte's sequence.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace maillib {

// 0-based position of the first match at or after `from`, or std::string::npos. Empty text or
// pattern never match.
std::size_t DbcsPos(std::string_view text, std::string_view pattern, std::size_t from = 0);
// As DbcsPos, but 'a'..'z' match 'A'..'Z' (ASCII letters only).
std::size_t DbcsPosText(std::string_view text, std::string_view pattern, std::size_t from = 0);
// Replaces all non-overlapping matches in one pass; exact or ASCII case-insensitive.
std::string DbcsReplaceAll(std::string_view text, std::string_view pattern,
                           std::string_view replacement, bool exact = true);

}  // namespace maillib
