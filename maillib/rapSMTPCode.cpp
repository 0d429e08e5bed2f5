#include "maillib/rapSMTPCode.h"

#include "maillib/Charsets.h"
#include "maillib/ComposeHeaders.h"
#include "maillib/ComposeParts.h"
#include "maillib/FileNames.h"
#include "maillib/HeaderWords.h"
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

// Converts the bodies to the message charset ("GB2312" when none is set). A charset that is
// unknown or cannot hold the text gives way to UTF-8, so that no character is lost.
TBodies EncodeBodies(TRapMsg& msg, const std::string& html) {
  if (Trim(msg.CharSet()).empty()) msg.SetCharSet("GB2312");
  const std::string text = TextOf(msg.Text);
  TBodies bodies;
  const std::string charset = Trim(msg.CharSet());
  if (!CanonicalCharset(charset).empty() && ConvertFromUtf8(text, charset, bodies.text) &&
      ConvertFromUtf8(html, charset, bodies.html)) {
    return bodies;
  }
  msg.SetCharSet("UTF-8");
  return {text, html};
}

// Rebuilds InlineFiles from the local files the HTML refers to and returns the HTML with
// those references turned into "cid:" values. `complete` turns false when a file is unreadable.
std::string PrepareInlineFiles(TRapMsg& msg, std::string_view baseFolder, bool& complete) {
  msg.InlineFiles.Clear();
  if (msg.HtmlLines.empty()) return {};
  std::string html = TextOf(msg.HtmlLines);
  for (const TExtAttrFileInfo& ref : ReplaceLocalReferences(html, baseFolder)) {
    TAttachedFile& item = msg.InlineFiles.AddFile(ref.LocalPath);
    item.SetContentId(ref.ContentID);
    if (!item.EncodeFromFile()) complete = false;
  }
  return html;
}

class TComposer {
 public:
  TComposer(TRapMsg& msg, const TComposeOptions& options, const std::string& html)
      : msg_(msg),
        options_(options),
        bounds_(BoundariesFrom(msg.Boundary)),
        bodies_(EncodeBodies(msg, html)),
        charset_(Trim(msg.CharSet())) {}

  StringList TextOnlyBody();
  StringList MultipartBody();

 private:
  std::string EncodedName(const std::string& nameOrPath) const {
    return EncodeHeaderWord(FileNamePart(nameOrPath), false, options_.headerCharset);
  }
  // Attachments are named by their unique display name ("a(1).txt" for a second "a.txt").
  std::string AttachmentName(const TAttachedFile& item) const {
    return EncodedName(item.Name.empty() ? item.FileName : item.Name);
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
    AppendFilePart(out, bounds_.mixed, item, AttachmentName(item), true);
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
    AppendFilePart(out, bounds_.related, item, EncodedName(item.FileName), false);
    out.emplace_back();
  }
  AppendClosing(out, bounds_.related);
}

void TComposer::AppendMixed(StringList& out) const {
  for (const TAttachedFile& item : msg_.Attachments) {
    AppendFilePart(out, bounds_.mixed, item, AttachmentName(item), true);
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

bool ComposeMessage(TRapMsg& msg, std::string_view extraHeader, bool base64Body, bool includeBcc,
                    std::string_view headerCharset, std::string_view baseFolder) {
  bool complete = true;
  const std::string html = PrepareInlineFiles(msg, baseFolder, complete);
  for (TAttachedFile& item : msg.Attachments) {
    if (!PrepareBase64Lines(item)) complete = false;
  }
  msg.Boundary = MakeBoundary();
  const TComposeOptions options{extraHeader, base64Body, includeBcc, headerCharset};
  TComposer composer(msg, options, html);
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

bool ComposeMessage(TRapMsg& msg, const TComposeRequest& request) {
  return ComposeMessage(msg, request.extraHeader, request.base64Body, request.includeBcc,
                        request.headerCharset, request.baseFolder);
}

}  // namespace maillib
