// Translation of the Jet SQL dialect the statements are written in to SQLite's.
#pragma once

#include <string>
#include <string_view>

namespace store {

// Rewrites a Jet statement for SQLite:
// - a double-quoted string literal becomes a single-quoted one ("" inside it stands for one
//   double quote; a single quote inside it is doubled);
// - "delete * from" (any letter case and spacing) becomes "delete from";
// - single-quoted literals, [bracketed] names, parameters (":name") and everything else pass
//   unchanged. An unterminated literal is closed at the end of the text, so the result is
//   always one well-formed literal rather than text that runs into the rest of the statement.
std::string TranslateJet(std::string_view sql);

// Jet takes a name that is no column for a parameter ("where(Mailaccount=Mailaccount1)" with
// the parameter mailaccount1 set). This marks every bare occurrence of name (any letter case,
// outside literals and brackets, not already a parameter) as a parameter: ":" + name.
// Applied to translated SQL (it converts double-quoted literals like TranslateJet).
std::string NameToParameter(std::string_view sql, std::string_view name);

// A single-quoted SQL literal holding text exactly (inner single quotes doubled), for the
// places that format a value into a statement instead of binding a parameter.
std::string QuoteText(std::string_view text);

}  // namespace store
