#include "send/MessageExport.h"

#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <system_error>

#include "accounts/AccountRows.h"
#include "maillib/Base64.h"
#include "maillib/Charsets.h"
#include "maillib/FileNames.h"
#include "maillib/MailDate.h"
#include "maillib/PicturePolicy.h"
#include "maillib/TextUtil.h"
#include "maillib/UrlPath.h"
#include "send/ComposeRecords.h"
#include "send/RecipientField.h"
#include "store/DataFiles.h"
#include "store/DateTimeText.h"
#include "store/JetSql.h"
#include "store/Query.h"

namespace send {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kDigits = "012345678";
constexpr std::string_view kCidLetters = "ABCDE";
constexpr std::string_view kBoundaryLetters = "FABCD";
// Bytes of UTF-8 text per encoded word: at most 48 Base64 characters, so a header line with
// its word stays within 76 characters.
constexpr std::size_t kWordBytes = 36;
// The longest file name the file systems take.
constexpr std::size_t kMaxNameBytes = 255;

// One generator per thread, seeded once: reseeding from the clock for every identifier gives
// two identifiers drawn within one clock tick the same value (two pictures with one
// Content-ID).
std::mt19937& Generator() {
  thread_local std::mt19937 generator = [] {
    std::random_device device;
    const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
    std::seed_seq seed{device(), device(), static_cast<unsigned>(ticks),
                       static_cast<unsigned>(ticks >> 32)};
    return std::mt19937(seed);
  }();
  return generator;
}

void Draw(std::string& out, std::string_view from, int count) {
  std::uniform_int_distribution<std::size_t> pick(0, from.size() - 1);
  for (int i = 0; i < count; ++i)
    out += from[pick(Generator())];
}

bool IsWebReference(std::string_view reference) {
  return maillib::StartsWithNoCase(reference, "http:") ||
         maillib::StartsWithNoCase(reference, "https:");
}

bool IsFileUrl(std::string_view reference) {
  return maillib::StartsWithNoCase(reference, "file:");
}

// The local file a non-web reference names.
std::string LocalPathOf(const std::string& reference) {
  return IsFileUrl(reference) ? maillib::FileUrlToPath(reference) : reference;
}

// The file's bytes; false when it cannot be read.
bool ReadFileBytes(const std::string& path, std::string* bytes) {
  std::error_code ec;
  if (path.empty() || !fs::is_regular_file(path, ec)) return false;
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

// The bytes of a reference: fetched into TemFile for a web address, read for a local file.
bool ReadReference(const std::string& reference, const ExportPlace& place, std::string* bytes) {
  if (!IsWebReference(reference)) return ReadFileBytes(LocalPathOf(reference), bytes);
  if (!place.fetcher || place.root.empty()) return false;
  std::string error;
  if (!store::EnsureProgramFolders(place.root, &error)) return false;
  const std::string saved = store::TempFileFolder(place.root) + "/" +
                            TemFileName(GetFalseFileName(reference), "", "picture");
  return place.fetcher(reference, saved) && ReadFileBytes(saved, bytes);
}

std::string Wrapped64(std::string_view bytes) {
  return maillib::JoinLines(maillib::Base64EncodeToLines(bytes));
}

// The charset of a message file: GBK bytes under "gb2312" when every text has a GBK form,
// otherwise UTF-8 bytes under "UTF-8" (GB18030's 4-byte forms are garbage to GBK readers).
class Encoding {
 public:
  explicit Encoding(const std::vector<std::string_view>& texts) {
    std::string ignored;
    for (std::string_view text : texts) {
      if (!maillib::ConvertToGbk(text, ignored)) {
        gbk_ = false;
        break;
      }
    }
  }
  const char* Label() const { return gbk_ ? "gb2312" : "UTF-8"; }
  std::string Bytes(std::string_view text) const {
    std::string out;
    if (gbk_ && maillib::ConvertToGbk(text, out)) return out;
    return std::string(text);
  }
  std::string Base64(std::string_view text) const { return Wrapped64(Bytes(text)); }
  // The text as encoded words of at most kWordBytes characters' bytes each (a character is
  // never split), joined by a folding line break. Empty for an empty text.
  std::string Words(std::string_view text) const {
    std::string out;
    std::size_t pos = 0;
    while (pos < text.size()) {
      std::size_t end = pos;
      while (end < text.size()) {
        const std::size_t n = std::max<std::size_t>(1, maillib::Utf8SequenceAt(text, end));
        if (end > pos && end + n - pos > kWordBytes) break;
        end += n;
      }
      if (!out.empty()) out += "\r\n ";
      out += "=?" + std::string(Label()) + "?B?" +
             maillib::Base64EncodeStr(Bytes(text.substr(pos, end - pos))) + "?=";
      pos = end;
    }
    return out;
  }

 private:
  bool gbk_ = true;
};

// The message text, line by line, each ended by CR LF.
class Lines {
 public:
  void Add(std::string_view line) {
    text_ += line;
    text_ += "\r\n";
  }
  const std::string& Text() const { return text_; }

 private:
  std::string text_;
};

// The header values of block H as they are written (address values in the message charset).
struct HeaderValues {
  std::string name;  // the From display name (plain text)
  std::string address;
  std::string to;
  std::string cc;
  std::string bcc;
  std::string subject;
  std::string date;  // empty: no "Date:" line
};

// One inline picture: the reference and Content-ID of its slot, and its bytes.
struct Picture {
  TFileSet slot;
  std::string bytes;
};

// Everything a layout is made of.
struct Assembly {
  HeaderValues header;
  std::string plainText;
  std::string html;  // rewritten: the inline pictures point at their Content-IDs
  std::vector<std::string> attachments;
  std::vector<Picture> pictures;
};

// Replaces the value X of every src=" attribute (case-sensitive, left to right, whatever the
// element) by "cid:" + a new Content-ID when `bytesOf` yields the bytes of X, and lists the
// picture. A value whose bytes are not given stays as written: a local path that may not be
// read is never read, and a picture that cannot be got keeps its reference.
std::string RewritePictures(const std::string& html,
                            const std::function<bool(const std::string&, std::string*)>& bytesOf,
                            std::vector<Picture>* pictures) {
  constexpr std::string_view kSrc = "src=\"";
  std::string out;
  std::size_t pos = 0;
  for (;;) {
    const std::size_t at = html.find(kSrc, pos);
    if (at == std::string::npos) break;
    const std::size_t begin = at + kSrc.size();
    const std::size_t end = html.find('"', begin);
    if (end == std::string::npos) break;
    out.append(html, pos, begin - pos);
    const std::string value = html.substr(begin, end - begin);
    Picture picture;
    if (!value.empty() && bytesOf(value, &picture.bytes)) {
      picture.slot = {value, MakeCid()};
      out += "cid:" + picture.slot.tag;
      pictures->push_back(std::move(picture));
    } else {
      out += value;
    }
    pos = end;
  }
  out.append(html, pos, std::string::npos);
  return out;
}

std::string PictureType(const std::string& name) {
  const std::string ext = ExtractFileExt(name);
  bool token = name.find('.') != std::string::npos && !ext.empty();
  for (char c : ext) {
    if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '+')) token = false;
  }
  // A name without a usable extension would make "image/<whole name>".
  return token ? "image/" + ext : "application/octet-stream";
}

void AddAlternative(Lines& lines, const std::string& boundary, const Assembly& a,
                    const Encoding& enc) {
  lines.Add("Content-Type: multipart/alternative;");
  lines.Add("        boundary=\"" + boundary + "\"");
  lines.Add("");
  lines.Add("");
  const std::pair<const char*, const std::string*> bodies[] = {{"text/plain", &a.plainText},
                                                               {"text/html", &a.html}};
  for (const auto& [type, text] : bodies) {
    lines.Add("--" + boundary);
    lines.Add(std::string("Content-Type: ") + type + ";");
    lines.Add(std::string("              charset=\"") + enc.Label() + "\"");
    lines.Add("Content-Transfer-Encoding: base64");
    lines.Add("");
    lines.Add(enc.Base64(*text));
    lines.Add("");
  }
  lines.Add("--" + boundary + "--");
}

void AddPictures(Lines& lines, const std::string& boundary, const Assembly& a,
                 const Encoding& enc) {
  for (const Picture& picture : a.pictures) {
    const std::string name = GetFalseFileName(picture.slot.fileName);
    lines.Add("--" + boundary);
    lines.Add("Content-Type: " + PictureType(name) + ";");
    lines.Add("        name=\"" + enc.Words(name) + "\"");
    lines.Add("Content-Transfer-Encoding: base64");
    lines.Add("Content-ID:<" + picture.slot.tag + ">");
    lines.Add("");
    lines.Add(Wrapped64(picture.bytes));
    lines.Add("");
  }
}

void AddAttachments(Lines& lines, const std::string& boundary, const Assembly& a,
                    const Encoding& enc) {
  for (const std::string& path : a.attachments) {
    const std::string name64 = enc.Words(maillib::FileNamePart(path));
    std::string bytes;
    // An attachment that cannot be read gives an empty part: the message is still written.
    if (!ReadFileBytes(path, &bytes)) bytes.clear();
    lines.Add("--" + boundary);
    lines.Add("Content-Type: application/octet-stream;");
    lines.Add("        name=\"" + name64 + "\"");
    lines.Add("Content-Transfer-Encoding: base64");
    lines.Add("Content-Disposition: attachment;");
    lines.Add("        filename=\"" + name64 + "\"");
    lines.Add("");
    lines.Add(Wrapped64(bytes));
    lines.Add("");
  }
}

// A header value written as it stands, on one line: a line break in a stored or typed text
// would otherwise start a header line of its own (a Bcc the user never wrote).
std::string OneLine(std::string text) {
  for (char& c : text) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  return text;
}

void AddHeader(Lines& lines, const HeaderValues& h, const Encoding& enc) {
  const std::string name = enc.Words(h.name);
  lines.Add("From: " + (name.empty() ? "" : name + " ") + "<" + OneLine(enc.Bytes(h.address)) +
            ">");
  if (!h.to.empty()) lines.Add("To: " + OneLine(enc.Bytes(h.to)));
  if (!h.cc.empty()) lines.Add("Cc: " + OneLine(enc.Bytes(h.cc)));
  if (!h.bcc.empty()) lines.Add("Bcc: " + OneLine(enc.Bytes(h.bcc)));
  lines.Add("Subject: " + enc.Words(h.subject));
  if (!h.date.empty()) lines.Add("Date: " + OneLine(h.date));
  lines.Add("MIME-Version: 1.0");
}

void AddRelatedHeader(Lines& lines, const std::string& boundary) {
  lines.Add("Content-Type: multipart/related;");
  lines.Add("        type=\"multipart/alternative\";");
  lines.Add("        boundary=\"" + boundary + "\"");
}

void AddPriority(Lines& lines) {
  lines.Add("X-Priority: 3");
  lines.Add("X-MSMail-Priority: Normal");
  lines.Add("");
}

// Layouts A (no attachment, no picture), C (pictures only), D1 (attachments only) and D2
// (both).
std::string Layout(const Assembly& a) {
  std::vector<std::string_view> texts = {a.header.name, a.header.to,      a.header.cc,
                                         a.header.bcc,  a.header.subject, a.plainText,
                                         a.html,        a.header.address};
  std::vector<std::string> names;
  for (const std::string& path : a.attachments)
    names.push_back(maillib::FileNamePart(path));
  for (const Picture& picture : a.pictures)
    names.push_back(GetFalseFileName(picture.slot.fileName));
  for (const std::string& name : names)
    texts.push_back(name);
  const Encoding enc(texts);

  Lines lines;
  AddHeader(lines, a.header, enc);
  const std::string b1 = MakeBoundaryMain();
  const std::string b2 = MakeBoundaryMain();
  if (a.attachments.empty()) {
    AddRelatedHeader(lines, b1);
    AddPriority(lines);
    lines.Add("This is a multi-part message in MIME format.");
    lines.Add("");
    lines.Add("--" + b1);
    AddAlternative(lines, b2, a, enc);
    if (!a.pictures.empty()) {
      lines.Add("");
      AddPictures(lines, b1, a, enc);
    }
    lines.Add("--" + b1 + "--");
    return lines.Text();
  }
  lines.Add("Content-Type: multipart/mixed;");
  lines.Add("        boundary=\"" + b1 + "\"");
  AddPriority(lines);
  lines.Add("--" + b1);
  if (a.pictures.empty()) {
    AddAlternative(lines, b2, a, enc);
  } else {
    const std::string b3 = MakeBoundaryMain();
    const std::string b4 = MakeBoundaryMain();
    AddRelatedHeader(lines, b3);
    lines.Add("");
    lines.Add("");
    lines.Add("--" + b3);
    AddAlternative(lines, b4, a, enc);
    lines.Add("");
    AddPictures(lines, b3, a, enc);
    lines.Add("--" + b3 + "--");
    lines.Add("");
  }
  AddAttachments(lines, b1, a, enc);
  lines.Add("--" + b1 + "--");
  return lines.Text();
}

void ListParts(const Assembly& a, std::vector<TFileSet>* parts) {
  if (parts == nullptr) return;
  parts->clear();
  for (const std::string& path : a.attachments)
    parts->push_back({path, kAttachTag});
  for (const Picture& picture : a.pictures)
    parts->push_back(picture.slot);
}

// A list of the recipient field: unchanged without a comma; otherwise its items, each in
// double quotes, joined by commas (empty items, a trailing comma's among them, add nothing).
std::string AddressList(const std::string& list) {
  const std::string trimmed = maillib::Trim(list);
  if (trimmed.find(',') == std::string::npos) return trimmed;
  std::string out;
  std::size_t pos = 0;
  while (pos <= trimmed.size()) {
    std::size_t comma = trimmed.find(',', pos);
    if (comma == std::string::npos) comma = trimmed.size();
    const std::string item = maillib::Trim(std::string_view(trimmed).substr(pos, comma - pos));
    if (!item.empty()) out += (out.empty() ? "\"" : ",\"") + item + "\"";
    pos = comma + 1;
  }
  return out;
}

std::string Quoted(const std::string& text) {
  return "\"" + text + "\"";
}

// The folder of a stored message below DB/EMF: "" when the column names none or points out of
// DB/EMF.
std::string MessageFolder(const std::string& root, const std::string& column) {
  if (root.empty() || column.empty() || column == store::kNoExtractFile) return "";
  const fs::path relative = fs::path(column).relative_path().lexically_normal();
  if (relative.empty() || *relative.begin() == "..") return "";
  return store::MailFileFolder(root) + "/" + relative.string();
}

bool Fail(std::string* error, const std::string& text) {
  if (error != nullptr) *error = text;
  return false;
}

std::string ErrnoText() {
  return std::strerror(errno);
}

bool WriteKind(const std::string& htmlText, const std::string& plainText,
               const std::function<std::string()>& eml, const std::string& chosenName,
               ExportKind kind, std::string* written, std::string* error) {
  if (chosenName.empty()) return Fail(error, "没有文件名");
  const std::string path = chosenName + ExtensionOf(kind);
  const std::string data =
      kind == ExportKind::Html ? htmlText : (kind == ExportKind::Text ? plainText : eml());
  if (!WriteWholeFile(path, data, error)) return false;
  if (written != nullptr) *written = path;
  return true;
}

}  // namespace

std::string MakeCid() {
  std::string cid;
  Draw(cid, kDigits, 6);
  Draw(cid, kCidLetters, 5);
  Draw(cid, kDigits, 5);
  Draw(cid, kCidLetters, 4);
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  cid += std::to_string(1900 + local.tm_year);
  Draw(cid, kDigits, 5);
  return cid;
}

std::string MakeBoundaryMain() {
  std::string b = "NextPart_00";
  Draw(b, kDigits, 1);
  b += "_00";
  Draw(b, kDigits, 1);
  b += "_0";
  Draw(b, kDigits, 1);
  Draw(b, kBoundaryLetters, 6);
  b += ".";
  Draw(b, kBoundaryLetters, 1);
  Draw(b, kDigits, 1);
  Draw(b, kBoundaryLetters, 1);
  Draw(b, kDigits, 5);
  return b;
}

std::string ChangeDateTimeToEng(std::time_t localTime) {
  return maillib::FormatMailDate(localTime == 0 ? std::time(nullptr) : localTime);
}

std::string DateOfShownTime(const std::string& shown) {
  std::time_t t = 0;
  if (store::ParseDateTime(shown, &t)) return maillib::FormatMailDate(t);
  int zone = 0;
  if (maillib::TryParseMailDate(shown, t, zone)) return maillib::FormatMailDate(t, zone);
  return shown;
}

std::string GetFalseFileName(const std::string& reference) {
  if (IsWebReference(reference)) return reference.substr(reference.rfind('/') + 1);
  if (IsFileUrl(reference)) return maillib::FileNamePart(LocalPathOf(reference));
  std::string name = reference.substr(reference.rfind('\\') + 1);
  return name.substr(name.rfind('/') + 1);
}

std::string ExtractFileExt(const std::string& name) {
  const std::size_t dot = name.rfind('.');
  return dot == std::string::npos ? name : name.substr(dot + 1);
}

std::string GetFromStr(const std::string& text) {
  const std::size_t open = text.find('<');
  if (open == std::string::npos) return text;
  const std::size_t close = text.find('>', open + 1);
  return text.substr(open + 1, close == std::string::npos ? std::string::npos : close - open - 1);
}

std::string AnsiStringToNormal(const std::string& text) {
  std::string out = text;
  for (char& c : out) {
    if (std::strchr("\"*/:<>?\\|", c) != nullptr && c != '\0') c = '_';
  }
  return out;
}

std::string TemFileName(const std::string& text, const std::string& ext,
                        const std::string& fallback) {
  std::string name = maillib::Utf8ToGb(AnsiStringToNormal(text));
  for (char& c : name) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7f) c = '_';
  }
  const std::size_t first = name.find_first_not_of(". ");
  name = first == std::string::npos ? std::string() : name.substr(first);
  if (name.empty()) name = fallback;
  if (!ext.empty()) name += "." + ext;
  return maillib::FitFileName(name, "", kMaxNameBytes);
}

std::string FileToBase64(const std::string& reference, const ExportPlace& place) {
  std::string bytes;
  return ReadReference(reference, place, &bytes) ? Wrapped64(bytes) : std::string();
}

std::string InnerHtmlOf(const std::string& outerHtml) {
  const std::string_view trimmed = maillib::TrimView(outerHtml);
  if (trimmed.empty() || trimmed.front() != '<' || trimmed.back() != '>') return outerHtml;
  const std::size_t open = trimmed.find('>');
  const std::size_t close = trimmed.rfind("</");
  if (open == std::string_view::npos || close == std::string_view::npos || close <= open)
    return outerHtml;
  return std::string(trimmed.substr(open + 1, close - open - 1));
}

ComposeExport ComposeExportOf(const ComposeSnapshot& page, store::Database& accounts) {
  ComposeExport out;
  out.sender = maillib::Trim(page.sender);
  out.recipientField = page.recipientField;
  out.subject = page.subject;
  out.bodyHtml = InnerHtmlOf(page.bodyOuterHtml);
  out.bodyText = page.bodyText;
  out.attachments = page.attachments;
  out.pictureFiles = page.pictureFiles;
  out.pictureFolders = page.pictureFolders;
  store::Query query(accounts);
  query.AddLine("select * from MailAcc where MailAccount=" + store::QuoteText(out.sender));
  // A failing look-up leaves the nickname empty: the From name then falls back to the
  // address's local part, which is all the nickname is for.
  if (query.Open()) {
    for (; !query.Eof(); query.Next())
      out.nickname = maillib::Trim(accounts::ReadAccountRow(query).nickname);
  }
  return out;
}

bool ReadShownRecord(store::Database& mail, std::string_view table, int id,
                     store::MessageRecord* record, std::string* error) {
  if (table.empty() || table.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTU"
                                               "VWXYZ0123456789_") != std::string_view::npos)
    return Fail(error, "bad table name");
  store::Query query(mail);
  query.AddLine("select * from " + std::string(table) + " where ID =:k");
  query.SetInt("k", id);
  if (!query.Open()) return Fail(error, query.Error());
  if (query.Eof()) return Fail(error, "");
  *record = store::ReadMessageRecord(query);
  return true;
}

std::string BuildComposeMessage(const ComposeExport& page, const ExportPlace& place,
                                std::vector<TFileSet>* parts) {
  Assembly a;
  a.header.address = maillib::Trim(page.sender);
  a.header.name = page.nickname.empty() ? a.header.address.substr(0, a.header.address.find('@'))
                                        : page.nickname;
  const RecipientParts field = CutRecipientField(page.recipientField);
  a.header.to = AddressList(field.to);
  a.header.cc = AddressList(field.cc);
  a.header.bcc = AddressList(field.bcc);
  a.header.subject = page.subject;
  a.header.date = ChangeDateTimeToEng(place.now);
  a.plainText = page.bodyText;
  a.attachments = page.attachments;

  std::vector<std::string> files;
  for (const std::string& file : page.pictureFiles)
    files.push_back(LocalPathOf(file));
  std::vector<std::string> folders;
  for (const std::string& folder : page.pictureFolders)
    folders.push_back(LocalPathOf(folder));
  const maillib::TFilePolicy policy(files, folders);
  const auto bytesOf = [&](const std::string& reference, std::string* bytes) {
    if (IsWebReference(reference)) return ReadReference(reference, place, bytes);
    const std::string path = LocalPathOf(reference);
    return policy.Allows(path) && ReadFileBytes(path, bytes);
  };
  a.html = RewritePictures(page.bodyHtml, bytesOf, &a.pictures);
  ListParts(a, parts);
  return Layout(a);
}

std::string BuildReadingMessage(const ReadingExport& page, const ExportPlace& place,
                                std::vector<TFileSet>* parts) {
  Assembly a;
  a.header.name = page.senderText;
  a.header.address = GetFromStr(page.senderText);
  if (!page.receiverText.empty()) a.header.to = Quoted(page.record.receiver);
  if (page.ccVisible && !page.ccText.empty()) a.header.cc = Quoted(page.ccText);
  a.header.subject = page.subject;
  if (!page.timeText.empty()) a.header.date = DateOfShownTime(page.timeText);
  a.plainText = page.bodyText;
  a.attachments = page.attachments;

  // Only the files of the message's own folder may be read; a received message names them
  // relative to it.
  const std::string own = MessageFolder(place.root, page.record.filePath);
  const maillib::TFilePolicy policy({},
                                    own.empty() ? maillib::StringList() : maillib::StringList{own});
  const bool received = page.record.fujian == store::kReceivedMail;
  const auto bytesOf = [&](const std::string& reference, std::string* bytes) {
    if (IsWebReference(reference)) return ReadReference(reference, place, bytes);
    const std::string path = received ? own + "/" + reference : LocalPathOf(reference);
    return !own.empty() && policy.Allows(path) && ReadFileBytes(path, bytes);
  };
  a.html = RewritePictures(page.record.content, bytesOf, &a.pictures);
  ListParts(a, parts);
  return Layout(a);
}

std::string ReadingEmlBytes(const ReadingExport& page, const ExportPlace& place) {
  const std::string folder = MessageFolder(place.root, page.record.mailFolder);
  std::string raw;
  if (!folder.empty() && ReadFileBytes(folder + "/" + store::kRawMessageFileName, &raw)) return raw;
  return BuildReadingMessage(page, place) + "\r\n";
}

const char* ExtensionOf(ExportKind kind) {
  switch (kind) {
    case ExportKind::Html:
      return ".htm";
    case ExportKind::Text:
      return ".txt";
    case ExportKind::Eml:
      return ".eml";
  }
  return ".htm";
}

ExportKind ExportKindOfFilter(int filterIndex) {
  if (filterIndex == 1) return ExportKind::Text;
  if (filterIndex == 2) return ExportKind::Eml;
  return ExportKind::Html;
}

bool WriteWholeFile(const std::string& path, std::string_view data, std::string* error) {
  const fs::path target(path);
  const std::string folder =
      target.has_parent_path() ? target.parent_path().string() : std::string(".");
  std::string temp = folder + "/.tenvel-write-XXXXXX";
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) return Fail(error, "无法写入文件 " + path + ": " + ErrnoText());
  std::size_t done = 0;
  bool ok = true;
  while (ok && done < data.size()) {
    const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
    if (n < 0 && errno == EINTR) continue;
    ok = n > 0;
    if (ok) done += static_cast<std::size_t>(n);
  }
  ok = ok && ::fsync(fd) == 0;
  std::string why = ok ? std::string() : ErrnoText();
  if (::close(fd) != 0 && ok) {
    ok = false;
    why = ErrnoText();
  }
  if (ok && ::rename(temp.c_str(), path.c_str()) != 0) {
    ok = false;
    why = ErrnoText();
  }
  if (!ok) {
    ::unlink(temp.c_str());
    return Fail(error, "无法写入文件 " + path + ": " + why);
  }
  // The file is whole on disk; its folder entry follows when the folder can be flushed.
  store::SyncFolder(folder);
  return true;
}

bool SaveComposeContent(const ComposeExport& page, const ExportPlace& place,
                        const std::string& chosenName, ExportKind kind, std::string* written,
                        std::string* error) {
  return WriteKind(
      page.bodyHtml, page.bodyText, [&] { return BuildComposeMessage(page, place) + "\r\n"; },
      chosenName, kind, written, error);
}

bool SaveReadingContent(const ReadingExport& page, const ExportPlace& place,
                        const std::string& chosenName, ExportKind kind, std::string* written,
                        std::string* error) {
  return WriteKind(
      page.bodyHtml.empty() ? page.record.content : page.bodyHtml, page.bodyText,
      [&] { return ReadingEmlBytes(page, place); }, chosenName, kind, written, error);
}

bool WriteForwardAttachment(const ReadingExport& page, const ExportPlace& place,
                            std::string* written, std::string* error) {
  if (place.root.empty()) return Fail(error, "没有程序文件夹");
  if (!store::EnsureProgramFolders(place.root, error)) return false;
  const std::string path =
      store::TempFileFolder(place.root) + "/" + TemFileName(page.subject, "eml", kNoSubjectName);
  if (!WriteWholeFile(path, ReadingEmlBytes(page, place), error)) return false;
  if (written != nullptr) *written = path;
  return true;
}

}  // namespace send
