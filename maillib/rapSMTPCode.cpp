#include "maillib/rapSMTPCode.h"

#include "maillib/Base64.h"
#include "maillib/Charsets.h"
#include "maillib/ComposeHeaders.h"
#include "maillib/ComposeParts.h"
#include "maillib/FileNames.h"
#include "maillib/HeaderWords.h"
#include "maillib/HtmlText.h"
#include "maillib/InlineHtml.h"
#include "maillib/MailIds.h"
#include "maillib/TextUtil.h"

namespace maillib {
namespace {

// The three boundaries of a message, all made from one MakeBoundary value ending in "_000".
struct TBoundaries {
  std::string mixed;
  std::string related;
  std::string alternative;
};

TBoundaries BoundariesFrom(const std::string& base) {
  const std::string stem = base.size() >= 3 ? base.substr(0, base.size() - 3) : base;
  return {base, stem + "001", stem + "002"};
}

// The lines as one text, every line followed by CR LF.
std::string TextOf(const StringList& lines) {
  std::size_t size = 0;
  for (const std::string& line : lines)
    size += line.size() + 2;
  std::string text;
  text.reserve(size);
  for (const std::string& line : lines) {
    text += line;
    text += "\r\n";
  }
  return text;
}

// Both bodies as bytes in the message charset.
struct TBodies {
  std::string text;
  std::string html;
};

// True when the text can be written as encoded words under the label (ASCII always can).
bool FitsLabel(std::string_view text, std::string_view label) {
  std::string bytes;
  return !NeedsEncodedWord(text) || ConvertForLabel(text, label, bytes);
}

// True when every header text that may become encoded words fits the header charset.
bool HeadersFit(const TRapMsg& msg, std::string_view label) {
  if (label.empty()) return true;
  for (const std::string& text :
       {msg.Subject(), msg.From(), msg.SendTo(), msg.CC(), msg.ReplyTo, msg.BCC()}) {
    if (!FitsLabel(text, label)) return false;
  }
  for (const TAttachedFiles* items : {&msg.Attachments, &msg.InlineFiles}) {
    for (const TAttachedFile& item : *items) {
      if (!FitsLabel(item.Name, label) || !FitsLabel(FileNamePart(item.FileName), label)) {
        return false;
      }
    }
  }
  return true;
}

// Converts the bodies to the message charset ("GB2312" when none is set; GBK bytes under the
// GB labels). When a body or a header text does not fit (an emoji, a rare character), or the
// charset is unknown, the bodies go as UTF-8 labelled "UTF-8" and so do the header words
// (`headerCharset` is changed), so that no reader sees garbage and no character is lost.
TBodies EncodeBodies(TRapMsg& msg, std::string html, std::string& headerCharset) {
  if (Trim(msg.CharSet()).empty()) msg.SetCharSet("GB2312");
  const std::string text = TextOf(msg.Text);
  const std::string charset = Trim(msg.CharSet());
  TBodies bodies;
  if (!CanonicalCharset(charset).empty() && HeadersFit(msg, headerCharset)) {
    MarkHtmlCharset(html, charset);
    if (ConvertForLabel(text, charset, bodies.text) &&
        ConvertForLabel(html, charset, bodies.html)) {
      return bodies;
    }
  }
  msg.SetCharSet("UTF-8");
  headerCharset = "UTF-8";
  MarkHtmlUtf8(html);
  return {text, std::move(html)};
}

// Adds an inline part for each picture of the HTML and returns the HTML with those references
// turned into "cid:" values. `complete` turns false when a file is unreadable.
std::string PrepareInlineFiles(TRapMsg& msg, const TComposeRequest& request, bool& complete) {
  msg.InlineFiles.Clear();
  if (msg.HtmlLines.empty()) return {};
  std::string html = TextOf(msg.HtmlLines);
  for (const TExtAttrFileInfo& ref : ReplaceHtmlPictures(html, request)) {
    if (ref.LocalPath.empty()) {  // a data: picture: its bytes are in the HTML
      TAttachedFile& item = msg.InlineFiles.Add();
      item.SetName(ref.Name);
      item.ContentType = ref.ContentType;
      item.Lines = Base64EncodeToLines(ref.Data);
      item.ContentTransferEncoding = "BASE64";
      item.Size = static_cast<std::int64_t>(ref.Data.size());
      item.SetContentId(ref.ContentID);
      continue;
    }
    TAttachedFile& item = msg.InlineFiles.AddFile(ref.LocalPath);
    item.SetContentId(ref.ContentID);
    if (!item.EncodeFromFile()) complete = false;
  }
  return html;
}

bool HasVisibleText(const StringList& lines) {
  for (const std::string& line : lines) {
    if (!Trim(line).empty()) return true;
  }
  return false;
}

// Settles what the text/plain part holds: the text asked for, else the message's Text, else
// (no text, or the HTML source put there) the text read out of the HTML.
void SettlePlainText(TRapMsg& msg, const TComposeRequest& request) {
  if (!request.plainText.empty()) {
    msg.Text = SplitLines(request.plainText);
    return;
  }
  if (msg.HtmlLines.empty()) return;
  if (HasVisibleText(msg.Text) && JoinLines(msg.Text) != JoinLines(msg.HtmlLines)) return;
  msg.Text = SplitLines(HtmlToText(JoinLines(msg.HtmlLines)));
}

class TComposer {
 public:
  TComposer(TRapMsg& msg, const TComposeOptions& options, TBodies bodies)
      : msg_(msg),
        options_(options),
        bounds_(BoundariesFrom(msg.Boundary)),
        bodies_(std::move(bodies)),
        charset_(Trim(msg.CharSet())) {}

  StringList TextOnlyBody();
  StringList MultipartBody();

 private:
  void AppendFile(StringList& out, const std::string& boundary, const TAttachedFile& item,
                  bool attachment) const {
    // Attachments are named by their unique display name ("a(1).txt" for a second "a.txt").
    const std::string& name = attachment && !item.Name.empty() ? item.Name : item.FileName;
    AppendFilePart(out, boundary, item, FileNamePart(name), options_.headerCharset, attachment);
  }
  void AppendClosing(StringList& out, const std::string& boundary) const {
    out.push_back("--" + boundary + "--");
    out.emplace_back();
  }
  void AppendOpenings(StringList& out) const;
  void AppendAlternative(StringList& out) const;
  void AppendRelated(StringList& out) const;
  void AppendMixed(StringList& out) const;

  TRapMsg& msg_;
  const TComposeOptions& options_;
  TBoundaries bounds_;
  TBodies bodies_;
  std::string charset_;
};

StringList TComposer::TextOnlyBody() {
  StringList out;
  const bool base64 = options_.base64Body;
  msg_.ContentType = "text/plain";
  if (msg_.Attachments.Empty()) {
    AppendBodyBytes(out, bodies_.text, base64);
    return out;
  }
  AppendTextPartHeader(out, bounds_.mixed, "text/plain", charset_, base64 ? "base64" : "8bit");
  AppendBodyBytes(out, bodies_.text, base64);
  for (const TAttachedFile& item : msg_.Attachments) {
    out.emplace_back();
    AppendFile(out, bounds_.mixed, item, true);
  }
  msg_.ContentType = "multipart/mixed";
  out.emplace_back();
  AppendClosing(out, bounds_.mixed);
  return out;
}

void TComposer::AppendOpenings(StringList& out) const {
  const bool inlines = !msg_.InlineFiles.Empty();
  const bool attachments = !msg_.Attachments.Empty();
  if (inlines && attachments) {
    AppendNestedOpening(out, bounds_.mixed, "multipart/related", bounds_.related);
  }
  if (inlines) {
    AppendNestedOpening(out, bounds_.related, "multipart/alternative", bounds_.alternative);
  } else if (attachments) {
    AppendNestedOpening(out, bounds_.mixed, "multipart/alternative", bounds_.alternative);
  }
}

void TComposer::AppendAlternative(StringList& out) const {
  const bool base64 = options_.base64Body;
  AppendTextPartHeader(out, bounds_.alternative, "text/plain", charset_,
                       base64 ? "base64" : "8Bit");
  AppendBodyBytes(out, bodies_.text, base64);
  out.emplace_back();
  AppendTextPartHeader(out, bounds_.alternative, "text/html", charset_, base64 ? "base64" : "8bit");
  AppendBodyBytes(out, bodies_.html, base64);
  out.emplace_back();
  AppendClosing(out, bounds_.alternative);
}

void TComposer::AppendRelated(StringList& out) const {
  for (const TAttachedFile& item : msg_.InlineFiles) {
    AppendFile(out, bounds_.related, item, false);
    out.emplace_back();
  }
  AppendClosing(out, bounds_.related);
}

void TComposer::AppendMixed(StringList& out) const {
  for (const TAttachedFile& item : msg_.Attachments) {
    AppendFile(out, bounds_.mixed, item, true);
    out.emplace_back();
  }
  AppendClosing(out, bounds_.mixed);
}

StringList TComposer::MultipartBody() {
  StringList out;
  AppendOpenings(out);
  AppendAlternative(out);
  if (!msg_.InlineFiles.Empty()) AppendRelated(out);
  if (!msg_.Attachments.Empty()) AppendMixed(out);
  if (!msg_.Attachments.Empty()) {
    msg_.ContentType = "multipart/mixed";
    msg_.Boundary = bounds_.mixed;
  } else if (!msg_.InlineFiles.Empty()) {
    msg_.ContentType = "multipart/related";
    msg_.Boundary = bounds_.related;
  } else {
    msg_.ContentType = "multipart/alternative";
    msg_.Boundary = bounds_.alternative;
  }
  return out;
}

}  // namespace

bool ComposeMessage(TRapMsg& msg, const TComposeRequest& request) {
  bool complete = true;
  const std::string html = PrepareInlineFiles(msg, request, complete);
  for (TAttachedFile& item : msg.Attachments) {
    if (!PrepareBase64Lines(item)) complete = false;
  }
  SettlePlainText(msg, request);
  msg.Boundary = MakeBoundary();
  std::string headerCharset = request.headerCharset;
  TBodies bodies = EncodeBodies(msg, html, headerCharset);
  const TComposeOptions options{request.extraHeader, request.base64Body, request.includeBcc,
                                headerCharset};
  TComposer composer(msg, options, std::move(bodies));
  const bool multipart = !msg.HtmlLines.empty() || !msg.Attachments.Empty();
  StringList body = msg.HtmlLines.empty() ? composer.TextOnlyBody() : composer.MultipartBody();
  StringList header = ComposeHeaderLines(msg, options, multipart);
  msg.RawLines.clear();
  msg.RawLines.reserve(header.size() + 1 + body.size());
  AppendLines(msg.RawLines, std::move(header));
  msg.RawLines.emplace_back();
  AppendLines(msg.RawLines, std::move(body));
  return complete;
}

bool ComposeMessage(TRapMsg& msg, std::string_view extraHeader, bool base64Body, bool includeBcc,
                    std::string_view headerCharset, std::string_view baseFolder) {
  TComposeRequest request;
  request.extraHeader = extraHeader;
  request.base64Body = base64Body;
  request.includeBcc = includeBcc;
  request.headerCharset = headerCharset;
  request.baseFolder = baseFolder;
  return ComposeMessage(msg, request);
}

}  // namespace maillib
