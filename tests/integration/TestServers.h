// What the integration tests know about the servers that scripts/test-servers/start.sh runs
// on 127.0.0.1: ports, users and folders, read from the state file it writes (its path is in
// the environment variable TV_SERVERS_ENV), plus helpers that load Dovecot mailboxes and read
// what the SMTP server saved.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace integration {

struct TestServers {
  std::string caFile;  // the certificate authority that signed both servers' certificates
  int pop3Port = 0;
  int pop3sPort = 0;
  std::string pop3Password;  // every POP3 user has this one
  std::string mailRoot;      // Maildir of user U: mailRoot/U/Maildir
  int smtpPort = 0;
  int smtpsPort = 0;
  int smtpStartTlsPort = 0;  // STARTTLS required; AUTH offered only after it
  std::string smtpAuthLog;   // a line "port=<port> login=<user>" per AUTH attempt, any port
  std::string smtpUser;
  std::string smtpPassword;
  std::string smtpSpool;  // accepted messages: smtpSpool/<first recipient>/<n>.eml
  int socksPort = 0;      // SOCKS 4 and 5, no authentication
  int socksAuthPort = 0;  // SOCKS 5 with user/password; 0 when not running
  std::string socksUser;
  std::string socksPassword;
};

// The running servers, or null (with the reason in `why`) when no state file can be read. The
// first successful call also trusts the test authority (TrustTestCa(true)): the clients upgrade
// every plain POP3 session to TLS, as Dovecot's plain port offers STLS.
const TestServers* Servers(std::string& why);

// Makes OpenSSL trust the test authority (SSL_CERT_FILE) or only the system store again.
// Takes effect for TLS contexts made afterwards; child processes inherit it.
void TrustTestCa(bool trust);

// Empties the mailbox of `user` (messages and Dovecot's index) and puts `messages` into it;
// POP3 numbers them in the given order.
void LoadMailbox(const std::string& user, const std::vector<std::string>& messages);

// Adds `messages` after those the mailbox holds, keeping Dovecot's index and uid list, as mail
// delivered between two receives: the messages held keep their unique ids.
void AddToMailbox(const std::string& user, const std::vector<std::string>& messages);

// The bytes of every message file in the Maildir of `user` (new and cur), in no set order.
std::vector<std::string> MailboxMessages(const std::string& user);

// Every message file in the Maildir of `user` (new and cur). The server finishes a QUIT after
// the client has gone, so this waits up to 10 s for the count to become `expected`.
std::size_t MailboxCount(const std::string& user, std::size_t expected);

// The messages the SMTP server saved for `recipient`, oldest first, and removes them.
std::vector<std::string> TakeSpool(const std::string& recipient);

// For programs run outside CTest (the benchmarks): when TV_SERVERS_ENV is not set, starts the
// servers with scripts/test-servers/start.sh into a temporary state file named after `tag`,
// points TV_SERVERS_ENV at it and returns its path; returns "" when the servers were running
// already or could not be started.
std::string StartServersWhenNeeded(const std::string& tag);
// Stops servers that StartServersWhenNeeded started (nothing for ""), and removes their state.
void StopStartedServers(const std::string& state);

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, std::string_view bytes);

}  // namespace integration

// Skips the test when the servers are not running (the test was started outside CTest).
#define REQUIRE_SERVERS(var)                                            \
  std::string var##Why;                                                 \
  const integration::TestServers* var = integration::Servers(var##Why); \
  if (var == nullptr) GTEST_SKIP() << var##Why
