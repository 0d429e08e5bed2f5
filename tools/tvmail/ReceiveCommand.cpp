// `tvmail receive --program-folder DIR (--account ADDRESS | --all) [--timeout MS]`: receives
// the new mail of one account, or of every account at once as the desktop's receive-all does,
// into the inbox of the program folder. Every report of a worker is printed at once as one line
// "ADDRESS<TAB>TEXT"; at the end one line "ADDRESS<TAB>stored N" per account. Exits with 1 when
// an account could not connect or log in, or its receive stopped early; usage errors exit with 2.
// The accounts, the workers' context and the workers themselves are the desktop program's
// (ReceivePlan, ReceiveWorkers); failures written in full go to standard error.
#include <iostream>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "maillib/RapPOP3.h"
#include "maillib/Trace.h"
#include "receive/ReceivePlan.h"
#include "receive/ReceiveWorkers.h"
#include "tools/tvmail/Commands.h"
#include "tools/tvmail/NetOptions.h"

namespace tvmail {
namespace {

constexpr std::string_view kReceiveUsage =
    "usage: tvmail receive --program-folder DIR (--account ADDRESS | --all) [--timeout MS]\n";

struct ReceiveArgs {
  std::string folder;
  std::string account;
  bool all = false;
  int timeoutMs = 0;  // 0: the client's own
};

bool ParseReceiveArgs(std::span<const std::string> args, ReceiveArgs& parsed, std::string& error) {
  for (std::size_t i = 0; i < args.size() && error.empty(); ++i) {
    if (args[i] == "--program-folder") {
      TakeValue(args, i, parsed.folder, error);
    } else if (args[i] == "--account") {
      TakeValue(args, i, parsed.account, error);
    } else if (args[i] == "--all") {
      parsed.all = true;
    } else if (args[i] == "--timeout") {
      TakeTimeout(args, i, parsed.timeoutMs, error);
    } else {
      error = "unknown option '" + args[i] + "'";
    }
  }
  if (error.empty() && parsed.folder.empty()) error = "--program-folder is required";
  if (error.empty() && parsed.all == !parsed.account.empty())
    error = "give either --account ADDRESS or --all";
  return error.empty();
}

// Prints every report as one line at once (a watching script sees the progress as it happens)
// and keeps what the end of each account's run needs: its stored count and whether it failed.
class LineReports : public receive::ReceiveReports {
 public:
  void Status(const std::string& account, const std::string& text) override {
    const std::lock_guard lock(mutex_);
    std::cout << account << '\t' << text << std::endl;
  }
  void Received(const std::string& account, int count) override {
    const std::lock_guard lock(mutex_);
    stored_[account] = count;
    std::cout << account << '\t' << receive::ReceivedText(count) << std::endl;
  }
  int Stored(const std::string& account) const {
    const std::lock_guard lock(mutex_);
    const auto it = stored_.find(account);
    return it == stored_.end() ? 0 : it->second;
  }

 private:
  mutable std::mutex mutex_;
  std::map<std::string, int> stored_;
};

// The receive records of the chosen accounts, in table order.
bool ReadAccounts(store::Database& accounts, const ReceiveArgs& args,
                  std::vector<receive::TOnlyPOPReceivInformation>& infos, std::string& error) {
  receive::TOnlyPOPReceivInformation one;
  const bool read = args.all ? receive::PlanAll(accounts, &infos)
                             : receive::PlanOne(accounts, args.account, &one);
  if (!args.all && read) infos.push_back(one);
  if (!read) {
    error = args.all ? "cannot read the accounts" : "no account " + args.account;
  } else if (infos.empty()) {
    error = "no accounts";
  }
  return read && !infos.empty();
}

// Whether a worker's run connected, logged in and handled every chosen message.
bool Completed(const receive::TReveiveEMailThread& worker) {
  return !worker.ConnectFailed() && !worker.LoginFailed() && !worker.Interrupted();
}

// One worker per account, all running at once as the desktop's receive-all (a single account
// is received on a thread of its own the same way); true when every run completed.
bool ReceiveAccounts(const std::vector<receive::TOnlyPOPReceivInformation>& infos,
                     const receive::ReceiveContext& context) {
  receive::ReceiveWorkers workers;
  const auto started = receive::StartAll(workers, infos, context);
  workers.JoinAll();
  bool ok = started.size() == infos.size();  // an account without an address is not received
  for (const auto& worker : started)
    ok = Completed(*worker) && ok;
  return ok;
}

}  // namespace

int RunReceive(std::span<const std::string> args) {
  ReceiveArgs parsed;
  std::string error;
  if (!ParseReceiveArgs(args, parsed, error)) {
    std::cerr << "tvmail receive: " << error << '\n' << kReceiveUsage;
    return 2;
  }
  ProgramStores stores;
  std::vector<receive::TOnlyPOPReceivInformation> infos;
  if (!OpenProgramFolder(parsed.folder, true, stores, error) ||
      !ReadAccounts(*stores.account, parsed, infos, error)) {
    std::cerr << "tvmail receive: " << error << '\n';
    return 1;
  }
  LineReports reports;
  maillib::StderrTrace trace;
  receive::ReceiveContext context =
      receive::MakeReceiveContext(*stores.mail, *stores.account, parsed.folder, &reports, &trace);
  if (parsed.timeoutMs > 0) {
    const int timeoutMs = parsed.timeoutMs;
    context.configureClient = [timeoutMs](maillib::TRapPOP& pop) { pop.TimeOut = timeoutMs; };
  }
  const bool ok = ReceiveAccounts(infos, context);
  for (const auto& info : infos) {
    std::cout << info.MailAccount << "\tstored " << reports.Stored(info.MailAccount) << '\n';
  }
  return ok ? 0 : 1;
}

}  // namespace tvmail
