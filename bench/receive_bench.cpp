// Receive throughput from the local Dovecot: the receive worker fetching, parsing and storing
// (inbox rows and mail files in a temporary program folder), beside the POP3 client alone
// retrieving the same mailbox, so the cost of parsing and storing shows. Two loads: 1,000
// messages of 20 KB, and 100 messages with a 1 MB attachment each. Mail kept on the server is
// received a second time when all of it is stored. Where fetchmail is installed, it fetches
// the 1,000 messages as well, handing each to an MDA that writes it to a file. Uses the running
// test servers when TV_SERVERS_ENV names their state file; otherwise starts them with
// scripts/test-servers/start.sh and stops them at the end. Prints figures only.
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "bench/FetchmailBench.h"
#include "bench/NetBench.h"
#include "maillib/RapPOP3.h"
#include "receive/ReceiveEMailThread.h"
#include "receive/ReceiveInfo.h"
#include "store/DataFiles.h"
#include "store/Stores.h"
#include "tests/integration/Messages.h"
#include "tests/integration/ReceiveMessages.h"
#include "tests/integration/TestServers.h"

namespace {

namespace fs = std::filesystem;
using bench::kMiB;
using bench::PrintFigure;
using bench::Stopwatch;
using bench::TotalBytes;

// A temporary program folder with its databases.
struct BenchFolder {
  BenchFolder() {
    std::string pattern = (fs::temp_directory_path() / "receive_bench_XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) return;
    path = pattern;
    std::string error;
    if (!store::EnsureProgramFolders(path, &error)) return;
    mail = store::OpenMailStore(path, &error);
    account = store::OpenAccountStore(path, &error);
  }
  ~BenchFolder() {
    mail.reset();
    account.reset();
    std::error_code ignored;  // a folder left in /tmp harms nothing
    if (!path.empty()) fs::remove_all(path, ignored);
  }
  BenchFolder(const BenchFolder&) = delete;
  BenchFolder& operator=(const BenchFolder&) = delete;
  bool Ready() const { return mail != nullptr && account != nullptr; }

  std::string path;
  std::unique_ptr<store::Database> mail;
  std::unique_ptr<store::Database> account;
};

// One receive of the worker into the folder, in one delete mode; the number it stored.
int ReceiveOnce(const integration::TestServers& servers, const std::string& user,
                BenchFolder& folder, const char* mode) {
  receive::TOnlyPOPReceivInformation info;
  info.UserName = user;
  info.Password = servers.pop3Password;
  info.LastMailDate = receive::StartOf1980();
  info.PopServer = "127.0.0.1:" + std::to_string(servers.pop3Port);
  info.MailAccount = user + "@bench.test";
  info.DeleteMode = mode;
  receive::ReceiveContext context;
  context.mail = folder.mail.get();
  context.account = folder.account.get();
  context.mailFileFolder = store::MailFileFolder(folder.path);
  receive::TReveiveEMailThread worker(info, context);
  worker.Run();
  return worker.StoredCount();
}

// The loaded mailbox received into a fresh program folder; false when not every message was
// stored. Mail kept on the server is then received once more, with every message stored
// already: that run only learns that there is nothing new.
bool ReceiveAll(const integration::TestServers& servers, const std::string& user,
                const std::vector<std::string>& messages, const char* mode, const char* what) {
  integration::LoadMailbox(user, messages);
  BenchFolder folder;
  if (!folder.Ready()) return false;
  const Stopwatch watch;
  const int stored = ReceiveOnce(servers, user, folder, mode);
  PrintFigure(what, static_cast<std::size_t>(stored), TotalBytes(messages), watch);
  if (stored != static_cast<int>(messages.size())) return false;
  if (std::string(mode) != receive::kKeepOnServer) return true;
  const Stopwatch again;
  const int more = ReceiveOnce(servers, user, folder, mode);
  std::printf("%-40s %6zu msg on the server, %d stored  %7.2f s  CPU %6.2f s\n",
              "  second receive, all kept and stored", messages.size(), more, again.WallSeconds(),
              again.CpuSeconds());
  return more == 0;
}

bool BenchLoad(const integration::TestServers& servers, const std::string& user, const char* title,
               const std::vector<std::string>& messages, bool withFetchmail) {
  std::printf("%s\n", title);
  const bool ok = bench::RetrieveMailbox(servers, user, messages, "  POP3 client RETR only") &&
                  ReceiveAll(servers, user, messages, receive::kTakeFromServer,
                             "  receive and store, taken from server") &&
                  ReceiveAll(servers, user, messages, receive::kKeepOnServer,
                             "  receive and store, kept on server");
  if (ok && withFetchmail) bench::CompareFetchmail(servers, user, messages);
  return ok;
}

std::vector<std::string> Messages(const char* prefix, int count, std::size_t body,
                                  std::size_t attachment) {
  std::vector<std::string> messages;
  for (int i = 0; i < count; ++i) {
    messages.push_back(integration::MakeSizedMessage(prefix + std::to_string(i), body, attachment));
  }
  return messages;
}

}  // namespace

int main() {
  const std::string started = integration::StartServersWhenNeeded("receive_bench");
  std::string why;
  const integration::TestServers* servers = integration::Servers(why);
  if (servers == nullptr) {
    std::fprintf(stderr, "receive_bench: %s\n", why.c_str());
    return 1;
  }
  const bool ok = BenchLoad(*servers, "box40", "1,000 messages of 20 KB",
                            Messages("small-", 1000, 15 * 1024, 0), true) &&
                  BenchLoad(*servers, "box39", "100 messages with a 1 MB attachment",
                            Messages("big-", 100, 2 * 1024, kMiB), false);
  integration::StopStartedServers(started);
  if (!ok) std::fprintf(stderr, "receive_bench: a receive failed\n");
  return ok ? 0 : 1;
}
