// `tvmail send --program-folder DIR --from ACCOUNT --to FIELD [--subject S] [--html FILE |
// --body TEXT] [--attach FILE]... [--timeout MS] [-v]`: sends one message as the compose page's
// SEND does, from an account of the program folder, and records it in the sent box. FIELD is
// the recipient field ("a@x, b@y<抄送>c@z<密送>d@w"). The checks and the worker are the
// desktop program's (PrepareSend, TSendMailThread), run on this thread. Every status is printed
// to standard error as it comes, with the SMTP dialogue under -v. Exits with 0 only when the
// server accepted the message, 1 otherwise, 2 on a usage error.
#include <filesystem>
#include <iostream>
#include <mutex>

#include "maillib/RapSMTP.h"
#include "maillib/TextUtil.h"
#include "maillib/Trace.h"
#include "send/AttachmentRegistry.h"
#include "send/ComposeRecords.h"
#include "send/sendmThread.h"
#include "tools/tvmail/Commands.h"
#include "tools/tvmail/NetOptions.h"

namespace tvmail {
namespace {

constexpr std::string_view kSendUsage =
    "usage: tvmail send --program-folder DIR --from ACCOUNT --to FIELD [--subject S] "
    "[--html FILE | --body TEXT] [--attach FILE]... [--timeout MS] [-v]\n";

struct SendArgs {
  std::string folder;
  send::ComposeSnapshot page;
  std::string htmlFile;
  bool hasBody = false;
  int timeoutMs = 0;  // 0: the client's own
  bool verbose = false;
};

bool ParseSendArgs(std::span<const std::string> args, SendArgs& parsed, std::string& error) {
  std::string value;
  for (std::size_t i = 0; i < args.size() && error.empty(); ++i) {
    if (args[i] == "--program-folder") {
      TakeValue(args, i, parsed.folder, error);
    } else if (args[i] == "--from") {
      TakeValue(args, i, parsed.page.sender, error);
    } else if (args[i] == "--to") {
      TakeValue(args, i, parsed.page.recipientField, error);
    } else if (args[i] == "--subject") {
      TakeValue(args, i, parsed.page.subject, error);
    } else if (args[i] == "--html") {
      TakeValue(args, i, parsed.htmlFile, error);
    } else if (args[i] == "--body") {
      parsed.hasBody = TakeValue(args, i, parsed.page.bodyText, error);
    } else if (args[i] == "--attach") {
      if (TakeValue(args, i, value, error)) parsed.page.attachments.push_back(value);
    } else if (args[i] == "--timeout") {
      TakeTimeout(args, i, parsed.timeoutMs, error);
    } else if (args[i] == "-v") {
      parsed.verbose = true;
    } else {
      error = "unknown option '" + args[i] + "'";
    }
  }
  if (!error.empty()) return false;
  if (parsed.folder.empty()) {
    error = "--program-folder is required";
  } else if (parsed.page.sender.empty()) {
    error = "--from is required";
  } else if (parsed.hasBody && !parsed.htmlFile.empty()) {
    error = "give either --html FILE or --body TEXT";
  }
  return error.empty();
}

// The editor's HTML for a plain text: escaped, line breaks as <br>.
std::string HtmlOfText(const std::string& text) {
  std::string html = "<html><body>";
  const maillib::StringList lines = maillib::SplitLines(text);
  for (std::size_t i = 0; i < lines.size(); ++i)
    html += (i == 0 ? "" : "<br>") + maillib::EscapeHtml(lines[i]);
  return html + "</body></html>";
}

// The body of the page: the HTML file (whose folder's pictures may travel with it) or the text.
bool FillBody(SendArgs& parsed, std::string& error) {
  if (parsed.htmlFile.empty()) {
    parsed.page.bodyOuterHtml = HtmlOfText(parsed.page.bodyText);
    return true;
  }
  if (!ReadFileBytes(parsed.htmlFile, parsed.page.bodyOuterHtml, error)) return false;
  const std::filesystem::path folder =
      std::filesystem::absolute(std::filesystem::path(parsed.htmlFile)).parent_path();
  parsed.page.pictureFolders.push_back(folder.string());
  return true;
}

// Statuses and error lines as they come, one line each.
class StderrReports : public send::SendReports {
 public:
  void Status(const std::string& text, send::StatusColour /*colour*/) override {
    std::cerr << "status: " << text << std::endl;
  }
  void ErrorLine(const std::string& text) override { std::cerr << "error: " << text << std::endl; }
  void ProgressRange(std::int64_t total) override {
    const std::lock_guard lock(mutex_);
    total_ = total;
  }
  void Progress(std::int64_t bytes) override {
    const std::lock_guard lock(mutex_);
    sent_ += bytes;
  }
  void Finished(bool succeeded) override {
    const std::lock_guard lock(mutex_);
    std::cerr << (succeeded ? "sent " : "not sent ") << sent_ << " of " << total_ << " bytes"
              << std::endl;
  }

 private:
  std::mutex mutex_;
  std::int64_t total_ = 0;
  std::int64_t sent_ = 0;
};

// The worker's trace: failures always, the SMTP dialogue ("> ..." and "< ...") under -v.
class SendTrace : public maillib::TraceSink {
 public:
  explicit SendTrace(bool verbose) : verbose_(verbose) {}
  void Trace(std::string_view text) override {
    const std::size_t colon = text.find(": ");
    const std::string_view rest = colon == std::string_view::npos ? text : text.substr(colon + 2);
    const bool dialogue = rest.starts_with("> ") || rest.starts_with("< ");
    if (verbose_ || !dialogue) out_.Trace(text);
  }

 private:
  bool verbose_;
  maillib::StderrTrace out_;
};

}  // namespace

int RunSend(std::span<const std::string> args) {
  SendArgs parsed;
  std::string error;
  if (!ParseSendArgs(args, parsed, error)) {
    std::cerr << "tvmail send: " << error << '\n' << kSendUsage;
    return 2;
  }
  parsed.page.attachmentBarShown = !parsed.page.attachments.empty();
  ProgramStores stores;
  if (!FillBody(parsed, error) || !OpenProgramFolder(parsed.folder, true, stores, error)) {
    std::cerr << "tvmail send: " << error << '\n';
    return 1;
  }
  send::SendState state;
  send::AttachmentRegistry registry;
  send::SendJob job;
  std::string notice;
  const std::string refusal =
      send::PrepareSend(parsed.page, *stores.account, state, registry, &job, &notice);
  if (!notice.empty()) std::cerr << "tvmail send: " << notice << '\n';
  if (!refusal.empty()) {
    std::cerr << "tvmail send: " << refusal << '\n';
    return 1;
  }
  StderrReports reports;
  SendTrace trace(parsed.verbose);
  send::SendContext context;
  context.mail = stores.mail.get();
  context.attachments = &registry;
  context.state = &state;
  context.reports = &reports;
  context.trace = &trace;
  if (parsed.timeoutMs > 0) {
    const int timeoutMs = parsed.timeoutMs;
    context.configureClient = [timeoutMs](maillib::TRapSMTP& smtp) { smtp.TimeOut = timeoutMs; };
  }
  send::TSendMailThread worker(std::move(job), context);
  worker.Run();
  if (!worker.Succeeded()) std::cerr << "tvmail send: " << worker.FailureText() << '\n';
  return worker.Succeeded() ? 0 : 1;
}

}  // namespace tvmail
