#include "tools/tvmail/Json.h"

namespace tvmail {
namespace {

// Length of the well-formed UTF-8 sequence at the start of `s`, or 0 when it is not one
// (overlong forms, surrogates and code points above U+10FFFF count as malformed).
std::size_t Utf8SequenceLength(std::string_view s) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
  const unsigned char lead = byte(0);
  std::size_t need = 0;
  unsigned char lo = 0x80, hi = 0xBF;
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) {
    need = 1;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    need = 2;
    if (lead == 0xE0) lo = 0xA0;
    if (lead == 0xED) hi = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    need = 3;
    if (lead == 0xF0) lo = 0x90;
    if (lead == 0xF4) hi = 0x8F;
  } else {
    return 0;
  }
  if (s.size() < need + 1) return 0;
  if (byte(1) < lo || byte(1) > hi) return 0;
  for (std::size_t i = 2; i <= need; ++i) {
    if (byte(i) < 0x80 || byte(i) > 0xBF) return 0;
  }
  return need + 1;
}

void AppendEscapedAscii(std::string& out, char c) {
  static const char kHex[] = "0123456789abcdef";
  switch (c) {
    case '"':
      out += "\\\"";
      return;
    case '\\':
      out += "\\\\";
      return;
    case '\n':
      out += "\\n";
      return;
    case '\r':
      out += "\\r";
      return;
    case '\t':
      out += "\\t";
      return;
    case '\b':
      out += "\\b";
      return;
    case '\f':
      out += "\\f";
      return;
    default:
      break;
  }
  const auto u = static_cast<unsigned char>(c);
  if (u < 0x20 || u == 0x7F) {
    out += "\\u00";
    out += kHex[u >> 4];
    out += kHex[u & 0x0F];
  } else {
    out += c;
  }
}

// The end of the run from `from` that goes out as it is: printable ASCII other than '"' and
// '\\', and well-formed UTF-8 sequences.
std::size_t PlainRunEnd(std::string_view text, std::size_t from) {
  std::size_t i = from;
  while (i < text.size()) {
    const auto u = static_cast<unsigned char>(text[i]);
    if (u >= 0x80) {
      const std::size_t len = Utf8SequenceLength(text.substr(i));
      if (len == 0) break;
      i += len;
      continue;
    }
    if (u < 0x20 || u == 0x7F || u == '"' || u == '\\') break;
    ++i;
  }
  return i;
}

}  // namespace

void AppendJsonString(std::string& out, std::string_view text) {
  out.reserve(out.size() + text.size() + 2);
  out += '"';
  std::size_t i = 0;
  while (i < text.size()) {
    const std::size_t plain = PlainRunEnd(text, i);
    out.append(text.substr(i, plain - i));
    i = plain;
    if (i == text.size()) break;
    // The run stops at a malformed byte or at an ASCII byte that needs escaping.
    if (static_cast<unsigned char>(text[i]) >= 0x80) {
      out += "\\ufffd";
    } else {
      AppendEscapedAscii(out, text[i]);
    }
    ++i;
  }
  out += '"';
}

void JsonWriter::BeforeValue() {
  if (needComma_) out_ += ',';
  needComma_ = true;
}

void JsonWriter::BeginObject() {
  BeforeValue();
  out_ += '{';
  needComma_ = false;
}

void JsonWriter::EndObject() {
  out_ += '}';
  needComma_ = true;
}

void JsonWriter::BeginArray() {
  BeforeValue();
  out_ += '[';
  needComma_ = false;
}

void JsonWriter::EndArray() {
  out_ += ']';
  needComma_ = true;
}

void JsonWriter::Key(std::string_view name) {
  BeforeValue();
  AppendJsonString(out_, name);
  out_ += ':';
  needComma_ = false;
}

void JsonWriter::String(std::string_view value) {
  BeforeValue();
  AppendJsonString(out_, value);
}

void JsonWriter::Number(std::int64_t value) {
  BeforeValue();
  out_ += std::to_string(value);
}

void JsonWriter::Bool(bool value) {
  BeforeValue();
  out_ += value ? "true" : "false";
}

void JsonWriter::Null() {
  BeforeValue();
  out_ += "null";
}

}  // namespace tvmail
