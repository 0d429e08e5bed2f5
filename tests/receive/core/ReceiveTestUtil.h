// Helpers of the receive tests: a program folder with real databases and one account row,
// recorded worker reports, small dated messages, and POP3 dialogue pieces for scripted servers.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <ctime>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "maillib/Trace.h"
#include "receive/ReceiveEMailThread.h"
#include "store/DataFiles.h"
#include "store/Database.h"
#include "store/DateTimeText.h"
#include "store/Query.h"
#include "store/Stores.h"
#include "tests/maillib/ScriptedTransport.h"
#include "tests/store/TempFolder.h"

namespace receive_test {

using maillib::test::ScriptedTransport;

constexpr const char* kAccount = "bob@example.com";
// 2024-03-05 10:00:00 UTC: messages are dated this plus whole hours.
constexpr std::time_t kT0 = 1709632800;

// Threads that Pass a closed gate wait there until it opens (at most 5 s).
class Gate {
 public:
  void Close() {
    std::lock_guard<std::mutex> lock(mutex_);
    open_ = false;
  }
  void Open() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      open_ = true;
    }
    opened_.notify_all();
  }
  void Pass() {
    std::unique_lock<std::mutex> lock(mutex_);
    opened_.wait_for(lock, std::chrono::seconds(5), [this] { return open_; });
  }

 private:
  std::mutex mutex_;
  std::condition_variable opened_;
  bool open_ = true;
};

// The reports of a worker, in order. A closed gate holds the worker in its next status report.
class RecordedReports : public receive::ReceiveReports {
 public:
  void Status(const std::string& /*account*/, const std::string& text) override {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      statuses_.push_back(text);
    }
    reported_.notify_all();
    gate_.Pass();
  }
  void Received(const std::string& /*account*/, int count) override {
    std::lock_guard<std::mutex> lock(mutex_);
    counts_.push_back(count);
  }
  void Close() { gate_.Close(); }
  void Open() { gate_.Open(); }
  // Waits (at most 5 s) until `count` status reports have come.
  bool WaitForStatuses(std::size_t count) {
    std::unique_lock<std::mutex> lock(mutex_);
    return reported_.wait_for(lock, std::chrono::seconds(5),
                              [&] { return statuses_.size() >= count; });
  }
  std::vector<std::string> Statuses() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return statuses_;
  }
  std::vector<int> Counts() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return counts_;
  }

 private:
  mutable std::mutex mutex_;
  std::condition_variable reported_;
  Gate gate_;
  std::vector<std::string> statuses_;
  std::vector<int> counts_;
};

// "Tue, 05 Mar 2024 11:00:00 +0000"
inline std::string DateHeader(std::time_t when) {
  std::tm utc{};
  gmtime_r(&when, &utc);
  char text[64];
  std::strftime(text, sizeof text, "%a, %d %b %Y %H:%M:%S +0000", &utc);
  return text;
}

// A small message; no Date header when `when` is 0; a base64 attachment "a.txt" on request.
inline std::string Message(const std::string& id, std::time_t when, bool attachment = false) {
  std::string text = "From: Ann <ann@example.com>\r\nTo: Bob <bob@example.com>\r\n";
  text += "Subject: " + id + "\r\nMessage-ID: <" + id + "@example.com>\r\n";
  if (when != 0) text += "Date: " + DateHeader(when) + "\r\n";
  if (!attachment) return text + "\r\nbody of " + id + "\r\n";
  text += "MIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=\"b1\"\r\n\r\n";
  text += "--b1\r\nContent-Type: text/plain\r\n\r\nbody of " + id + "\r\n";
  text += "--b1\r\nContent-Type: text/plain; name=\"a.txt\"\r\n";
  text += "Content-Disposition: attachment; filename=\"a.txt\"\r\n";
  text += "Content-Transfer-Encoding: base64\r\n\r\naGVsbG8=\r\n--b1--\r\n";
  return text;
}

// ---- POP3 dialogue pieces (user "bob", password "secret") ----

// The greeting, CAPA (refused: no STLS), USER, PASS and STAT of a mailbox of `count` messages.
inline void SignIn(ScriptedTransport& t, int count) {
  t.Server("+OK ready\r\n").Client("CAPA\r\n").Server("-ERR unknown command\r\n");
  t.Client("USER bob\r\n").Server("+OK\r\n");
  t.Client("PASS secret\r\n").Server("+OK\r\n");
  t.Client("STAT\r\n").Server("+OK " + std::to_string(count) + " 0\r\n");
}

// A server without UIDL: signing in, then UIDL refused.
inline void Login(ScriptedTransport& t, int count) {
  SignIn(t, count);
  t.Client("UIDL\r\n").Server("-ERR command not supported\r\n");
}

// A server with UIDL: signing in, then the ids of the messages in order ("1 id1", ...).
inline void LoginWithIds(ScriptedTransport& t, const std::vector<std::string>& ids) {
  SignIn(t, static_cast<int>(ids.size()));
  std::string answer = "+OK\r\n";
  for (std::size_t i = 0; i < ids.size(); ++i)
    answer += std::to_string(i + 1) + " " + ids[i] + "\r\n";
  t.Client("UIDL\r\n").Server(answer + ".\r\n");
}

// LIST with each message's size equal to its text's length.
inline void List(ScriptedTransport& t, const std::vector<std::string>& messages) {
  std::string answer = "+OK\r\n";
  for (std::size_t i = 0; i < messages.size(); ++i)
    answer += std::to_string(i + 1) + " " + std::to_string(messages[i].size()) + "\r\n";
  t.Client("LIST\r\n").Server(answer + ".\r\n");
}

// TOP n 0 answered with the headers of the message.
inline void Top(ScriptedTransport& t, int n, const std::string& message) {
  t.Client("TOP " + std::to_string(n) + " 0\r\n");
  t.Server("+OK\r\n" + message.substr(0, message.find("\r\n\r\n") + 2) + ".\r\n");
}

// The choosing of a run that keeps mail on the server: log in, LIST, then TOP of every message.
inline void LoginAndReadHeaders(ScriptedTransport& t, const std::vector<std::string>& messages) {
  Login(t, static_cast<int>(messages.size()));
  List(t, messages);
  for (std::size_t n = 1; n <= messages.size(); ++n)
    Top(t, static_cast<int>(n), messages[n - 1]);
}

inline void Retr(ScriptedTransport& t, int n, const std::string& message) {
  t.Client("RETR " + std::to_string(n) + "\r\n").Server("+OK\r\n" + message + ".\r\n");
}

inline void Dele(ScriptedTransport& t, int n) {
  t.Client("DELE " + std::to_string(n) + "\r\n").Server("+OK\r\n");
}

// The trace lines of a worker, in order.
class RecordedTrace : public maillib::TraceSink {
 public:
  void Trace(std::string_view text) override {
    std::lock_guard<std::mutex> lock(mutex_);
    lines_.emplace_back(text);
  }
  // All lines joined by "\n".
  std::string Text() const {
    std::lock_guard<std::mutex> lock(mutex_);
    std::string text;
    for (const std::string& line : lines_)
      text += line + "\n";
    return text;
  }

 private:
  mutable std::mutex mutex_;
  std::vector<std::string> lines_;
};

// A program folder with its databases and the account row of kAccount.
class ReceiveFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(store::EnsureProgramFolders(folder_.Path(), &error)) << error;
    mail_ = store::OpenMailStore(folder_.Path(), &error);
    ASSERT_NE(mail_, nullptr) << error;
    account_ = store::OpenAccountStore(folder_.Path(), &error);
    ASSERT_NE(account_, nullptr) << error;
    AddAccount(kAccount, kT0);
  }

  void AddAccount(const std::string& address, std::time_t mailDate) {
    store::Query insert(*account_);
    insert.AddLine("insert into MailAcc (MailAccount, Mail_Date) values (:a, :d)");
    insert.SetText("a", address);
    insert.SetText("d", store::FormatDateTime(mailDate));
    ASSERT_TRUE(insert.ExecSql()) << insert.Error();
  }

  std::time_t MailDate(const std::string& address = kAccount) {
    store::Query look(*account_);
    look.AddLine("select Mail_Date from MailAcc where MailAccount=:a");
    look.SetText("a", address);
    std::time_t when = 0;
    EXPECT_TRUE(look.Open() && store::ParseDateTime(look.FieldText("Mail_Date"), &when));
    return when;
  }

  // The subjects of the inbox rows, in insert order, joined by ",".
  std::string InboxSubjects() {
    store::Query look(*mail_);
    look.AddLine("select MailSubject from Historys order by ID");
    EXPECT_TRUE(look.Open()) << look.Error();
    std::string subjects;
    for (; !look.Eof(); look.Next())
      subjects += (subjects.empty() ? "" : ",") + look.FieldText("MailSubject");
    return subjects;
  }

  receive::TOnlyPOPReceivInformation Info(const std::string& mode,
                                          const std::string& address = kAccount) {
    receive::TOnlyPOPReceivInformation info;
    info.MailAccount = address;
    info.UserName = receive::UserNameOf(address);
    info.Password = "secret";
    info.PopServer = "pop.example.com";
    info.LastMailDate = kT0;
    info.DeleteMode = mode;
    return info;
  }

  receive::ReceiveContext Context() {
    receive::ReceiveContext context;
    context.mail = mail_.get();
    context.account = account_.get();
    context.mailFileFolder = store::MailFileFolder(folder_.Path());
    context.reports = &reports_;
    return context;
  }

  // Runs one worker on this thread against the scripted server.
  std::unique_ptr<receive::TReveiveEMailThread> RunAgainst(
      ScriptedTransport& server, const receive::TOnlyPOPReceivInformation& info,
      const receive::ReceiveContext& context) {
    ScriptedTransport::Plug plug(server);
    plug.AsDefault();
    auto worker = std::make_unique<receive::TReveiveEMailThread>(info, context);
    worker->Run();
    EXPECT_TRUE(server.Done()) << server.Mismatch();
    return worker;
  }

  store_test::TempFolder folder_;
  std::unique_ptr<store::Database> mail_;
  std::unique_ptr<store::Database> account_;
  RecordedReports reports_;
};

}  // namespace receive_test
