#include "maillib/AttachedFiles.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <system_error>

#include "maillib/Base64.h"
#include "maillib/FileNames.h"
#include "maillib/FileUtil.h"
#include "maillib/HzCodec.h"
#include "maillib/MailLimits.h"
#include "maillib/QuotedPrintable.h"
#include "maillib/TextUtil.h"
#include "maillib/UUCode.h"

namespace maillib {

namespace {

// At most this many characters of the subtype go into a default file name.
constexpr std::size_t kMaxDefaultExtension = 8;
// A base64 body needs more lines than this before junk lines at its end are looked for.
constexpr std::size_t kJunkCheckMinLines = 10;

bool Contains(std::string_view text, std::string_view part) {
  return text.find(part) != std::string_view::npos;
}

// "Default.<subtype>" for a part without any name; "Default.eml" for an attached message.
std::string DefaultNameForType(const std::string& contentType) {
  const std::string upper = UpperAscii(contentType);
  if (Contains(upper, "RFC822")) return "Default.eml";
  const std::size_t slash = contentType.find('/');
  if (slash == std::string::npos) return "Default";
  return "Default." + LowerAscii(contentType.substr(slash + 1, kMaxDefaultExtension));
}

// The save name of an item without touching its Size.
std::string SaveNameOf(const TAttachedFile& item) {
  std::string name = item.FileName;
  if (name.empty()) name = item.Name;
  if (name.empty()) name = item.ContentID;
  if (name.empty()) name = DefaultNameForType(item.ContentType);
  std::string safe = Trim(SafeAttachmentFileName(FileNamePart(name)));
  if (safe.empty()) safe = SafeAttachmentFileName(DefaultNameForType(item.ContentType));
  return safe;
}

// Sum of the trimmed line lengths, scaled to decoded bytes for base64.
std::int64_t EstimatedSize(const TAttachedFile& item) {
  std::int64_t sum = 0;
  for (const std::string& line : item.Lines)
    sum += static_cast<std::int64_t>(TrimView(line).size());
  if (UpperAscii(item.ContentTransferEncoding) == "BASE64") sum = sum * 3 / 4;
  return sum;
}

bool HasOuterBlank(const std::string& line) {
  return !line.empty() && (static_cast<unsigned char>(line.front()) <= ' ' ||
                           static_cast<unsigned char>(line.back()) <= ' ');
}

// Removes padded lines of odd length near the end of a long base64 body (mail list footers and
// similar junk that would decode to garbage bytes).
StringList WithoutJunkLines(const StringList& lines) {
  StringList kept = lines;
  std::size_t width = 0;
  for (const std::string& line : kept) {
    if (!Trim(line).empty()) {
      width = line.size();
      break;
    }
  }
  for (std::size_t i = kept.size() - 1; i-- > 0;) {
    if (kept[i].size() != width && HasOuterBlank(kept[i])) kept.erase(kept.begin() + i);
  }
  return kept;
}

bool WriteBytes(const std::string& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) return false;
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  return !out.fail();
}

}  // namespace

std::string TAttachedFile::FileNameForSave() {
  if (Size == 0) Size = EstimatedSize(*this);
  return SaveNameOf(*this);
}

std::string DecodeTransferEncoding(const StringList& lines, std::string_view encoding) {
  const std::string upper = UpperAscii(encoding);
  if (upper == "BASE64") return Base64DecodeLines(lines);
  std::string bytes;
  if (upper == "X-UUENCODE") {
    // A damaged symbol spoils only its own bytes: what decodes is kept whatever the result.
    static_cast<void>(UUDecodeLines(lines, bytes));
    return bytes;
  }
  bytes = JoinLines(lines);
  if (Contains(upper, "QUOTED") && Contains(upper, "PRINTABLE")) bytes = QPDecode(bytes);
  return bytes;
}

std::string TAttachedFile::DecodedBytes() const {
  std::string bytes = DecodeTransferEncoding(Lines, ContentTransferEncoding);
  const std::string type = UpperAscii(ContentType);
  if (Contains(type, "TEXT") && Contains(UpperAscii(CharSet), "HZ")) bytes = HZDecode(bytes);
  return bytes;
}

bool TAttachedFile::SaveToFile(const std::string& path, bool dropJunkLines) const {
  if (UpperAscii(ContentTransferEncoding) != "BASE64") return WriteBytes(path, DecodedBytes());
  if (dropJunkLines && Lines.size() > kJunkCheckMinLines) {
    return Base64DecodeLinesToFile(WithoutJunkLines(Lines), path);
  }
  return Base64DecodeLinesToFile(Lines, path);
}

void TAttachedFile::DecodeToLines(StringList& target) const {
  target = SplitLines(DecodedBytes());
}

bool TAttachedFile::EncodeFromFile() {
  ContentTransferEncoding = "BASE64";
  StringList encoded;
  std::error_code ec;
  const std::string& path = std::filesystem::is_regular_file(FileName, ec) ? FileName : SourcePath;
  if (path.empty() || !Base64EncodeFileToLines(path, encoded)) return false;
  Lines = std::move(encoded);
  return true;
}

void TAttachedFile::SetName(const std::string& name) {
  Name = name;
  FileName = name;
}

TAttachedFile& TAttachedFiles::Add() {
  TAttachedFile& item = items_.emplace_back();
  TakeName(item);
  return item;
}

void TAttachedFiles::TakeName(const TAttachedFile& item) {
  std::string upper = UpperAscii(SaveNameOf(item));
  ++takenNames_[upper];
  savedNames_.push_back(std::move(upper));
}

bool TAttachedFiles::HasSaveName(const std::string& name) const {
  return takenNames_.contains(UpperAscii(name));
}

// "a.txt" taken: "a(n).txt" with n = the item count, counting up until the name is free. The
// stem is shortened so that the whole name fits in a file name.
std::string TAttachedFiles::UniqueName(const std::string& name) const {
  if (!HasSaveName(name)) return name;
  const std::size_t dot = name.rfind('.');
  const bool hasExtension = dot != std::string::npos && dot > 0 && dot + 1 < name.size();
  const std::string stem = hasExtension ? name.substr(0, dot) : name;
  const std::string extension = hasExtension ? name.substr(dot) : std::string();
  for (std::size_t n = items_.size();; ++n) {
    const std::string suffix = "(" + std::to_string(n) + ")" + extension;
    const std::size_t room = kMaxFileNameBytes - std::min(suffix.size(), kMaxFileNameBytes);
    std::string candidate = std::string(CutAtCharBoundary(stem, room)) + suffix;
    if (!HasSaveName(candidate)) return candidate;
  }
}

// The caller fills the item's fields and then records its save name with TakeName.
TAttachedFile& TAttachedFiles::AddNamed(const std::string& name) {
  std::string unique = UniqueName(name);
  TAttachedFile& item = items_.emplace_back();
  item.Name = std::move(unique);
  return item;
}

TAttachedFile& TAttachedFiles::AddFile(const std::string& path, std::int64_t size) {
  const std::uint64_t onDisk = FileSizeOf(path);
  TAttachedFile& item = AddNamed(SafeAttachmentFileName(FileNamePart(path)));
  item.Size = onDisk > 0 ? static_cast<std::int64_t>(onDisk) : size;
  item.ContentType = MimeTypeOfFile(path);
  item.FileName = path;
  item.SourcePath = path;
  TakeName(item);
  return item;
}

// A parsed part: the display name and the save name are the same unique name, so two parts
// called "a.txt" are saved as "a.txt" and "a(1).txt" and never overwrite each other.
TAttachedFile& TAttachedFiles::AddFromPart(const TSubHeaderInfo& info) {
  TAttachedFile probe;
  probe.FileName = info.FileName;
  probe.Name = info.Name;
  probe.ContentID = info.ContentID;
  probe.ContentType = info.ContentType;
  TAttachedFile& item = AddNamed(SaveNameOf(probe));
  item.ContentType = info.ContentType;
  item.CharSet = info.CharSet;
  item.Boundary = info.Boundary;
  item.Disposition = info.Disposition;
  item.ContentID = info.ContentID;
  item.ContentTransferEncoding = info.ContentTransferEncoding;
  item.ContentLocation = info.ContentLocation;
  item.FileName = item.Name;
  item.SourcePath = item.Name;
  TakeName(item);
  return item;
}

void TAttachedFiles::Delete(int index) {
  if (index < 0 || index >= Count()) return;
  const auto at = static_cast<std::size_t>(index);
  const auto taken = takenNames_.find(savedNames_[at]);
  if (taken != takenNames_.end() && --taken->second == 0) takenNames_.erase(taken);
  savedNames_.erase(savedNames_.begin() + index);
  items_.erase(items_.begin() + index);
}

}  // namespace maillib
