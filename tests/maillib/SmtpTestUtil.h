// Shared pieces of the SMTP client tests: a client wired to scripted connections with every
// event logged, and the script steps most dialogues begin with.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "maillib/Base64.h"
#include "maillib/RapSMTP.h"
#include "tests/maillib/ScriptedTransport.h"

namespace smtp_test {

using maillib::test::ScriptedTransport;

inline const std::string kUser = "zhang@example.cn";
inline const std::string kPassword = "s3cret!";
inline const std::string kUser64 = maillib::Base64EncodeStr(kUser);
inline const std::string kPassword64 = maillib::Base64EncodeStr(kPassword);

inline std::string Ehlo() {
  return "EHLO " + maillib::ComputerName() + "\r\n";
}
inline std::string Helo() {
  return "HELO " + maillib::ComputerName() + "\r\n";
}

// Greeting, EHLO with the capability lines, nothing more.
inline ScriptedTransport& GreetAndEhlo(ScriptedTransport& s,
                                       const std::string& caps = "250-AUTH LOGIN PLAIN\r\n") {
  return s.Server("220 mx.example.cn ESMTP\r\n")
      .Client(Ehlo())
      .Server("250-mx.example.cn\r\n" + caps + "250 8BITMIME\r\n");
}

// AUTH LOGIN with the given base64 user name, answered as `passReply` after the password.
inline ScriptedTransport& AuthLogin(ScriptedTransport& s, const std::string& user64,
                                    const std::string& passReply,
                                    const std::string& password64 = kPassword64) {
  return s.Client("AUTH LOGIN\r\n")
      .Server("334 VXNlcm5hbWU6\r\n")
      .Client(user64 + "\r\n")
      .Server("334 UGFzc3dvcmQ6\r\n")
      .Client(password64 + "\r\n")
      .Server(passReply);
}

// A whole login: greeting, EHLO offering AUTH LOGIN, accepted credentials.
inline ScriptedTransport& LoggedIn(ScriptedTransport& s) {
  GreetAndEhlo(s);
  return AuthLogin(s, kUser64, "235 Authentication successful\r\n");
}

// A client whose connections come from queued scripts and whose events all go to `log`.
class SmtpTest : public ::testing::Test {
 protected:
  SmtpTest() {
    smtp.TCPClient().SetTransportFactory(&ScriptedTransport::Factory, &ScriptedTransport::Upgrade);
    smtp.Host = "mx.example.cn";
    smtp.HeloName = kUser;
    smtp.EmailAddress = kUser;
    smtp.MustVerify = true;
    smtp.VerifyUserID = kUser64;
    smtp.VerifyUserPassword = kPassword64;
    smtp.TimeOut = 2000;
    smtp.DataPauseMs = 0;
    Hook();
  }

  void Hook() {
    using maillib::TRapSMTP;
    smtp.OnError = [this](TRapSMTP&, int code, const std::string& msg) {
      log.push_back("error " + std::to_string(code) + " " + msg);
    };
    smtp.OnSendCmdToSocket = [this](TRapSMTP&, const std::string& s) { log.push_back("> " + s); };
    smtp.OnReceiveCmdFromSocket = [this](TRapSMTP&, const std::string& s) {
      log.push_back("< " + s);
    };
    smtp.OnBeforeSend = [this](TRapSMTP&) { log.push_back("before"); };
    smtp.OnAfterSend = [this](TRapSMTP&) { log.push_back("after"); };
    smtp.OnSendProgress = [this](TRapSMTP&, unsigned p) {
      log.push_back("progress " + std::to_string(p));
    };
    smtp.OnSendRawMailInByte = [this](TRapSMTP&, std::int64_t n) {
      log.push_back("bytes " + std::to_string(n));
    };
  }

  // Log entries that begin with the prefix.
  std::vector<std::string> Logged(const std::string& prefix) const {
    std::vector<std::string> out;
    for (const std::string& entry : log) {
      if (entry.rfind(prefix, 0) == 0) out.push_back(entry);
    }
    return out;
  }

  // A new script kept by the fixture: scripts must outlive the client, which may still hold a
  // connection to one when the test body ends.
  ScriptedTransport& Script() { return scripts_.emplace_back(); }

 private:
  std::deque<ScriptedTransport> scripts_;  // declared before smtp, destroyed after it

 protected:
  maillib::TRapSMTP smtp;
  std::vector<std::string> log;
};

}  // namespace smtp_test
