#include "editor/EditorCommands.h"

#include <array>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <vector>

namespace editor {
namespace {

char Lower(char c) {
  return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f';
}

std::string_view TrimSpace(std::string_view text) {
  while (!text.empty() && IsSpace(text.front()))
    text.remove_prefix(1);
  while (!text.empty() && IsSpace(text.back()))
    text.remove_suffix(1);
  return text;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (Lower(text[i]) != Lower(prefix[i])) return false;
  }
  return true;
}

// A whole text as an unsigned number in the given base; nothing for anything else.
std::optional<std::uint32_t> Number(std::string_view text, int base) {
  if (text.empty()) return std::nullopt;
  std::uint32_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

std::uint32_t Rgb(std::uint32_t r, std::uint32_t g, std::uint32_t b) {
  return (r << 16) | (g << 8) | b;
}

// "r, g, b" or "r, g, b, a" of the functional notation; the alpha part is ignored.
std::optional<std::uint32_t> FunctionalColour(std::string_view args) {
  std::vector<std::uint32_t> parts;
  while (true) {
    const std::size_t comma = args.find(',');
    const auto part = Number(TrimSpace(args.substr(0, comma)), 10);
    if (parts.size() < 3) {
      if (!part || *part > 255) return std::nullopt;
      parts.push_back(*part);
    }
    if (comma == std::string_view::npos) break;
    args.remove_prefix(comma + 1);
  }
  if (parts.size() != 3) return std::nullopt;
  return Rgb(parts[0], parts[1], parts[2]);
}

}  // namespace

std::uint32_t RGB2BGR(std::uint32_t colour) {
  return ((colour & 0xffu) << 16) | (colour & 0xff00u) | ((colour >> 16) & 0xffu);
}

std::optional<int> FontSizeValue(std::string_view listText) {
  const auto number = Number(listText, 10);
  if (!number || *number < kFirstListSize || *number > kLastListSize) return std::nullopt;
  return static_cast<int>(*number) - 8;
}

std::string HtmlColour(std::uint32_t rgb) {
  std::array<char, 8> text{};
  std::snprintf(text.data(), text.size(), "#%06x", static_cast<unsigned>(rgb & 0xffffffu));
  return std::string(text.data());
}

std::optional<std::uint32_t> ParseEditorColour(std::string_view text) {
  text = TrimSpace(text);
  if (text.empty()) return std::nullopt;
  if (text.front() == '#') {
    const std::string_view digits = text.substr(1);
    const auto value = Number(digits, 16);
    if (!value) return std::nullopt;
    if (digits.size() == 6) return *value;
    if (digits.size() == 3) {
      const std::uint32_t r = (*value >> 8) & 0xf, g = (*value >> 4) & 0xf, b = *value & 0xf;
      return Rgb(r * 17, g * 17, b * 17);
    }
    return std::nullopt;
  }
  for (std::string_view function : {std::string_view("rgba("), std::string_view("rgb(")}) {
    if (StartsWithNoCase(text, function) && text.back() == ')') {
      return FunctionalColour(text.substr(function.size(), text.size() - function.size() - 1));
    }
  }
  return std::nullopt;
}

std::string AddWebEditorBg(std::string_view outerHtml, std::uint32_t rgb) {
  constexpr std::string_view kTag = "<body";
  for (std::size_t at = 0; at + kTag.size() < outerHtml.size(); ++at) {
    if (!StartsWithNoCase(outerHtml.substr(at), kTag)) continue;
    const char next = outerHtml[at + kTag.size()];
    if (!IsSpace(next) && next != '>' && next != '/') continue;  // "<bodyx" is another tag
    const std::string attribute = "bgColor=" + HtmlColour(rgb) + " ";
    std::string result(outerHtml.substr(0, at + kTag.size()));
    if (IsSpace(next)) {
      // Right after "<BODY ": the blank stays in front of the new attribute.
      result += next;
      result += attribute;
      result += outerHtml.substr(at + kTag.size() + 1);
    } else {
      result += " ";
      result += attribute;
      result += outerHtml.substr(at + kTag.size());
    }
    return result;
  }
  return std::string(outerHtml);
}

bool IsAcceptableLinkAddress(std::string_view address) {
  address = TrimSpace(address);
  if (address.empty()) return false;
  // Browsers drop blanks and control characters inside a scheme ("java\tscript:"), so they
  // are dropped here too before the scheme is compared.
  const std::size_t colon = address.find(':');
  if (colon == std::string_view::npos) return true;  // no scheme: a relative address
  std::string scheme;
  for (char c : address.substr(0, colon)) {
    if (static_cast<unsigned char>(c) > ' ') scheme += Lower(c);
  }
  return scheme != "javascript" && scheme != "vbscript" && scheme != "data";
}

}  // namespace editor
