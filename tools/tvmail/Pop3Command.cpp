// `tvmail pop3 --host H --port P [--tls] [--socks URL] --user U --pass-file F [-v] [--apop]
//  [--out DIR] (stat|list|top N|retr N|dele N)...`: logs in once, runs the commands in order,
// and quits. `retr` writes the raw message to standard output, or to DIR/N.eml with --out;
// `top` writes the header block. On the first failure it prints the server's reply (or the
// connection's reason) and exits with 1; usage errors exit with 2.
#include <charconv>
#include <cstdio>
#include <iostream>

#include "maillib/RapPOP3.h"
#include "maillib/TextUtil.h"
#include "tools/tvmail/Commands.h"
#include "tools/tvmail/NetOptions.h"

namespace tvmail {
namespace {

struct PopStep {
  std::string verb;  // stat, list, top, retr, dele
  int number = 0;
};

struct PopArgs {
  NetOptions net;
  bool apop = false;
  std::string outDir;
  std::vector<PopStep> steps;
};

constexpr std::string_view kPop3Usage =
    "usage: tvmail pop3 --host H --port P [--tls] [--socks URL] --user U --pass-file F [-v]\n"
    "                   [--apop] [--out DIR] (stat|list|top N|retr N|dele N)...\n";

bool ParseNumber(const std::string& text, int& number) {
  const char* end = text.data() + text.size();
  const auto result = std::from_chars(text.data(), end, number);
  return result.ec == std::errc() && result.ptr == end && number > 0;
}

// The commands (and --apop, --out) from the arguments the network options left.
bool ParseSteps(const std::vector<std::string>& rest, PopArgs& args, std::string& error) {
  for (std::size_t i = 0; i < rest.size() && error.empty(); ++i) {
    const std::string& word = rest[i];
    if (word == "--apop") {
      args.apop = true;
    } else if (word == "--out") {
      TakeValue(rest, i, args.outDir, error);
    } else if (word == "stat" || word == "list") {
      args.steps.push_back({word, 0});
    } else if (word == "top" || word == "retr" || word == "dele") {
      PopStep step{word, 0};
      if (i + 1 >= rest.size() || !ParseNumber(rest[i + 1], step.number))
        error = word + " needs a message number";
      else
        args.steps.push_back(step), ++i;
    } else {
      error = "unknown pop3 command '" + word + "'";
    }
  }
  if (error.empty() && args.steps.empty()) error = "no command given";
  return error.empty();
}

// Prints why the client's last operation failed, and gives the exit status 1.
int Failed(const maillib::TRapPOP& pop, const std::string& what) {
  std::cerr << "tvmail pop3: " << what << " failed: " << maillib::MailFailureName(pop.LastFailure())
            << ": " << pop.LastFailureText() << '\n';
  return 1;
}

void Trace(maillib::TRapPOP& pop) {
  pop.OnSendTextToSocket = [](maillib::TRapPOP&, const std::string& text) {
    std::cerr << "C: " << text << '\n';
  };
  pop.OnReceiveTextFromSocket = [](maillib::TRapPOP&, const std::string& text) {
    std::cerr << "S: " << text << '\n';
  };
}

void Configure(maillib::TRapPOP& pop, const PopArgs& args) {
  pop.Host = args.net.host;
  pop.Port = args.net.port;
  pop.UserId = args.net.user;
  pop.UserPasswd = args.net.password;
  pop.IsAPOP = args.apop;
  if (args.net.tls) pop.TCPClient().UseTls();
  pop.TCPClient().IdSocksInfo = args.net.socks;
  if (args.net.verbose) Trace(pop);
}

// Writes the retrieved lines, each ended by CR LF, to standard output or DIR/N.eml.
bool WriteMessage(const maillib::StringList& lines, const std::string& outDir, int number) {
  std::string bytes;
  for (const std::string& line : lines)
    bytes += line + "\r\n";
  if (outDir.empty()) {
    std::cout.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(std::cout.flush());
  }
  const std::string path = outDir + "/" + std::to_string(number) + ".eml";
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && written;
}

// Runs one command of the session; the exit status, 0 when it worked.
int RunStep(maillib::TRapPOP& pop, const PopStep& step, const std::string& outDir) {
  const std::string what = step.verb + (step.number > 0 ? " " + std::to_string(step.number) : "");
  if (step.verb == "stat") {
    if (!pop.Stat()) return Failed(pop, what);
    std::cout << pop.MessageCount << ' ' << maillib::WordAsInt(pop.LastReplyText, 2, 0) << '\n';
  } else if (step.verb == "list") {
    maillib::StringList lines;
    if (!pop.List(lines)) return Failed(pop, what);
    for (const std::string& line : lines)
      std::cout << line << '\n';
  } else if (step.verb == "dele") {
    if (!pop.Delete(step.number)) return Failed(pop, what);
  } else {
    maillib::TRapMsg msg;
    if (!pop.Retrieve(step.number, step.verb == "top", msg)) return Failed(pop, what);
    if (!WriteMessage(msg.RawLines, outDir, step.number)) {
      std::cerr << "tvmail pop3: cannot write message " << step.number << '\n';
      return 1;
    }
  }
  return 0;
}

}  // namespace

int RunPop3(std::span<const std::string> args) {
  PopArgs parsed;
  std::string error;
  if (!ParseNetOptions(args, parsed.net, error) || !ParseSteps(parsed.net.rest, parsed, error)) {
    std::cerr << "tvmail pop3: " << error << '\n' << kPop3Usage;
    return 2;
  }
  maillib::TRapPOP pop;
  Configure(pop, parsed);
  if (!pop.Connect()) return Failed(pop, "connect");
  if (!pop.Login()) return Failed(pop, "login");
  int status = 0;
  for (const PopStep& step : parsed.steps) {
    status = RunStep(pop, step, parsed.outDir);
    if (status != 0) break;
  }
  pop.Quit();
  return status;
}

}  // namespace tvmail
