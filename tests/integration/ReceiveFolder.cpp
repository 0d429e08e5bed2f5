#include "tests/integration/ReceiveFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <stdexcept>

#include "maillib/Charsets.h"
#include "receive/ReceivePlan.h"
#include "store/DataFiles.h"
#include "store/DateTimeText.h"
#include "store/Query.h"
#include "store/Stores.h"

namespace integration {

namespace fs = std::filesystem;

namespace {

constexpr const char* kDomain = "tenvel.test";

// Long texts (message bodies, files) are shown by their size and first bytes only.
std::string Shown(const std::string& text) {
  if (text.size() <= 300) return text;
  return "(" + std::to_string(text.size()) + " bytes) " + text.substr(0, 300) + "...";
}

// Byte equality without printing megabytes: sizes and the first differing offset.
::testing::AssertionResult SameBytes(const std::string& actual, const std::string& expected) {
  if (actual == expected) return ::testing::AssertionSuccess();
  const auto diff = std::mismatch(actual.begin(), actual.end(), expected.begin(), expected.end());
  return ::testing::AssertionFailure()
         << actual.size() << " bytes where " << expected.size() << " were expected, first "
         << "difference at " << (diff.first - actual.begin());
}

std::vector<std::string> SplitStars(const std::string& list) {
  std::vector<std::string> items;
  std::size_t start = 0;
  for (std::size_t star; (star = list.find('*', start)) != std::string::npos; start = star + 1)
    items.push_back(list.substr(start, star - start));
  return items;
}

// The saved attachments against the message's, in order. A name the message gives once is
// kept as it is; a repeated one gets a name of its own that the file system can hold.
void ExpectAttachments(const std::string& fuJianPath, const LoadedMessage& m,
                       const std::string& mailFiles) {
  const std::vector<std::string> paths = SplitStars(fuJianPath);
  ASSERT_EQ(paths.size(), m.attachments.size()) << Shown(fuJianPath);
  std::set<std::string> originals, saved;
  for (std::size_t i = 0; i < paths.size(); ++i) {
    const ExpectedFile& file = m.attachments[i];
    const std::string name = fs::path(paths[i]).filename().string();
    EXPECT_EQ(paths[i].front(), '/');
    EXPECT_TRUE(saved.insert(name).second) << "two attachments saved as " << name;
    if (originals.insert(file.name).second) {
      EXPECT_EQ(name, file.name);
    } else {
      EXPECT_LE(name.size(), 255u) << name;
      EXPECT_TRUE(maillib::IsValidUtf8(name)) << name;
    }
    EXPECT_TRUE(SameBytes(ReadFile(mailFiles + paths[i]), file.bytes)) << paths[i];
  }
}

void ExpectAddresses(const StoredRow& row, const LoadedMessage& m, const std::string& account) {
  EXPECT_TRUE(Contains(row.Sender, m.fromAddress)) << row.Sender;
  EXPECT_TRUE(Contains(row.Receiver, "收件人")) << row.Receiver;
  EXPECT_TRUE(Contains(row.Receiver, " <" + account + ">;")) << row.Receiver;
  if (m.ccAddress.empty()) {
    EXPECT_EQ(row.Mailcc, "no");
  } else {
    EXPECT_TRUE(Contains(row.Mailcc, "李四") && Contains(row.Mailcc, "<" + m.ccAddress + ">;"))
        << row.Mailcc;
  }
  EXPECT_EQ(row.MailBcc, "no");
}

void ExpectSubject(const StoredRow& row, const LoadedMessage& m) {
  if (!m.subjectMayBeCut) {
    EXPECT_EQ(row.MailSubject, m.subject.empty() ? "无主题" : m.subject);
    return;
  }
  const std::string start = m.subject.substr(0, 64);
  EXPECT_TRUE(row.MailSubject.starts_with(start)) << Shown(row.MailSubject);
}

// Whether the stored body shows the tag as a word of its own: after a blank, before markup or
// at the end (a body whose last line is the tag).
bool HoldsTag(const std::string& content, const std::string& tag) {
  const std::string word = " " + tag;
  for (std::size_t at = content.find(word); at != std::string::npos;
       at = content.find(word, at + 1)) {
    const std::size_t end = at + word.size();
    if (end == content.size() || content[end] == '<') return true;
  }
  return false;
}

}  // namespace

// ---- Recorder ----

void Recorder::Status(const std::string&, const std::string& text) {
  const std::lock_guard lock(mutex_);
  texts_.push_back(text);
}

void Recorder::Received(const std::string&, int count) {
  const std::lock_guard lock(mutex_);
  texts_.push_back("count " + std::to_string(count));
}

std::vector<std::string> Recorder::Texts() const {
  const std::lock_guard lock(mutex_);
  return texts_;
}

bool Recorder::Saw(const std::string& text) const {
  const auto texts = Texts();
  return std::find(texts.begin(), texts.end(), text) != texts.end();
}

// ---- ProgramFolder ----

ProgramFolder::ProgramFolder() {
  std::string error;
  if (!store::EnsureProgramFolders(temp_.Path(), &error)) throw std::runtime_error(error);
  mail_ = store::OpenMailStore(temp_.Path(), &error);
  account_ = store::OpenAccountStore(temp_.Path(), &error);
  if (mail_ == nullptr || account_ == nullptr) throw std::runtime_error(error);
}

std::string ProgramFolder::MailFiles() const {
  return store::MailFileFolder(Path());
}

std::string ProgramFolder::AddAccount(const TestServers& servers, const std::string& user,
                                      bool keep, int popPort, const std::string& password) {
  accounts::AccountForm form;
  form.user = user;
  form.domain = kDomain;
  form.password = password.empty() ? servers.pop3Password : password;
  form.hostsShown = true;
  form.pop3 = "127.0.0.1:" + std::to_string(popPort > 0 ? popPort : servers.pop3Port);
  form.smtp = "127.0.0.1:" + std::to_string(servers.smtpPort);
  form.keepOnServer = keep;
  store::Query query(*account_);
  const auto result = accounts::ApplyAccount(query, form, false, 0, Path() + "/POPSmtp.ini");
  if (result != accounts::ApplyResult::Saved) throw std::runtime_error("account not saved");
  return user + "@" + kDomain;
}

receive::TOnlyPOPReceivInformation ProgramFolder::Info(const std::string& address) {
  receive::TOnlyPOPReceivInformation info;
  if (!receive::PlanOne(*account_, address, &info))
    throw std::runtime_error("no account " + address);
  return info;
}

receive::ReceiveContext ProgramFolder::Context(receive::ReceiveReports* reports) {
  receive::ReceiveContext context;
  context.mail = mail_.get();
  context.account = account_.get();
  context.mailFileFolder = MailFiles();
  context.reports = reports;
  return context;
}

int ProgramFolder::Receive(const std::string& address, Recorder& reports,
                           std::function<void(maillib::TRapPOP&)> configure) {
  receive::ReceiveContext context = Context(&reports);
  context.configureClient = std::move(configure);
  receive::TReveiveEMailThread worker(Info(address), context);
  worker.Run();
  return worker.StoredCount();
}

std::vector<StoredRow> ProgramFolder::Rows(const std::string& account) {
  store::Query query(*mail_);
  query.AddLine("select * from Historys where RefuseFuJIan=:RefuseFuJIan2 order by ID");
  query.SetText("RefuseFuJIan2", account);
  std::vector<StoredRow> rows;
  if (!query.Open()) throw std::runtime_error(query.Error());
  for (; !query.Eof(); query.Next()) {
    auto f = [&](const char* name) { return query.FieldText(name); };
    rows.push_back({f("Sender"), f("Receiver"), f("SendDateTime"), f("Content"), f("MessageKind"),
                    f("FuJianPath"), f("AcceptFuJian"), f("RefuseFuJIan"), f("FilePath"),
                    f("MailSubject"), f("MailBcc"), f("Mailcc"), f("Fujian"),
                    query.HasField("MailFolder"), f("MailFolder")});
  }
  return rows;
}

accounts::AccountRow ProgramFolder::Account(const std::string& address) {
  accounts::AccountRow row;
  store::Query query(*account_);
  if (!accounts::FindAccountByAddress(query, address, &row))
    throw std::runtime_error("no account " + address);
  return row;
}

// ---- checks ----

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

std::time_t Yesterday() {
  return std::time(nullptr) - 24 * 3600;
}

void ExpectStoredAs(const StoredRow& row, const LoadedMessage& m, const std::string& account,
                    const std::string& mailFiles) {
  SCOPED_TRACE(m.tag);
  ExpectAddresses(row, m, account);
  ExpectSubject(row, m);
  EXPECT_EQ(row.MessageKind, "MailUn");
  EXPECT_EQ(row.Fujian, "S");
  EXPECT_EQ(row.RefuseFuJIan, account);
  EXPECT_EQ(row.SendDateTime, store::FormatDateTime(m.dated ? m.date : receive::StartOf1980()));
  EXPECT_TRUE(Contains(row.Content, m.tag)) << Shown(row.Content);
  EXPECT_TRUE(Contains(row.Content, m.bodyMark)) << Shown(row.Content);
  if (row.hasMailFolder) {
    EXPECT_EQ(row.MailFolder.substr(0, 1), "/") << row.MailFolder;
    EXPECT_TRUE(SameBytes(ReadFile(mailFiles + row.MailFolder + "/Tenvel.eml"), m.bytes))
        << "raw message in " << row.MailFolder;
  }
  ExpectAttachments(row.FuJianPath, m, mailFiles);
  if (m.inlines.empty()) {
    EXPECT_EQ(row.FilePath, "NOHAVEExtractFile");
    return;
  }
  ASSERT_EQ(row.FilePath.substr(0, 1), "/");
  for (const ExpectedFile& picture : m.inlines)
    EXPECT_EQ(ReadFile(mailFiles + row.FilePath + "/" + picture.name), picture.bytes);
}

std::map<std::string, StoredRow> ById(const std::vector<StoredRow>& rows) {
  std::map<std::string, StoredRow> byId;
  for (const StoredRow& row : rows)
    EXPECT_TRUE(byId.emplace(row.AcceptFuJian, row).second) << "stored twice: " << row.AcceptFuJian;
  return byId;
}

bool EachStoredOnce(const std::vector<StoredRow>& rows, const std::vector<LoadedMessage>& messages,
                    std::map<std::string, StoredRow>* byTag) {
  std::vector<int> holders(rows.size(), 0);
  bool once = true;
  for (const LoadedMessage& m : messages) {
    int found = 0;
    for (std::size_t r = 0; r < rows.size(); ++r) {
      if (!HoldsTag(rows[r].Content, m.tag)) continue;
      ++found;
      ++holders[r];
      if (byTag != nullptr) byTag->emplace(m.tag, rows[r]);
    }
    EXPECT_EQ(found, 1) << m.tag << (found == 0 ? " not stored" : " stored more than once");
    once = once && found == 1;
  }
  for (std::size_t r = 0; r < rows.size(); ++r) {
    EXPECT_EQ(holders[r], 1) << "row of no loaded message: " << rows[r].MailSubject;
    once = once && holders[r] == 1;
  }
  return once;
}

void ExpectServerHolds(const std::string& user, const std::vector<LoadedMessage>& expected) {
  std::vector<std::string> wanted = WireBytes(expected);
  ASSERT_EQ(MailboxCount(user, wanted.size()), wanted.size()) << user;
  std::vector<std::string> held = MailboxMessages(user);
  std::sort(wanted.begin(), wanted.end());
  std::sort(held.begin(), held.end());
  EXPECT_TRUE(held == wanted) << user << ": the mailbox's messages differ from those expected";
}

ChildRun RunTvmail(const std::vector<std::string>& args,
                   const std::function<bool(const std::string&)>& killAt, rlim_t fileLimit) {
  return RunProgram(TVMAIL_PATH, args, killAt, fileLimit);
}

}  // namespace integration
