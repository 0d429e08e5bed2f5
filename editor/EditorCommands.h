#pragma once
// The commands the compose page's toolbar and popup menu send to the mail editor, and the
// values they send with them. The names are the editor's standard editing commands
// (platform::HtmlEditor::ExecCommand), which compares them without regard to case.
//
// Colours are numbers as the colour chooser of the old program handed them on: 0x00BBGGRR
// (red in the low byte). The editor's page wants 0x00RRGGBB, so RGB2BGR turns one into the
// other (the exchange is its own inverse).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace editor {

inline constexpr std::string_view kFontName = "FontName";
inline constexpr std::string_view kFontSize = "FontSize";
inline constexpr std::string_view kBold = "Bold";
inline constexpr std::string_view kItalic = "Italic";
inline constexpr std::string_view kUnderLine = "UnderLine";
inline constexpr std::string_view kForeColor = "ForeColor";
inline constexpr std::string_view kJustifyLeft = "JustifyLeft";
inline constexpr std::string_view kJustifyCenter = "JustifyCenter";
inline constexpr std::string_view kJustifyRight = "JustifyRight";
inline constexpr std::string_view kCreateLink = "CreateLink";
inline constexpr std::string_view kUnLink = "UnLink";
inline constexpr std::string_view kInsertHorizontalRule = "InsertHorizontalRule";
inline constexpr std::string_view kInsertOrderedList = "InsertOrderedList";
inline constexpr std::string_view kInsertUnOrderedList = "InsertUnOrderedList";
inline constexpr std::string_view kCut = "Cut";
inline constexpr std::string_view kCopy = "Copy";
inline constexpr std::string_view kPaste = "PASTE";
inline constexpr std::string_view kUndo = "Undo";
inline constexpr std::string_view kSelectAll = "SelectAll";
inline constexpr std::string_view kDelete = "delete";
inline constexpr std::string_view kInsertHtml = "insertHTML";

// The size list's entries, first to last, and the one it shows at the start.
inline constexpr int kFirstListSize = 10;
inline constexpr int kLastListSize = 15;
inline constexpr std::string_view kDefaultListSize = "11";
// The font the font list shows at the start.
inline constexpr std::string_view kDefaultFontName = "宋体";

// Exchanges the red and the blue byte of a colour number (0x00BBGGRR <-> 0x00RRGGBB); the
// high byte is dropped.
std::uint32_t RGB2BGR(std::uint32_t colour);

// The "FontSize" value for an entry of the size list: the entry's number minus 8, so "10" is
// 2 and "15" is 7. Nothing for a text that is not one of the list's entries.
std::optional<int> FontSizeValue(std::string_view listText);

// The colour as the page's attributes write it: "#rrggbb" for 0x00RRGGBB.
std::string HtmlColour(std::uint32_t rgb);

// A colour as the editor reports it (queryCommandValue: "rgb(r, g, b)", "rgba(r, g, b, a)",
// "#rrggbb", "#rgb"), as 0x00RRGGBB. Nothing for any other text or a part out of range.
std::optional<std::uint32_t> ParseEditorColour(std::string_view text);

// The body's outer HTML with "bgColor=" + the colour + " " inserted right after "<BODY "
// (any case), so that the receiver sees the background the writer chose. rgb is 0x00RRGGBB.
// The colour is written "#rrggbb": a bare decimal number would be read by every browser as
// the hexadecimal digits of another colour (16777215, white, reads as #167715). A body tag
// without attributes ("<body>") gets the attribute as well; html without a body tag comes back
// unchanged.
std::string AddWebEditorBg(std::string_view outerHtml, std::uint32_t rgb);

// Whether a link address the user typed may become a link of the mail: not empty, and not one
// whose scheme runs code in the receiver's program (javascript:, vbscript:, data:).
bool IsAcceptableLinkAddress(std::string_view address);

}  // namespace editor
