#include "tests/integration/TestServers.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace integration {
namespace fs = std::filesystem;
namespace {

std::map<std::string, std::string> ReadState(const std::string& path) {
  std::map<std::string, std::string> values;
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    const std::size_t eq = line.find('=');
    if (eq != std::string::npos) values[line.substr(0, eq)] = line.substr(eq + 1);
  }
  return values;
}

int Number(const std::map<std::string, std::string>& values, const std::string& key) {
  const auto it = values.find(key);
  return it == values.end() ? 0 : std::atoi(it->second.c_str());
}

// Fills the description from the state file; false when a required value is missing.
bool FromState(const std::map<std::string, std::string>& v, TestServers& s) {
  auto text = [&](const char* key) {
    const auto it = v.find(key);
    return it == v.end() ? std::string() : it->second;
  };
  s.caFile = text("TV_CA_FILE");
  s.pop3Port = Number(v, "TV_POP3_PORT");
  s.pop3sPort = Number(v, "TV_POP3S_PORT");
  s.pop3Password = text("TV_POP3_PASSWORD");
  s.mailRoot = text("TV_MAIL_ROOT");
  s.smtpPort = Number(v, "TV_SMTP_PORT");
  s.smtpsPort = Number(v, "TV_SMTPS_PORT");
  s.smtpStartTlsPort = Number(v, "TV_SMTP_STARTTLS_PORT");
  s.smtpAuthLog = text("TV_SMTP_AUTH_LOG");
  s.smtpUser = text("TV_SMTP_USER");
  s.smtpPassword = text("TV_SMTP_PASSWORD");
  s.smtpSpool = text("TV_SMTP_SPOOL");
  s.socksPort = Number(v, "TV_SOCKS_PORT");
  s.socksAuthPort = Number(v, "TV_SOCKS_AUTH_PORT");
  s.socksUser = text("TV_SOCKS_USER");
  s.socksPassword = text("TV_SOCKS_PASSWORD");
  return !s.caFile.empty() && s.pop3Port > 0 && s.smtpPort > 0 && s.socksPort > 0;
}

fs::path Maildir(const std::string& user) {
  std::string why;
  const TestServers* servers = Servers(why);
  if (servers == nullptr) throw std::runtime_error(why);
  return fs::path(servers->mailRoot) / user / "Maildir";
}

// Straight into cur/ as seen messages; names sort in the order POP3 numbers them, from `first`.
void WriteMessages(const fs::path& box, std::size_t first,
                   const std::vector<std::string>& messages) {
  for (std::size_t i = 0; i < messages.size(); ++i) {
    char name[64];
    std::snprintf(name, sizeof name, "17000%05zu.M%zuP1.tenvel:2,S", first + i, first + i);
    WriteFile((box / "cur" / name).string(), messages[i]);
  }
}

}  // namespace

const TestServers* Servers(std::string& why) {
  static TestServers servers;
  static const bool loaded = [] {
    const char* path = std::getenv("TV_SERVERS_ENV");
    if (path == nullptr || !FromState(ReadState(path), servers)) return false;
    setenv("SSL_CERT_FILE", servers.caFile.c_str(), 1);
    return true;
  }();
  if (!loaded) why = "test servers not running (start them with scripts/test-servers/start.sh)";
  return loaded ? &servers : nullptr;
}

void TrustTestCa(bool trust) {
  std::string why;
  const TestServers* servers = Servers(why);
  if (trust && servers != nullptr) {
    setenv("SSL_CERT_FILE", servers->caFile.c_str(), 1);
  } else {
    unsetenv("SSL_CERT_FILE");
  }
}

void LoadMailbox(const std::string& user, const std::vector<std::string>& messages) {
  const fs::path box = Maildir(user);
  // Messages and Dovecot's index and uid list go; the three Maildir folders stay, with the
  // owner the server gave them.
  for (const auto& entry : fs::directory_iterator(box)) {
    if (entry.is_directory()) {
      for (const auto& file : fs::directory_iterator(entry.path()))
        fs::remove(file.path());
    } else {
      fs::remove(entry.path());
    }
  }
  WriteMessages(box, 0, messages);
}

void AddToMailbox(const std::string& user, const std::vector<std::string>& messages) {
  // Names after every earlier one of this process, so POP3 numbers the new messages last.
  static std::atomic<std::size_t> added{0};
  WriteMessages(Maildir(user), 50000 + added.fetch_add(messages.size()), messages);
}

std::vector<std::string> MailboxMessages(const std::string& user) {
  const fs::path box = Maildir(user);
  std::vector<std::string> messages;
  for (const char* sub : {"new", "cur"}) {
    for (const auto& file : fs::directory_iterator(box / sub)) {
      if (file.is_regular_file()) messages.push_back(ReadFile(file.path().string()));
    }
  }
  return messages;
}

std::size_t MailboxCount(const std::string& user, std::size_t expected) {
  const fs::path box = Maildir(user);
  std::size_t count = 0;
  for (int attempt = 0; attempt < 100; ++attempt) {
    count = 0;
    for (const char* sub : {"new", "cur"}) {
      for (const auto& file : fs::directory_iterator(box / sub))
        count += file.is_regular_file();
    }
    if (count == expected) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return count;
}

std::vector<std::string> TakeSpool(const std::string& recipient) {
  std::string why;
  const TestServers* servers = Servers(why);
  std::vector<std::string> messages;
  if (servers == nullptr) return messages;
  const fs::path folder = fs::path(servers->smtpSpool) / recipient;
  if (!fs::exists(folder)) return messages;
  std::vector<fs::path> files;
  for (const auto& file : fs::directory_iterator(folder)) {
    if (file.path().extension() == ".eml") files.push_back(file.path());
  }
  std::sort(files.begin(), files.end());
  for (const fs::path& file : files) {
    messages.push_back(ReadFile(file.string()));
    fs::remove(file);
    fs::remove(fs::path(file).replace_extension(".json"));
  }
  return messages;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void WriteFile(const std::string& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

namespace {
// The repository, for the server scripts.
// From the build: __FILE__ is relative when the compiler was handed relative paths (as ccache
// does with a base folder), and a benchmark may run from any folder.
std::filesystem::path SourceRoot() {
  return TENVEL_SOURCE_ROOT;
}
}  // namespace

std::string StartServersWhenNeeded(const std::string& tag) {
  namespace fs = std::filesystem;
  if (std::getenv("TV_SERVERS_ENV") != nullptr) return {};
  const fs::path state =
      fs::temp_directory_path() / (tag + "-" + std::to_string(::getpid())) / "servers.env";
  const std::string command = (SourceRoot() / "scripts/test-servers/start.sh").string() + " '" +
                              state.string() + "' >/dev/null";
  if (std::system(command.c_str()) != 0) return {};
  ::setenv("TV_SERVERS_ENV", state.c_str(), 1);
  return state.string();
}

void StopStartedServers(const std::string& state) {
  if (state.empty()) return;
  const std::string command =
      (SourceRoot() / "scripts/test-servers/stop.sh").string() + " '" + state + "'";
  if (std::system(command.c_str()) != 0) std::fprintf(stderr, "stopping the servers failed\n");
  std::error_code ignored;  // a state folder left behind in /tmp does no harm
  std::filesystem::remove_all(std::filesystem::path(state).parent_path(), ignored);
}

}  // namespace integration
