// A small JSON writer for the tool's one-object-per-line output. Strings are taken as UTF-8;
// any byte sequence that is not well-formed UTF-8 is written as U+FFFD, so the output is
// always valid JSON whatever the input bytes are.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tvmail {

// Appends `text` as a quoted JSON string to `out`.
void AppendJsonString(std::string& out, std::string_view text);

// Builds one JSON object or array value by appending members in order.
class JsonWriter {
 public:
  void BeginObject();
  void EndObject();
  void BeginArray();
  void EndArray();
  // Starts a member of the current object; the next value written belongs to it.
  void Key(std::string_view name);
  void String(std::string_view value);
  void Number(std::int64_t value);
  void Bool(bool value);
  void Null();

  const std::string& Text() const { return out_; }

 private:
  void BeforeValue();

  std::string out_;
  bool needComma_ = false;
};

}  // namespace tvmail
