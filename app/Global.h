#pragma once
// Shared routines of the desktop program that more than one window calls.

#include <string>
#include <string_view>
#include <vector>

namespace app {

// Makes every upper-case "<A" tag of the HTML open in a new window: adds " target=_blank"
// unless the tag already carries "target=_blank" in any letter case. Lower-case "<a" tags are
// left alone. A final "<A" without a closing ">" is copied unchanged.
std::string AddLinkTargets(std::string_view html);

// Splits a list stored with "*" after every item ("a.txt*b.txt*") into its trimmed items.
// Text after the last "*" is not an item; an empty or blank text has no items.
std::vector<std::string> SplitStarList(std::string_view text);

// Display form of a stored receiver list ("Name <a@b>;bare@c;"): the nicknames of named
// entries each followed by "; ", bare addresses as stored with their ";". A text without "<"
// is returned unchanged.
std::string DisplayNames(std::string_view stored);

// An address text as it is shown: display names without the quotes that enclose them and
// without their backslash escapes ("\"市场部 小王\" <a@b>" shows as "市场部 小王 <a@b>",
// "\"Zhang \\\"Z\\\" San\" <z@x>" as "Zhang \"Z\" San <z@x>"). Text inside angle
// brackets is kept as it stands; an unclosed quote keeps the rest of the text.
std::string ShownAddresses(std::string_view stored);

}  // namespace app
