// The walk over the parts of a message and the filing of each part.
#include "maillib/MimePart.h"

#include <functional>
#include <iterator>

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
  std::string stem = SafeAttachmentFileName(CutAtCharBoundary(subject, kMaxEmlStemBytes));
  if (stem.empty()) stem = "Default";
  return stem + ".eml";
}

}  // namespace

void TMimeWalker::Run(LineSpan wholeMessage) {
  ParsePart(wholeMessage, TPartContext{});
  FileTextPieces();
  for (TPendingPart& part : pending_)
    FilePart(part);
  pending_.clear();
  RewriteInlineHtml(html_, msg_.InlineFiles);
  msg_.HtmlLines = SplitLines(html_);
}

void TMimeWalker::ParsePart(LineSpan part, const TPartContext& context) {
  if (SkipEmptyTop(part).empty()) return;
  ++parts_;
  THeaderSplit split;
  if (context.NoHeader) {
    split.Body = SkipEmptyTop(part);
  } else {
    split = SplitHeader(part);
  }
  const TSubHeaderInfo info = ReadSubHeader(split.Header, msg_.CharSet(), context.DefaultType);
  const LineSpan body = split.Body;
  const std::string& type = info.ContentType;
  if (StartsWith(type, "TEXT")) return DispatchText(body, info, context);
  if (StartsWith(type, "MULTIPART")) {
    if (context.Depth >= kMaxMimeDepth) return AddPart(body, info);
    return SplitMultipart(body, info, context);
  }
  if (type == "MESSAGE/RFC822") {
    const bool named = !info.Name.empty() || !info.FileName.empty();
    if (!msg_.ExpandAttachedMessages || named || context.Depth >= kMaxMimeDepth) {
      return AddPart(body, info);
    }
    TPartContext inner;
    inner.Depth = context.Depth + 1;
    return ParsePart(body, inner);
  }
  DispatchOther(body, info, context);
}

void TMimeWalker::DispatchText(LineSpan body, const TSubHeaderInfo& info,
                               const TPartContext& context) {
  if (!info.Name.empty() || info.ContentType == "TEXT/HTML" || info.Disposition == "ATTACHMENT") {
    AddPart(body, info);
  } else {
    AddBodyText(body, info, context);
  }
}

// A part of another type is filed as an attachment when it is named, marked as attachment or
// binary media; a part in a plain 7/8-bit encoding otherwise shows as text (delivery reports).
void TMimeWalker::DispatchOther(LineSpan body, const TSubHeaderInfo& info,
                                const TPartContext& context) {
  const std::string& encoding = info.ContentTransferEncoding;
  const bool named = !info.Name.empty() || !info.FileName.empty() ||
                     info.Disposition == "ATTACHMENT" || IsMediaType(info.ContentType);
  if (encoding == "X-UUENCODE" || named || encoding == "BASE64" || encoding == "QUOTED-PRINTABLE") {
    AddPart(body, info);
  } else {
    AddOtherText(body, info, context);
  }
}

// Splits at "--boundary" lines (trailing blanks of the boundary and of the lines ignored);
// "--boundary--" ends the walk. Each part is handed on without its delimiter line. Without a
// boundary or an opening delimiter the body is shown as text.
void TMimeWalker::SplitMultipart(LineSpan body, const TSubHeaderInfo& info,
                                 const TPartContext& context) {
  const std::string open = "--" + std::string(TrimRightView(info.Boundary));
  const std::string close = open + "--";
  std::size_t start = 0;
  while (start < body.size() && TrimView(body[start]) != open)
    ++start;
  if (open.size() == 2 || start == body.size()) {
    TSubHeaderInfo asText = info;
    asText.ContentType = "TEXT/PLAIN";
    return AddBodyText(body, asText, context);
  }
  TPartContext child;
  child.Depth = context.Depth + 1;
  child.InAlternative = context.InAlternative || info.ContentType == "MULTIPART/ALTERNATIVE";
  if (info.ContentType == "MULTIPART/DIGEST") child.DefaultType = "MESSAGE/RFC822";
  const auto parseFrom = [&](std::size_t from, std::size_t to) {
    const LineSpan part = body.subspan(from + 1, to - from - 1);
    child.NoHeader = !part.empty() && part[0].empty();
    ParsePart(part, child);
  };
  for (std::size_t j = start + 1; j < body.size(); ++j) {
    if (body[j].size() < open.size() || body[j][0] != '-') continue;
    const std::string_view line = TrimRightView(body[j]);
    if (line == close) return parseFrom(start, j);
    if (line != open) continue;
    if (parts_ >= kMaxMimeParts) return KeepRestUnsplit(body.subspan(start), info);
    parseFrom(start, j);
    start = j;
  }
  if (parts_ >= kMaxMimeParts) return KeepRestUnsplit(body.subspan(start), info);
  parseFrom(start, body.size());
}

// The parts past the part limit, from a delimiter line on, become one attached message: a
// Content-Type line naming the boundary goes in front, so a mail program opens it as it is.
void TMimeWalker::KeepRestUnsplit(LineSpan rest, const TSubHeaderInfo& info) {
  StringList lines;
  lines.reserve(rest.size() + 3);
  lines.push_back("MIME-Version: 1.0");
  lines.push_back("Content-Type: " + LowerAscii(info.ContentType) + "; boundary=\"" +
                  info.Boundary + "\"");
  lines.emplace_back();
  lines.insert(lines.end(), rest.begin(), rest.end());
  TSubHeaderInfo kept;
  kept.ContentType = "MESSAGE/RFC822";
  kept.CharSet = info.CharSet;
  AddOwnedPart(std::move(lines), kept);
}

void TMimeWalker::AddBodyText(LineSpan body, const TSubHeaderInfo& info,
                              const TPartContext& context) {
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
  texts_.push_back(
      {ConvertCharsetText(bytes, info.CharSet), kNextPartLine, context.InAlternative, info, body});
  if (msg_.CharSet().empty()) msg_.SetCharSet(info.CharSet);
}

void TMimeWalker::AddOtherText(LineSpan body, const TSubHeaderInfo& info,
                               const TPartContext& context) {
  const StringList lines(body.begin(), body.end());
  texts_.push_back({ConvertCharsetText(JoinLines(lines), info.CharSet),
                    std::string(kOtherPartRuleLength, '='), context.InAlternative, info, body});
}

// Without an HTML body every text is shown. Beside one, the reading page shows only the HTML,
// so a text that is not one of its alternatives (a list footer after the HTML, the parts of a
// delivery report) is offered as an attachment rather than dropped unseen.
void TMimeWalker::FileTextPieces() {
  for (TTextPiece& piece : texts_) {
    if (html_.empty() || piece.InAlternative) {
      AppendTextLines(msg_.Text, piece.Text, piece.Separator);
    } else if (!TrimView(piece.Text).empty()) {
      TPendingPart& part = pending_.emplace_back();
      part.Info = std::move(piece.Info);
      part.Lines = piece.Lines;
    }
  }
  texts_.clear();
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
    TakeRawLines(part.Lines, item.Lines);
  }
  item.Size = 0;
  item.FileNameForSave();
}

// Filed parts never share lines, so when the message drops its raw lines after parsing, a
// part's lines are moved out of them rather than copied.
void TMimeWalker::TakeRawLines(LineSpan lines, StringList& target) {
  StringList& raw = msg_.RawLines;
  const std::less_equal<const std::string*> notAfter;
  const bool inRaw = !lines.empty() && notAfter(raw.data(), lines.data()) &&
                     notAfter(lines.data() + lines.size(), raw.data() + raw.size());
  if (!msg_.ClearRawMailAfterParse || !inRaw) {
    target.assign(lines.begin(), lines.end());
    return;
  }
  const auto first = raw.begin() + (lines.data() - raw.data());
  target.assign(std::make_move_iterator(first),
                std::make_move_iterator(first + static_cast<std::ptrdiff_t>(lines.size())));
}

}  // namespace maillib
