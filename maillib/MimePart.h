// Part-level parsing of a message: header blocks, part headers, the walk over (nested) parts
// and the sorting of parts into body text, HTML body, attachments and inline files.
// Used by TRapMsg::Parse; kept public for tests.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "maillib/AttachedFiles.h"
#include "maillib/MailLimits.h"
#include "maillib/MailTypes.h"

namespace maillib {

class TRapMsg;

// A run of message lines, viewed in place (no copy of the raw lines).
using LineSpan = std::span<const std::string>;

// Line that separates two text parts in the plain-text body.
constexpr const char* kNextPartLine = "_____________________ next part ______________________";
// Length of the '=' line in front of text taken from a part of another type.
constexpr std::size_t kOtherPartRuleLength = 46;

// The lines without the empty lines at their top.
LineSpan SkipEmptyTop(LineSpan lines);
// True for a line that starts a header field: a name of printable ASCII, blanks, then ':'.
bool IsHeaderFieldLine(std::string_view line);
// A part cut into its header block (at most kMaxHeaderBlockBytes of it) and its body (what
// follows the block and the blank lines after it). Leading empty lines are skipped.
struct THeaderSplit {
  StringList Header;
  LineSpan Body;
};
THeaderSplit SplitHeader(LineSpan part);
// The header block of SplitHeader.
StringList HeaderBlockOf(LineSpan part);
// The body of SplitHeader.
LineSpan BodyOf(LineSpan part);
// The value of a header field after its name and colon, unfolded and trimmed, not cut at ';'.
// Empty when the field is absent.
std::string FullHeaderValue(const StringList& header, std::string_view upperName);
// The multipart boundary of a header line: "boundary=", also with blanks before '=', quotes
// removed.
std::string BoundaryOf(std::string_view contentTypeLine);
// Reads one part's header. `messageCharSet` is the default charset of the part, `defaultType`
// its type without a Content-Type field (message/rfc822 inside a multipart/digest).
TSubHeaderInfo ReadSubHeader(const StringList& header, const std::string& messageCharSet,
                             std::string_view defaultType = "TEXT/PLAIN");
// Reads the top-level header fields into the message (HeaderLines must be filled).
void ReadTopHeader(TRapMsg& msg);

// The walk over the parts of one message.
class TMimeWalker {
 public:
  explicit TMimeWalker(TRapMsg& msg) : msg_(msg) {}
  // Parses the whole message, then files the collected parts and rewrites the HTML body.
  void Run(LineSpan wholeMessage);

 private:
  // A part waiting to be filed: attachment or inline file is decided once the HTML is known.
  struct TPendingPart {
    TSubHeaderInfo Info;
    LineSpan Lines;
    StringList OwnLines;  // used instead of Lines for parts cut out of body text
    bool Owned = false;
  };
  // Where a part sits: its depth, whether it is one of the alternatives of a
  // multipart/alternative, the type it has without a Content-Type field, and whether it has no
  // header at all (an empty line right after its delimiter).
  struct TPartContext {
    int Depth = 0;
    bool InAlternative = false;
    std::string_view DefaultType = "TEXT/PLAIN";
    bool NoHeader = false;
  };
  // Text for the plain-text body, kept until the HTML body is known: beside an HTML body only
  // the alternatives of the HTML are shown, any other text is offered as an attachment.
  struct TTextPiece {
    std::string Text;  // UTF-8
    std::string Separator;
    bool InAlternative = false;
    TSubHeaderInfo Info;
    LineSpan Lines;  // the part's body as received
  };

  void ParsePart(LineSpan part, const TPartContext& context);
  void DispatchText(LineSpan body, const TSubHeaderInfo& info, const TPartContext& context);
  void DispatchOther(LineSpan body, const TSubHeaderInfo& info, const TPartContext& context);
  void SplitMultipart(LineSpan body, const TSubHeaderInfo& info, const TPartContext& context);
  void KeepRestUnsplit(LineSpan rest, const TSubHeaderInfo& info);
  void AddBodyText(LineSpan body, const TSubHeaderInfo& info, const TPartContext& context);
  void AddOtherText(LineSpan body, const TSubHeaderInfo& info, const TPartContext& context);
  void FileTextPieces();
  void AddPart(LineSpan lines, const TSubHeaderInfo& info);
  void AddOwnedPart(StringList lines, const TSubHeaderInfo& info);
  bool TakeAsHtmlBody(LineSpan lines, const TSubHeaderInfo& info);
  void FilePart(TPendingPart& part);
  void TakeRawLines(LineSpan lines, StringList& target);
  bool IsAttachment(TPendingPart& part) const;

  TRapMsg& msg_;
  std::string html_;
  std::vector<TPendingPart> pending_;
  std::vector<TTextPiece> texts_;
  int parts_ = 0;  // parts read so far, at most kMaxMimeParts
};

}  // namespace maillib
