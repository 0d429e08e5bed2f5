// `tvmail smtp --host H --port P [--tls] [--socks URL] [--user U --pass-file F] [-v]
//  --from A --to B[,C...] (FILE.eml | --compose [--subject S] [--body TEXT] [--attach FILE]...)`:
// sends the file as it stands (its lines with CR LF ends, however the file ended them) or a message
// composed from the options, in one session. Without --user the client greets with HELO and does
// not log in. On failure it prints the server's code and reply (or the connection's reason) and
// exits with 1; usage errors exit with 2.
#include <iostream>

#include "maillib/Base64.h"
#include "maillib/RapSMTP.h"
#include "maillib/TextUtil.h"
#include "maillib/rapSMTPCode.h"
#include "tools/tvmail/Commands.h"
#include "tools/tvmail/NetOptions.h"

namespace tvmail {
namespace {

struct SmtpArgs {
  NetOptions net;
  std::string from;
  maillib::StringList to;
  std::string file;  // the message to send as it is
  bool compose = false;
  std::string subject;
  std::string body;
  maillib::StringList attachments;
};

constexpr std::string_view kSmtpUsage =
    "usage: tvmail smtp --host H --port P [--tls] [--socks URL] [--user U --pass-file F] [-v]\n"
    "                   --from A --to B[,C...] (FILE.eml | --compose [--subject S] [--body T]\n"
    "                   [--attach FILE]...)\n";

// Handles one option of the message at rest[i]; false when rest[i] is none of them.
bool TakeMessageOption(const std::vector<std::string>& rest, std::size_t& i, SmtpArgs& args,
                       std::string& error) {
  const std::string& word = rest[i];
  std::string value;
  if (word == "--compose")
    args.compose = true;
  else if (word == "--from")
    TakeValue(rest, i, args.from, error);
  else if (word == "--subject")
    TakeValue(rest, i, args.subject, error);
  else if (word == "--body")
    TakeValue(rest, i, args.body, error);
  else if (word == "--attach") {
    if (TakeValue(rest, i, value, error)) args.attachments.push_back(value);
  } else if (word == "--to") {
    if (TakeValue(rest, i, value, error)) {
      for (const std::string& address : maillib::SplitByChars(value, ","))
        args.to.push_back(maillib::Trim(address));
    }
  } else {
    return false;
  }
  return true;
}

bool ParseMessageOptions(const std::vector<std::string>& rest, SmtpArgs& args, std::string& error) {
  for (std::size_t i = 0; i < rest.size() && error.empty(); ++i) {
    if (TakeMessageOption(rest, i, args, error)) continue;
    if (rest[i].rfind("--", 0) == 0 || !args.file.empty())
      error = "unexpected '" + rest[i] + "'";
    else
      args.file = rest[i];
  }
  if (!error.empty()) return false;
  if (args.from.empty() || args.to.empty())
    error = "--from and --to are required";
  else if (args.compose == !args.file.empty())
    error = "give either FILE.eml or --compose";
  return error.empty();
}

// The message to send: the file's lines, or one composed from the options.
bool BuildMessage(const SmtpArgs& args, maillib::TRapMsg& msg, std::string& error) {
  msg.SetFrom(args.from);
  if (!args.compose) {
    std::string bytes;
    if (!ReadFileBytes(args.file, bytes, error)) return false;
    msg.RawLines = maillib::SplitLines(bytes);
    return true;
  }
  std::string to;
  for (const std::string& address : args.to)
    to += (to.empty() ? "" : ", ") + address;
  msg.SetSendTo(to);
  msg.SetSubject(args.subject);
  msg.Text = maillib::SplitLines(args.body);
  for (const std::string& path : args.attachments)
    msg.Attachments.AddFile(path);
  if (!maillib::ComposeMessage(msg, "X-Mailer:Tenvel 202")) {
    error = "an attachment could not be read";
    return false;
  }
  return true;
}

void Configure(maillib::TRapSMTP& smtp, const SmtpArgs& args) {
  smtp.Host = args.net.host;
  smtp.Port = args.net.port;
  smtp.ImplicitTls = args.net.tls;
  smtp.TCPClient().IdSocksInfo = args.net.socks;
  smtp.HeloName = args.from;
  smtp.EmailAddress = args.from;
  smtp.MustVerify = !args.net.user.empty();
  smtp.VerifyUserID = maillib::Base64EncodeStr(args.net.user);
  smtp.VerifyUserPassword = maillib::Base64EncodeStr(args.net.password);
  if (!args.net.verbose) return;
  smtp.OnSendCmdToSocket = [](maillib::TRapSMTP&, const std::string& text) {
    std::cerr << "C: " << text << '\n';
  };
  smtp.OnReceiveCmdFromSocket = [](maillib::TRapSMTP&, const std::string& text) {
    std::cerr << "S: " << text << '\n';
  };
}

int Failed(const maillib::TRapSMTP& smtp, const std::string& what) {
  std::cerr << "tvmail smtp: " << what
            << " failed: " << maillib::MailFailureName(smtp.LastFailure());
  std::cerr << ": " << smtp.LastFailureText() << '\n';
  return 1;
}

}  // namespace

int RunSmtp(std::span<const std::string> args) {
  SmtpArgs parsed;
  std::string error;
  if (!ParseNetOptions(args, parsed.net, error) ||
      !ParseMessageOptions(parsed.net.rest, parsed, error)) {
    std::cerr << "tvmail smtp: " << error << '\n' << kSmtpUsage;
    return 2;
  }
  maillib::TRapMsg msg;
  if (!BuildMessage(parsed, msg, error)) {
    std::cerr << "tvmail smtp: " << error << '\n';
    return 1;
  }
  maillib::TRapSMTP smtp;
  Configure(smtp, parsed);
  if (!smtp.ConnectAndLogin()) return Failed(smtp, "login");
  const bool sent = smtp.SendMessage(msg, parsed.to);
  const int status = sent ? 0 : Failed(smtp, "send");
  smtp.Quit();
  return status;
}

}  // namespace tvmail
