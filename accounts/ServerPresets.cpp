#include "accounts/ServerPresets.h"

#include <filesystem>
#include <fstream>
#include <string_view>

#include "maillib/TextUtil.h"

namespace accounts {

namespace {

// The preset file holds a few dozen lines; anything beyond this is not read.
constexpr std::size_t kMaxPresetBytes = 1024 * 1024;
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// Reads at most kMaxPresetBytes of the file. False when it exists but cannot be read.
bool ReadPresetText(const std::string& path, bool* missing, std::string* text) {
  std::error_code ec;
  const std::filesystem::file_status status = std::filesystem::status(path, ec);
  *missing = status.type() == std::filesystem::file_type::not_found;
  if (*missing) return true;
  if (ec || std::filesystem::is_directory(status)) return false;
  std::ifstream file(path, std::ios::binary);
  if (!file) return false;
  text->resize(kMaxPresetBytes);
  file.read(text->data(), static_cast<std::streamsize>(text->size()));
  if (file.bad()) return false;
  text->resize(static_cast<std::size_t>(file.gcount()));
  return true;
}

bool IsCommentOrBlank(std::string_view line) {
  return line.empty() || line.front() == ';' || line.front() == '#';
}

// The name of a "[name]" line, or false when the line is no section header.
bool SectionName(std::string_view line, std::string* name) {
  if (line.size() < 2 || line.front() != '[') return false;
  const std::size_t close = line.rfind(']');
  if (close == std::string_view::npos || close == 0) return false;
  *name = maillib::Trim(line.substr(1, close - 1));
  return true;
}

// Fills the keys pop3 and smtp of `domain`'s section (the first occurrence of each counts).
void FindHosts(std::string_view text, const std::string& domain, PresetHosts* found) {
  bool inSection = false;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    const std::string_view raw = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    const std::string_view line = maillib::TrimView(raw);
    std::string section;
    if (IsCommentOrBlank(line)) continue;
    if (SectionName(line, &section)) {
      inSection = section == domain;
      continue;
    }
    const std::size_t equals = line.find('=');
    if (!inSection || equals == std::string_view::npos) continue;
    const std::string key = maillib::LowerAscii(maillib::TrimView(line.substr(0, equals)));
    const std::string value = maillib::Trim(line.substr(equals + 1));
    if (key == "pop3" && found->pop3.empty()) found->pop3 = value;
    if (key == "smtp" && found->smtp.empty()) found->smtp = value;
  }
}

}  // namespace

std::vector<std::string> DomainChoices() {
  return {"qq.com",  "163.com", "126.com",    "yeah.net",  "sina.com",    "sohu.com",
          "139.com", "189.cn",  "aliyun.com", "gmail.com", "outlook.com", kOtherDomain};
}

bool ReadPresetHosts(const std::string& path, const std::string& domain, PresetHosts* hosts) {
  bool missing = false;
  std::string text;
  if (!ReadPresetText(path, &missing, &text)) return false;
  std::string_view body(text);
  if (body.starts_with(kUtf8Bom)) body.remove_prefix(kUtf8Bom.size());
  PresetHosts found;
  FindHosts(body, domain, &found);
  // An empty value is treated like a missing key: an empty host could never be reached.
  hosts->pop3 = found.pop3.empty() ? kPlaceholderPop : found.pop3;
  hosts->smtp = found.smtp.empty() ? kPlaceholderSmtp : found.smtp;
  return true;
}

}  // namespace accounts
