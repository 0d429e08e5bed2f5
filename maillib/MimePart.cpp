// The walk over the parts of a message and the filing of each part.
#include "maillib/MimePart.h"

#include "maillib/InlineHtml.h"
#include "maillib/MsgBodyText.h"
#include "maillib/RapMsg.h"
#include "maillib/rapMime.h"

namespace maillib {

namespace {

// An attached message name leaves room for ".eml" and a "(n)" within the file-name limit.
constexpr std::size_t kMaxEmlStemBytes = 200;

bool Contains(std::string_view text, std::string_view part) {
  return text.find(part) != std::string_view::npos;
}

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

std::string_view TrimRightView(std::string_view text) {
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
    text.remove_suffix(1);
  return text;
}

// Types whose body is never shown as text even without a file name.
bool IsMediaType(std::string_view type) {
  for (const char* prefix : {"IMAGE/", "AUDIO/", "VIDEO/", "APPLICATION/", "FONT/", "MODEL/"}) {
    if (StartsWith(type, prefix)) return true;
  }
  return false;
}

bool IsImage(const TSubHeaderInfo& info) {
  if (StartsWith(info.ContentType, "IMAGE/")) return true;
  std::string name = !info.FileName.empty() ? info.FileName : info.Name;
  if (name.empty()) name = info.ContentID;
  return HasImageExtension(name);
}

// At most `limit` bytes of UTF-8 text, never cutting a character in two.
std::string CutUtf8(std::string text, std::size_t limit) {
  if (text.size() <= limit) return text;
  std::size_t end = limit;
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
    --end;
  text.resize(end);
  return text;
}

// The decoded subject of an attached message; false when it has no Subject header.
bool AttachedSubject(LineSpan lines, const std::string& charSet, std::string& subject) {
  const StringList header = HeaderBlockOf(lines);
  std::string line;
  if (!FindHeader(header, "SUBJECT:", line)) return false;
  std::string typeLine;
  std::string ownCharSet;
  if (FindHeader(header, "CONTENT-TYPE:", typeLine)) ownCharSet = DecodeParam(typeLine, "charset");
  subject = Trim(DecodeHeaderWords(FullHeaderValue(header, "SUBJECT:"),
                                   ownCharSet.empty() ? charSet : ownCharSet));
  return true;
}

std::string EmlName(const std::string& subject) {
  std::string stem = SafeAttachmentFileName(CutUtf8(subject, kMaxEmlStemBytes));
  if (stem.empty()) stem = "Default";
  return stem + ".eml";
}

}  // namespace

void TMimeWalker::Run(LineSpan wholeMessage) {
  ParsePart(wholeMessage, 0);
  for (TPendingPart& part : pending_)
    FilePart(part);
  pending_.clear();
  RewriteInlineHtml(html_, msg_.InlineFiles);
  msg_.HtmlLines = SplitLines(html_);
}

void TMimeWalker::ParsePart(LineSpan part, int depth) {
  part = SkipEmptyTop(part);
  if (part.empty()) return;
  const TSubHeaderInfo info = ReadSubHeader(HeaderBlockOf(part), msg_.CharSet());
  const LineSpan body = BodyOf(part);
  const std::string& type = info.ContentType;
  if (StartsWith(type, "TEXT")) return DispatchText(body, info);
  if (StartsWith(type, "MULTIPART")) {
    if (depth >= kMaxMimeDepth) return AddPart(body, info);
    return SplitMultipart(body, info, depth);
  }
  if (type == "MESSAGE/RFC822") {
    const bool named = !info.Name.empty() || !info.FileName.empty();
    if (!msg_.ExpandAttachedMessages || named || depth >= kMaxMimeDepth) {
      return AddPart(body, info);
    }
    return ParsePart(body, depth + 1);
  }
  DispatchOther(body, info);
}

void TMimeWalker::DispatchText(LineSpan body, const TSubHeaderInfo& info) {
  if (!info.Name.empty() || info.ContentType == "TEXT/HTML" || info.Disposition == "ATTACHMENT") {
    AddPart(body, info);
  } else {
    AddBodyText(body, info);
  }
}

// A part of another type is filed as an attachment when it is named, marked as attachment or
// binary media; a part in a plain 7/8-bit encoding otherwise shows as text (delivery reports).
void TMimeWalker::DispatchOther(LineSpan body, const TSubHeaderInfo& info) {
  const std::string& encoding = info.ContentTransferEncoding;
  const bool named = !info.Name.empty() || !info.FileName.empty() ||
                     info.Disposition == "ATTACHMENT" || IsMediaType(info.ContentType);
  if (encoding == "X-UUENCODE" || named || encoding == "BASE64" || encoding == "QUOTED-PRINTABLE") {
    AddPart(body, info);
  } else {
    AddOtherText(body, info);
  }
}

// Splits at "--boundary" lines; "--boundary--" ends the walk. Each collected run starts with
// its delimiter line. Without a boundary or an opening delimiter the body is shown as text.
void TMimeWalker::SplitMultipart(LineSpan body, const TSubHeaderInfo& info, int depth) {
  const std::string open = "--" + info.Boundary;
  const std::string close = open + "--";
  std::size_t start = 0;
  while (start < body.size() && TrimView(body[start]) != open)
    ++start;
  if (info.Boundary.empty() || start == body.size()) {
    TSubHeaderInfo asText = info;
    asText.ContentType = "TEXT/PLAIN";
    return AddBodyText(body, asText);
  }
  for (std::size_t j = start + 1; j < body.size(); ++j) {
    if (body[j].size() < open.size() || body[j][0] != '-') continue;
    const std::string_view line = TrimRightView(body[j]);
    if (line == close) return ParsePart(body.subspan(start, j - start), depth + 1);
    if (line == open) {
      ParsePart(body.subspan(start, j - start), depth + 1);
      start = j;
    }
  }
  ParsePart(body.subspan(start), depth + 1);
}

void TMimeWalker::AddBodyText(LineSpan body, const TSubHeaderInfo& info) {
  StringList lines(body.begin(), body.end());
  for (TUUBlock& block : ExtractUUBlocks(lines)) {
    TSubHeaderInfo uu;
    uu.ContentType = "APPLICATION/OCTET-STREAM";
    uu.ContentTransferEncoding = "X-UUENCODE";
    uu.CharSet = info.CharSet;
    uu.Name = FileNamePart(ConvertCharsetText(block.FileName, info.CharSet));
    AddOwnedPart(std::move(block.Lines), uu);
  }
  const std::string bytes = DecodeBodyBytes(lines, info.ContentTransferEncoding);
  AppendTextLines(msg_.Text, ConvertCharsetText(bytes, info.CharSet), kNextPartLine);
  if (msg_.CharSet().empty()) msg_.SetCharSet(info.CharSet);
}

void TMimeWalker::AddOtherText(LineSpan body, const TSubHeaderInfo& info) {
  const StringList lines(body.begin(), body.end());
  const std::string text = ConvertCharsetText(JoinLines(lines), info.CharSet);
  AppendTextLines(msg_.Text, text, std::string(kOtherPartRuleLength, '='));
}

void TMimeWalker::AddPart(LineSpan lines, const TSubHeaderInfo& info) {
  if (TakeAsHtmlBody(lines, info)) return;
  TPendingPart& part = pending_.emplace_back();
  part.Info = info;
  part.Lines = lines;
}

void TMimeWalker::AddOwnedPart(StringList lines, const TSubHeaderInfo& info) {
  TPendingPart& part = pending_.emplace_back();
  part.Info = info;
  part.OwnLines = std::move(lines);
  part.Owned = true;
}

// The first unnamed HTML part becomes the HTML body, converted to UTF-8 from its declared
// charset, else the charset its <meta> tag names, else by the undeclared-text rule.
bool TMimeWalker::TakeAsHtmlBody(LineSpan lines, const TSubHeaderInfo& info) {
  if (info.ContentType != "TEXT/HTML" || !info.Name.empty() || !info.FileName.empty() ||
      !html_.empty()) {
    return false;
  }
  const StringList copy(lines.begin(), lines.end());
  const std::string bytes = DecodeTransferEncoding(copy, info.ContentTransferEncoding);
  std::string charSet = info.CharSet;
  if (charSet.empty()) charSet = HtmlMetaCharset(bytes);
  html_ = ConvertCharsetText(bytes, charSet);
  MarkHtmlUtf8(html_);
  if (msg_.CharSet().empty()) msg_.SetCharSet(charSet);
  return true;
}

bool TMimeWalker::IsAttachment(TPendingPart& part) const {
  TSubHeaderInfo& info = part.Info;
  const LineSpan lines = part.Owned ? LineSpan(part.OwnLines) : part.Lines;
  std::string subject;
  if (info.ContentType == "MESSAGE/RFC822" && AttachedSubject(lines, info.CharSet, subject)) {
    info.Name = info.FileName = EmlName(subject);
    return true;
  }
  if (info.ContentID.empty()) return true;
  const bool referenced = HtmlRefersToPart(html_, info.ContentID, info.ContentLocation);
  if (referenced && IsImage(info)) return false;
  return info.Disposition == "ATTACHMENT" || !Contains(html_, info.ContentID);
}

void TMimeWalker::FilePart(TPendingPart& part) {
  const bool attachment = IsAttachment(part);
  TAttachedFile& item = (attachment ? msg_.Attachments : msg_.InlineFiles).AddFromPart(part.Info);
  if (part.Owned) {
    item.Lines = std::move(part.OwnLines);
  } else {
    item.Lines.assign(part.Lines.begin(), part.Lines.end());
  }
  item.Size = 0;
  item.FileNameForSave();
}

}  // namespace maillib
