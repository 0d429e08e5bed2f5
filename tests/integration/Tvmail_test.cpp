// `tvmail pop3` and `tvmail smtp` run as a user would run them, against the real servers.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "tests/integration/Messages.h"
#include "tests/integration/TestServers.h"

namespace integration {
namespace {

namespace fs = std::filesystem;

struct ToolRun {
  int status = -1;
  std::string out;
  std::string err;
};

std::string Quoted(const std::string& text) {
  std::string quoted = "'";
  for (char c : text)
    quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

// A scratch folder for one test (and process), removed with its contents at the end.
struct ScratchDir {
  explicit ScratchDir(const std::string& name)
      : path(fs::temp_directory_path() / ("tvmail-it-" + name + "-" + std::to_string(getpid()))) {
    fs::remove_all(path);
    fs::create_directories(path);
  }
  ~ScratchDir() {
    std::error_code ignored;  // a folder left behind in /tmp harms nothing
    fs::remove_all(path, ignored);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  fs::path path;
};

// Runs tvmail with the arguments, at most 60 s, and collects its exit status and output.
ToolRun RunTvmail(const fs::path& scratch, const std::vector<std::string>& args) {
  std::string command = "timeout 60 " + Quoted(TVMAIL_PATH);
  for (const std::string& arg : args)
    command += " " + Quoted(arg);
  const fs::path out = scratch / "stdout", err = scratch / "stderr";
  command += " >" + Quoted(out.string()) + " 2>" + Quoted(err.string());
  ToolRun run;
  const int raw = std::system(command.c_str());
  run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  run.out = ReadFile(out.string());
  run.err = ReadFile(err.string());
  return run;
}

std::string PasswordFile(const fs::path& scratch, const std::string& password) {
  const std::string path = (scratch / "password").string();
  WriteFile(path, password + "\n");
  return path;
}

TEST(TvmailPop3, RunsSeveralCommandsInOneSession) {
  REQUIRE_SERVERS(servers);
  const ScratchDir scratch("pop3");
  const std::vector<std::string> messages = {MakeMessage("tv-1", 500), MakeMessage("tv-2", 900)};
  LoadMailbox("box20", messages);
  const ToolRun run =
      RunTvmail(scratch.path, {"pop3", "--host", "127.0.0.1", "--port",
                               std::to_string(servers->pop3Port), "--user", "box20", "--pass-file",
                               PasswordFile(scratch.path, servers->pop3Password), "-v", "--out",
                               scratch.path.string(), "stat", "list", "retr", "1", "dele", "2"});
  ASSERT_EQ(run.status, 0) << run.err;
  const std::size_t total = messages[0].size() + messages[1].size();
  EXPECT_EQ(run.out, "2 " + std::to_string(total) + "\n1 " + std::to_string(messages[0].size()) +
                         "\n2 " + std::to_string(messages[1].size()) + "\n");
  EXPECT_EQ(ReadFile((scratch.path / "1.eml").string()), messages[0]);
  EXPECT_NE(run.err.find("C: PASS ****"), std::string::npos) << run.err;
  EXPECT_EQ(run.err.find(servers->pop3Password), std::string::npos) << "password in the trace";
  EXPECT_EQ(MailboxCount("box20", 1), 1u);
}

TEST(TvmailPop3, RetrToStandardOutputThroughSocksAndRefusedLogin) {
  REQUIRE_SERVERS(servers);
  const ScratchDir scratch("pop3-socks");
  const std::string message = MakeMessage("tv-socks", 700);
  LoadMailbox("box21", {message});
  const std::string port = std::to_string(servers->pop3Port);
  const ToolRun run =
      RunTvmail(scratch.path,
                {"pop3", "--host", "127.0.0.1", "--port", port, "--socks",
                 "socks5://127.0.0.1:" + std::to_string(servers->socksPort), "--user", "box21",
                 "--pass-file", PasswordFile(scratch.path, servers->pop3Password), "retr", "1"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, message);

  const ToolRun refused =
      RunTvmail(scratch.path, {"pop3", "--host", "127.0.0.1", "--port", port, "--user", "box21",
                               "--pass-file", PasswordFile(scratch.path, "wrong"), "stat"});
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.err.find("login-refused: -ERR"), std::string::npos) << refused.err;
}

TEST(TvmailSmtp, SendsAFileAsItIsOverTls) {
  REQUIRE_SERVERS(servers);
  const ScratchDir scratch("smtp-file");
  TakeSpool("tvfile@example.test");
  const std::string message = MakeMessage("tv-smtp", 3000);
  WriteFile((scratch.path / "message.eml").string(), message);
  TrustTestCa(true);  // the child process inherits SSL_CERT_FILE
  const ToolRun run =
      RunTvmail(scratch.path,
                {"smtp", "--host", "localhost", "--port", std::to_string(servers->smtpsPort),
                 "--tls", "--user", servers->smtpUser, "--pass-file",
                 PasswordFile(scratch.path, servers->smtpPassword), "--from", "sender@example.test",
                 "--to", "tvfile@example.test", (scratch.path / "message.eml").string()});
  ASSERT_EQ(run.status, 0) << run.err;
  const std::vector<std::string> saved = TakeSpool("tvfile@example.test");
  ASSERT_EQ(saved.size(), 1u);
  EXPECT_EQ(saved[0], message);
}

TEST(TvmailSmtp, ComposesAndReportsTheServersRefusal) {
  REQUIRE_SERVERS(servers);
  const ScratchDir scratch("smtp-compose");
  TakeSpool("tvcompose@example.test");
  WriteFile((scratch.path / "notes.txt").string(), "attached text\n");
  const std::string port = std::to_string(servers->smtpPort);
  const std::string password = PasswordFile(scratch.path, servers->smtpPassword);
  const ToolRun run = RunTvmail(scratch.path, {"smtp",
                                               "--host",
                                               "127.0.0.1",
                                               "--port",
                                               port,
                                               "--user",
                                               servers->smtpUser,
                                               "--pass-file",
                                               password,
                                               "--from",
                                               "sender@example.test",
                                               "--to",
                                               "tvcompose@example.test, other@example.test",
                                               "--compose",
                                               "--subject",
                                               "Weekly notes",
                                               "--body",
                                               "Hello\nsee the file",
                                               "--attach",
                                               (scratch.path / "notes.txt").string()});
  ASSERT_EQ(run.status, 0) << run.err;
  const std::vector<std::string> saved = TakeSpool("tvcompose@example.test");
  ASSERT_EQ(saved.size(), 1u);
  EXPECT_NE(saved[0].find("Subject: Weekly notes\r\n"), std::string::npos) << saved[0];
  EXPECT_NE(saved[0].find("filename=\"notes.txt\""), std::string::npos) << saved[0];
  EXPECT_NE(saved[0].find("YXR0YWNoZWQgdGV4dAo="), std::string::npos);  // base64 of the file

  const ToolRun refused = RunTvmail(
      scratch.path, {"smtp", "--host", "127.0.0.1", "--port", port, "--user", servers->smtpUser,
                     "--pass-file", password, "--from", "sender@example.test", "--to",
                     "reject@example.test", "--compose", "--subject", "x"});
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.err.find("550 5.1.1"), std::string::npos) << refused.err;
}

}  // namespace
}  // namespace integration
