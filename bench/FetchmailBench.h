// The comparison with fetchmail, where it is installed: it fetches the loaded mailbox from the
// local Dovecot (kept on the server, then taken) and hands every message to an MDA that writes
// it to a file of its own. Timed as a whole process; skipped with a line when not installed.
#pragma once

#include <pwd.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/NetBench.h"
#include "bench/ProcessTimer.h"
#include "tests/integration/TestServers.h"

namespace bench {

// The run control file for one mode; fetchmail wants it readable by its owner only.
inline std::string FetchmailRc(const std::filesystem::path& dir,
                               const integration::TestServers& servers, const std::string& user,
                               bool keep) {
  const passwd* me = ::getpwuid(::getuid());
  const std::string rc = (dir / (keep ? "keep.rc" : "take.rc")).string();
  std::ofstream(rc) << "set no bouncemail\n"
                    << "poll 127.0.0.1 with protocol POP3 and port " << servers.pop3Port << ":\n"
                    << "  user \"" << user << "\" there with password \"" << servers.pop3Password
                    << "\" is \"" << (me != nullptr ? me->pw_name : "root") << "\" here\n"
                    << "  options fetchall " << (keep ? "keep" : "nokeep")
                    << " sslproto '' mda \"cat > " << (dir / "out").string() << "/msg.$$\"\n";
  std::filesystem::permissions(
      rc, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
  return rc;
}

inline std::size_t FilesIn(const std::filesystem::path& dir) {
  std::size_t count = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir))
    count += entry.is_regular_file();
  return count;
}

inline void CompareFetchmail(const integration::TestServers& servers, const std::string& user,
                             const std::vector<std::string>& messages) {
  if (!OnPath("fetchmail")) {
    std::printf("  fetchmail not installed: no comparison\n");
    return;
  }
  std::string pattern = (std::filesystem::temp_directory_path() / "fetchmail_XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) return;
  const std::filesystem::path dir = pattern;
  ::setenv("FETCHMAILHOME", pattern.c_str(), 1);  // its id and lock files go there
  for (const bool keep : {true, false}) {
    std::filesystem::remove_all(dir / "out");
    std::filesystem::create_directories(dir / "out");
    integration::LoadMailbox(user, messages);
    const ProcessTime time = RunTimed(
        {"fetchmail", "-f", FetchmailRc(dir, servers, user, keep), "-N", "--nosyslog", "-s"});
    const std::size_t handed = FilesIn(dir / "out");
    const double mb = double(TotalBytes(messages)) / kMiB;
    std::printf("%-40s %6zu msg %7.1f MB %7.2f s %8.1f msg/s %7.1f MB/s  CPU %6.2f s%s\n",
                keep ? "  fetchmail to an MDA, kept on server" : "  fetchmail to an MDA, taken",
                handed, mb, time.wallSeconds, double(handed) / time.wallSeconds,
                mb / time.wallSeconds, time.cpuSeconds,
                time.ran && handed == messages.size() ? "" : "  (incomplete)");
  }
  ::unsetenv("FETCHMAILHOME");
  std::error_code ignored;  // a folder left in /tmp harms nothing
  std::filesystem::remove_all(dir, ignored);
}

}  // namespace bench
