#pragma once
// The emoticons of the compose page's picker: 28 small pictures shipped below the program
// folder's "Images/biaoqing/", each with the hint the picker shows, and the HTML a chosen one
// is pasted into the mail as.

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace editor {

struct Emoticon {
  std::string_view file;  // the picture's file name below the emoticon folder
  std::string_view hint;  // what the picker shows when the mouse rests on it
};

inline constexpr std::size_t kEmoticonCount = 28;

// The pictures in the picker's order: "b1.gif" ... "b25.gif", "26.gif", "27.gif", "b26.gif".
const std::array<Emoticon, kEmoticonCount>& Emoticons();

// The file of a picture: the program folder (trailing "/" ignored) + "/Images/biaoqing/" +
// the file name.
std::string EmoticonPath(std::string_view programFolder, std::string_view file);

// What a chosen picture pastes at the caret:
//   <img src="PATH "align="absMiddle" hspace="1">
// (one blank ends the value, "align" follows its closing quote). Quotes, angle brackets and
// ampersands of a program folder's name are written as entities, so they stay inside the value.
std::string EmoticonHtml(std::string_view programFolder, std::string_view file);

}  // namespace editor
