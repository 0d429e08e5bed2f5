// Loaded test messages for receiving: the kinds of mail a Chinese-speaking user gets, with what
// the inbox row and the mail files of each must hold once it is stored. Also what the receive
// and account tests share: running a program as a child process that can be killed while it
// runs, and a closed port.
#pragma once

#include <sys/resource.h>

#include <ctime>
#include <functional>
#include <string>
#include <vector>

namespace integration {

struct ExpectedFile {
  std::string name;   // the decoded file name (UTF-8)
  std::string bytes;  // the decoded content
};

// One generated message and what receiving it must store.
struct LoadedMessage {
  std::string bytes;             // the message with CR LF line ends, as loaded into the mailbox
  std::string tag;               // unique per message: in the Message-ID and the body text
  std::string messageId;         // the Message-ID header value, "<tag@tenvel.test>"
  std::string subject;           // decoded subject, UTF-8 ("" when the message has none)
  std::string fromAddress;       // the From address
  std::string ccAddress;         // the Cc address, "" when the message has no Cc
  std::string bodyMark;          // text the stored body must show, decoded from its charset
  bool subjectMayBeCut = false;  // a header over the parser's size limit: only its start counts
  bool dated = true;             // the message has a Date header
  std::time_t date = 0;          // its Date (when dated)
  std::vector<ExpectedFile> attachments;  // in message order
  std::vector<ExpectedFile> inlines;      // pictures referenced from the HTML by cid:
};

// `count` messages to `to`, cycling through eight kinds: subjects in GB2312 (B and Q words),
// GBK, UTF-8 and Big5; plain text only, HTML with a plain alternative, HTML with inline pictures
// (multipart/related, cid: references), attachments with Chinese names in RFC 2047 and RFC 2231
// form; some without a Date header, one kind without a subject. Message i is dated
// firstDate + i minutes, so later numbers are newer. `prefix` makes the tags unique per test.
std::vector<LoadedMessage> MakeLoadedMessages(const std::string& prefix, int count,
                                              const std::string& to, std::time_t firstDate);

// The wire bytes of each message, for LoadMailbox.
std::vector<std::string> WireBytes(const std::vector<LoadedMessage>& messages);

// A message of about `bodyBytes` of text with one attachment of `attachmentBytes` (0: none),
// for the benchmark.
std::string MakeSizedMessage(const std::string& tag, std::size_t bodyBytes,
                             std::size_t attachmentBytes);

// ---- child processes ----

struct ChildRun {
  int status = -1;                 // exit status, or -signal when a signal ended it
  std::vector<std::string> lines;  // its standard output
};

// Runs the program with the arguments and collects its output lines as they come. `killAt`
// (may be empty) is asked about every line and ends the process with SIGKILL by returning
// true. `fileLimit` > 0 caps the size of every file the process writes (as a full disk would,
// for one file: the write fails). A run longer than 60 s is killed.
ChildRun RunProgram(const std::string& program, const std::vector<std::string>& args,
                    const std::function<bool(const std::string&)>& killAt = nullptr,
                    rlim_t fileLimit = 0);

bool HasLine(const ChildRun& run, const std::string& line);

// A port on 127.0.0.1 that nothing listens on.
int ClosedPort();

}  // namespace integration
