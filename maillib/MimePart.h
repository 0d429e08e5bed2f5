// Part-level parsing of a message: header blocks, part headers, the walk over (nested) parts
// and the sorting of parts into body text, HTML body, attachments and inline files.
// Used by TRapMsg::Parse; kept public for tests.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "maillib/AttachedFiles.h"
#include "maillib/MailTypes.h"

namespace maillib {

class TRapMsg;

// A run of message lines, viewed in place (no copy of the raw lines).
using LineSpan = std::span<const std::string>;

// Parts nested deeper than this are not split further: a deeper multipart or attached message
// becomes an attachment.
constexpr int kMaxMimeDepth = 32;
// Line that separates two text parts in the plain-text body.
constexpr const char* kNextPartLine = "_____________________ next part ______________________";
// Length of the '=' line in front of text taken from a part of another type.
constexpr std::size_t kOtherPartRuleLength = 46;

// The lines without the empty lines at their top.
LineSpan SkipEmptyTop(LineSpan lines);
// The header block: the lines up to the first empty line (leading empty lines skipped).
StringList HeaderBlockOf(LineSpan part);
// What follows the header block and the blank lines after it.
LineSpan BodyOf(LineSpan part);
// The value of a header field after its name and colon, unfolded and trimmed, not cut at ';'.
// Empty when the field is absent.
std::string FullHeaderValue(const StringList& header, std::string_view upperName);
// The multipart boundary of a header line: "boundary=", also with blanks before '=', quotes
// removed.
std::string BoundaryOf(std::string_view contentTypeLine);
// Reads one part's header. `messageCharSet` is the default charset of the part.
TSubHeaderInfo ReadSubHeader(const StringList& header, const std::string& messageCharSet);
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

  void ParsePart(LineSpan part, int depth);
  void DispatchText(LineSpan body, const TSubHeaderInfo& info);
  void DispatchOther(LineSpan body, const TSubHeaderInfo& info);
  void SplitMultipart(LineSpan body, const TSubHeaderInfo& info, int depth);
  void AddBodyText(LineSpan body, const TSubHeaderInfo& info);
  void AddOtherText(LineSpan body, const TSubHeaderInfo& info);
  void AddPart(LineSpan lines, const TSubHeaderInfo& info);
  void AddOwnedPart(StringList lines, const TSubHeaderInfo& info);
  bool TakeAsHtmlBody(LineSpan lines, const TSubHeaderInfo& info);
  void FilePart(TPendingPart& part);
  bool IsAttachment(TPendingPart& part) const;

  TRapMsg& msg_;
  std::string html_;
  std::vector<TPendingPart> pending_;
};

}  // namespace maillib
