#include "editor/EmoticonPictures.h"

#include "maillib/TextUtil.h"

namespace editor {
namespace {

constexpr std::array<Emoticon, kEmoticonCount> kEmoticons = {{
    {"b1.gif", "爱死你了"}, {"b2.gif", "微笑"},    {"b3.gif", "开心"},  {"b4.gif", "笑哭了"},
    {"b5.gif", "眨眼"},     {"b6.gif", "飞吻"},    {"b7.gif", "酷"},    {"b8.gif", "调皮"},
    {"b9.gif", "害羞"},     {"b10.gif", "思考"},   {"b11.gif", "得意"}, {"b12.gif", "难过"},
    {"b13.gif", "大哭"},    {"b14.gif", "发怒"},   {"b15.gif", "惊恐"}, {"b16.gif", "流汗"},
    {"b17.gif", "睡觉"},    {"b18.gif", "流口水"}, {"b19.gif", "白眼"}, {"b20.gif", "晕"},
    {"b21.gif", "闭嘴"},    {"b22.gif", "生病了"}, {"b23.gif", "拥抱"}, {"b24.gif", "天使"},
    {"b25.gif", "赞"},      {"26.gif", "玫瑰"},    {"27.gif", "爱心"},  {"b26.gif", "再见"},
}};

}  // namespace

const std::array<Emoticon, kEmoticonCount>& Emoticons() {
  return kEmoticons;
}

std::string EmoticonPath(std::string_view programFolder, std::string_view file) {
  while (!programFolder.empty() && programFolder.back() == '/')
    programFolder.remove_suffix(1);
  return std::string(programFolder) + "/Images/biaoqing/" + std::string(file);
}

std::string EmoticonHtml(std::string_view programFolder, std::string_view file) {
  return "<img src=\"" + maillib::EscapeHtml(EmoticonPath(programFolder, file)) +
         " \"align=\"absMiddle\" hspace=\"1\">";
}

}  // namespace editor
