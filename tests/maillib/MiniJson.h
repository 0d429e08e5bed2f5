// A small reader for the flat JSON objects stored next to test messages: string, boolean and
// string-array values only.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace msgtest {

struct JsonValue {
  std::string Text;                // string value, or "true"/"false"
  std::vector<std::string> Items;  // array items
};

class MiniJson {
 public:
  // Parses the object; false on anything it does not understand.
  bool Parse(std::string_view text) {
    text_ = text;
    pos_ = 0;
    if (!Expect('{')) return false;
    while (Skip() && Peek() != '}') {
      std::string key;
      if (!ReadString(key) || !Expect(':') || !ReadValue(values_[key])) return false;
      Skip();
      if (Peek() == ',') ++pos_;
    }
    return Expect('}');
  }
  const std::map<std::string, JsonValue>& Values() const { return values_; }

 private:
  bool Skip() {
    while (pos_ < text_.size() &&
           std::string_view(" \t\r\n").find(text_[pos_]) != std::string_view::npos)
      ++pos_;
    return pos_ < text_.size();
  }
  char Peek() const { return pos_ < text_.size() ? text_[pos_] : '\0'; }
  bool Expect(char c) {
    Skip();
    if (Peek() != c) return false;
    ++pos_;
    return true;
  }
  static void AppendUtf8(std::string& out, unsigned code) {
    if (code < 0x80) {
      out += static_cast<char>(code);
    } else if (code < 0x800) {
      out += static_cast<char>(0xC0 | (code >> 6));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
      out += static_cast<char>(0xE0 | (code >> 12));
      out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (code >> 18));
      out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    }
  }
  bool ReadHex4(unsigned& code) {
    if (pos_ + 4 > text_.size()) return false;
    code = static_cast<unsigned>(std::stoul(std::string(text_.substr(pos_, 4)), nullptr, 16));
    pos_ += 4;
    return true;
  }
  bool ReadEscape(std::string& out) {
    const char c = text_[pos_++];
    const std::string_view plain = "\"\\/", codes = "bfnrt", values = "\b\f\n\r\t";
    if (plain.find(c) != std::string_view::npos) return out += c, true;
    if (codes.find(c) != std::string_view::npos) return out += values[codes.find(c)], true;
    unsigned code = 0;
    if (c != 'u' || !ReadHex4(code)) return false;
    if (code >= 0xD800 && code < 0xDC00 && text_.substr(pos_, 2) == "\\u") {
      pos_ += 2;
      unsigned low = 0;
      if (!ReadHex4(low)) return false;
      code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
    }
    AppendUtf8(out, code);
    return true;
  }
  bool ReadString(std::string& out) {
    if (!Expect('"')) return false;
    while (pos_ < text_.size() && text_[pos_] != '"') {
      if (text_[pos_] != '\\') {
        out += text_[pos_++];
      } else if (++pos_ >= text_.size() || !ReadEscape(out)) {
        return false;
      }
    }
    return pos_++ < text_.size();
  }
  bool ReadValue(JsonValue& value) {
    Skip();
    if (Peek() == '"') return ReadString(value.Text);
    for (const char* word : {"true", "false"}) {
      if (text_.substr(pos_, std::string_view(word).size()) == word) {
        value.Text = word;
        pos_ += value.Text.size();
        return true;
      }
    }
    if (!Expect('[')) return false;
    while (Skip() && Peek() != ']') {
      if (!ReadString(value.Items.emplace_back())) return false;
      Skip();
      if (Peek() == ',') ++pos_;
    }
    return Expect(']');
  }

  std::string_view text_;
  std::size_t pos_ = 0;
  std::map<std::string, JsonValue> values_;
};

}  // namespace msgtest
