// What the receive tests share: a program folder whose accounts point at the test Dovecot, the
// reports of a worker, the inbox rows read back, and the checks that a message was stored
// whole and exactly once and that the server holds what it should.
#pragma once

#include <sys/resource.h>

#include <ctime>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "accounts/AccountRows.h"
#include "maillib/RapPOP3.h"
#include "receive/ReceiveEMailThread.h"
#include "receive/ReceiveInfo.h"
#include "store/Database.h"
#include "tests/integration/ReceiveMessages.h"
#include "tests/integration/TestServers.h"
#include "tests/store/TempFolder.h"

namespace integration {

// The reports of a worker, kept for the test to look at.
class Recorder : public receive::ReceiveReports {
 public:
  void Status(const std::string&, const std::string& text) override;
  void Received(const std::string&, int count) override;
  std::vector<std::string> Texts() const;
  bool Saw(const std::string& text) const;

 private:
  mutable std::mutex mutex_;
  std::vector<std::string> texts_;
};

// The columns of one Historys row. MailFolder ("/sub", where the raw message "Tenvel.eml" is
// kept) only when the table has that column.
struct StoredRow {
  std::string Sender, Receiver, SendDateTime, Content, MessageKind, FuJianPath, AcceptFuJian,
      RefuseFuJIan, FilePath, MailSubject, MailBcc, Mailcc, Fujian;
  bool hasMailFolder = false;
  std::string MailFolder;
};

// A program folder with its databases, whose accounts point at the test Dovecot.
class ProgramFolder {
 public:
  ProgramFolder();
  const std::string& Path() const { return temp_.Path(); }
  std::string MailFiles() const;

  // Adds "<user>@tenvel.test" as the editor does with typed hosts; its address.
  std::string AddAccount(const TestServers& servers, const std::string& user, bool keep,
                         int popPort = 0, const std::string& password = {});
  receive::TOnlyPOPReceivInformation Info(const std::string& address);
  receive::ReceiveContext Context(receive::ReceiveReports* reports);
  // One receive of the account on this thread; the number of messages it stored.
  int Receive(const std::string& address, Recorder& reports,
              std::function<void(maillib::TRapPOP&)> configure = nullptr);
  std::vector<StoredRow> Rows(const std::string& account);
  accounts::AccountRow Account(const std::string& address);

 private:
  store_test::TempFolder temp_;
  std::unique_ptr<store::Database> mail_;
  std::unique_ptr<store::Database> account_;
};

bool Contains(const std::string& text, const std::string& part);
std::time_t Yesterday();

// Every column of the row against what the message must give; files compared byte for byte,
// the raw message too when the row says where it is.
void ExpectStoredAs(const StoredRow& row, const LoadedMessage& m, const std::string& account,
                    const std::string& mailFiles);

// The rows by Message-ID; a second row of one message fails the test.
std::map<std::string, StoredRow> ById(const std::vector<StoredRow>& rows);

// The rows by the tag of the message they hold (its body shows the tag after a blank, before markup
// or at the end), for messages that may share a Message-ID. Fails the test for a message with no
// row or with two, and for rows of no message; true when each message has exactly one row.
bool EachStoredOnce(const std::vector<StoredRow>& rows, const std::vector<LoadedMessage>& messages,
                    std::map<std::string, StoredRow>* byTag = nullptr);

// The mailbox of `user` holds exactly the messages `expected`, byte for byte (in any order).
void ExpectServerHolds(const std::string& user, const std::vector<LoadedMessage>& expected);

// `tvmail receive` (or another command of it) as a child process; see RunProgram.
ChildRun RunTvmail(const std::vector<std::string>& args,
                   const std::function<bool(const std::string&)>& killAt = nullptr,
                   rlim_t fileLimit = 0);

}  // namespace integration
