// `tvmail parse FILE.eml...`: parses each message file and prints one JSON object per line.
#include <openssl/evp.h>

#include <cstdio>
#include <ctime>
#include <iostream>

#include "maillib/RapMsg.h"
#include "maillib/TextUtil.h"
#include "tools/tvmail/Commands.h"
#include "tools/tvmail/Json.h"
#include "tools/tvmail/NetOptions.h"

namespace tvmail {
namespace {

// Lines as a POP3 retrieve gives them: split at LF, a CR before the LF dropped.
maillib::StringList SplitRawLines(std::string_view bytes) {
  maillib::StringList lines;
  std::size_t start = 0;
  while (start < bytes.size()) {
    std::size_t end = bytes.find('\n', start);
    if (end == std::string_view::npos) end = bytes.size();
    std::size_t stop = end;
    if (stop > start && bytes[stop - 1] == '\r') --stop;
    lines.emplace_back(bytes.substr(start, stop - start));
    start = end + 1;
  }
  return lines;
}

// "2024-03-05T14:07:00+08:00": the instant written in the zone the message gave.
std::string IsoDate(std::time_t when, int zoneMinutes) {
  const std::time_t shifted = when + static_cast<std::time_t>(zoneMinutes) * 60;
  std::tm tm{};
  gmtime_r(&shifted, &tm);
  char text[40];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &tm);
  const int offset = zoneMinutes < 0 ? -zoneMinutes : zoneMinutes;
  char zone[16];
  std::snprintf(zone, sizeof zone, "%c%02d:%02d", zoneMinutes < 0 ? '-' : '+', offset / 60,
                offset % 60);
  return std::string(text) + zone;
}

std::string Sha256Hex(std::string_view bytes) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  if (EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_sha256(), nullptr) != 1)
    return {};
  static const char kHex[] = "0123456789abcdef";
  std::string hex;
  for (unsigned int i = 0; i < length; ++i) {
    hex += kHex[digest[i] >> 4];
    hex += kHex[digest[i] & 0x0F];
  }
  return hex;
}

void WriteFiles(JsonWriter& json, std::string_view key, const maillib::TAttachedFiles& files) {
  json.Key(key);
  json.BeginArray();
  for (const maillib::TAttachedFile& file : files) {
    const std::string bytes = file.DecodedBytes();
    json.BeginObject();
    json.Key("name");
    json.String(file.Name);
    json.Key("content_id");
    json.String(file.ContentID);
    json.Key("size");
    json.Number(static_cast<std::int64_t>(bytes.size()));
    json.Key("sha256");
    json.String(Sha256Hex(bytes));
    json.EndObject();
  }
  json.EndArray();
}

void WriteMember(JsonWriter& json, std::string_view key, std::string_view value) {
  json.Key(key);
  json.String(value);
}

// The parser keeps address headers as comma text of "\"name\" <address>" items; the JSON
// shows them as a reader would write them, separated by ", ".
void WriteAddresses(JsonWriter& json, std::string_view key, std::string_view commaText) {
  WriteMember(json, key, maillib::JoinLines(maillib::SplitCommaText(commaText), ", "));
}

std::string MessageJson(const std::string& path, const maillib::TRapMsg& msg) {
  JsonWriter json;
  json.BeginObject();
  WriteMember(json, "file", path);
  WriteMember(json, "subject", msg.Subject());
  WriteMember(json, "from", msg.From());
  WriteAddresses(json, "to", msg.SendTo());
  WriteAddresses(json, "cc", msg.CC());
  WriteMember(json, "date", IsoDate(msg.Date, msg.DateZoneMinutes));
  WriteMember(json, "message_id", msg.MessageId);
  WriteMember(json, "charset", msg.CharSet());
  WriteMember(json, "text", maillib::JoinLines(msg.Text, "\n"));
  WriteMember(json, "html", maillib::JoinLines(msg.HtmlLines, "\n"));
  WriteFiles(json, "attachments", msg.Attachments);
  WriteFiles(json, "inline", msg.InlineFiles);
  json.EndObject();
  return json.Text();
}

}  // namespace

int RunParse(std::span<const std::string> args) {
  if (args.empty()) {
    std::cerr << "usage: tvmail parse FILE.eml...\n";
    return 2;
  }
  int status = 0;
  for (const std::string& path : args) {
    std::string bytes, error;
    if (!ReadFileBytes(path, bytes, error)) {
      std::cerr << "tvmail parse: cannot read " << error << '\n';
      status = 1;
      continue;
    }
    maillib::TRapMsg msg;
    msg.RawLines = SplitRawLines(bytes);
    msg.ClearRawMailAfterParse = true;  // only the parsed fields are printed
    msg.Parse();
    std::cout << MessageJson(path, msg) << '\n';
  }
  return status;
}

}  // namespace tvmail
