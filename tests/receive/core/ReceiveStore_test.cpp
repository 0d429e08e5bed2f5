#include "receive/ReceiveStore.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "maillib/Base64.h"
#include "maillib/RapMsg.h"
#include "maillib/TextUtil.h"
#include "receive/ReceiveRow.h"
#include "store/DateTimeText.h"
#include "store/Query.h"
#include "store/Schema.h"
#include "tests/store/MailStore.h"

namespace receive {
namespace {

namespace fs = std::filesystem;
using Files = std::vector<std::pair<std::string, std::string>>;  // name, bytes

std::string Base64Part(const std::string& headers, const std::string& bytes) {
  std::string part = headers + "Content-Transfer-Encoding: base64\r\n\r\n";
  for (const std::string& line : maillib::Base64EncodeToLines(bytes))
    part += line + "\r\n";
  return part;
}

std::string AttachmentPart(const std::string& name, const std::string& bytes) {
  const std::string encoded = "=?UTF-8?B?" + maillib::Base64EncodeStr(name) + "?=";
  return Base64Part("Content-Type: application/octet-stream; name=\"" + encoded +
                        "\"\r\nContent-Disposition: attachment; filename=\"" + encoded + "\"\r\n",
                    bytes);
}

// A message with an HTML body showing the picture "cid:logo@example.com" (the PNG bytes of
// `logo`, none when empty) and the attachments.
std::string MessageText(const std::string& messageId, const Files& attachments,
                        const std::string& logo = "") {
  std::string text =
      "From: Ann <ann@example.com>\r\nTo: Bob <bob@example.com>\r\nSubject: files\r\n"
      "Date: Tue, 08 Dec 2026 21:42:01 +0000\r\n";
  if (!messageId.empty()) text += "Message-ID: " + messageId + "\r\n";
  text += "MIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=\"MIX\"\r\n\r\n";
  text += "--MIX\r\nContent-Type: multipart/related; boundary=\"REL\"\r\n\r\n";
  text += "--REL\r\nContent-Type: text/html; charset=utf-8\r\n\r\n";
  text += "<p>see <img src=\"cid:logo@example.com\"></p>\r\n";
  if (!logo.empty()) {
    text += "--REL\r\n" + Base64Part(
                              "Content-Type: image/png; name=\"logo.png\"\r\n"
                              "Content-ID: <logo@example.com>\r\nContent-Disposition: inline\r\n",
                              logo);
  }
  text += "--REL--\r\n";
  for (const auto& [name, bytes] : attachments)
    text += "--MIX\r\n" + AttachmentPart(name, bytes);
  return text + "--MIX--\r\n";
}

std::unique_ptr<maillib::TRapMsg> Parsed(const std::string& text) {
  auto msg = std::make_unique<maillib::TRapMsg>();
  msg->RawLines = maillib::SplitLines(text);
  msg->Parse();
  return msg;
}

class ReceiveStoreTest : public store_test::MailStoreTest {
 protected:
  void SetUp() override {
    MailStoreTest::SetUp();
    emf_ = folder_.File("EMF");
    ASSERT_TRUE(fs::create_directory(emf_));
  }

  StoreOutcome Store(const std::string& text, const std::string& account = "me@example.com") {
    ReceiveStore store(*db_, emf_);
    const StoreOutcome outcome = store.Store(*Parsed(text), account);
    if (outcome != StoreOutcome::Failed) {
      EXPECT_EQ(store.Error(), "");
    }
    return outcome;
  }

  std::set<std::string> SubFolders() const {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(emf_))
      names.insert(entry.path().filename().string());
    return names;
  }

  // A column of the only row of Historys.
  std::string Column(const std::string& name) {
    store::Query row(*db_);
    row.AddLine("select * from Historys");
    EXPECT_TRUE(row.Open()) << row.Error();
    EXPECT_EQ(row.RecordCount(), 1);
    return row.FieldText(name);
  }

  std::string emf_;
};

const std::string kBinary("\x00\x01\r\n\xff binary \r\n", 14);

TEST_F(ReceiveStoreTest, WritesTheFilesWhereTheRowSays) {
  ASSERT_EQ(Store(MessageText("<m1@example.com>",
                              {{"报告 2026.txt", "年度报告"}, {"data.bin", kBinary}})),
            StoreOutcome::Stored);
  const std::set<std::string> subs = SubFolders();
  ASSERT_EQ(subs.size(), 1u);
  const std::string sub = *subs.begin();
  EXPECT_EQ(Column("FuJianPath"), "/" + sub + "/报告 2026.txt*/" + sub + "/data.bin*");
  EXPECT_EQ(store_test::ReadFileBytes(emf_ + "/" + sub + "/报告 2026.txt"), "年度报告");
  EXPECT_EQ(store_test::ReadFileBytes(emf_ + "/" + sub + "/data.bin"), kBinary);
  EXPECT_EQ(Column("FilePath"), kNoEmbeddedFiles);
  EXPECT_EQ(Column("MessageKind"), "MailUn");
  EXPECT_EQ(Column("Fujian"), "S");
  EXPECT_EQ(Column("AcceptFuJian"), "<m1@example.com>");
  EXPECT_EQ(Column("RefuseFuJIan"), "me@example.com");
  EXPECT_EQ(Column("Receiver"), "Bob <bob@example.com>;");
  struct stat info {};
  ASSERT_EQ(::stat((emf_ + "/" + sub).c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0700u);
}

TEST_F(ReceiveStoreTest, EmbeddedPicturesLieWhereTheBodyRefersToThem) {
  // The attachment has the picture's name; it must not replace the picture.
  ASSERT_EQ(Store(MessageText("<m2@example.com>", {{"logo.png", "attached"}}, "PNGDATA")),
            StoreOutcome::Stored);
  const std::set<std::string> subs = SubFolders();
  ASSERT_EQ(subs.size(), 1u);
  const std::string sub = *subs.begin();
  EXPECT_EQ(Column("FilePath"), "/" + sub);
  EXPECT_NE(Column("Content").find("src=\"logo.png\""), std::string::npos) << Column("Content");
  EXPECT_EQ(store_test::ReadFileBytes(emf_ + "/" + sub + "/logo.png"), "PNGDATA");
  EXPECT_EQ(Column("FuJianPath"), "/" + sub + "/logo(1).png*");
  EXPECT_EQ(store_test::ReadFileBytes(emf_ + "/" + sub + "/logo(1).png"), "attached");
}

TEST_F(ReceiveStoreTest, AMessageWithoutFilesGetsNoFolder) {
  ASSERT_EQ(Store("From: a@example.com\r\nSubject: hi\r\n\r\nline 1\r\nline 2\r\n"),
            StoreOutcome::Stored);
  EXPECT_TRUE(SubFolders().empty());
  EXPECT_EQ(Column("FuJianPath"), "");
  EXPECT_EQ(Column("FilePath"), kNoEmbeddedFiles);
  EXPECT_EQ(Column("Content"), "line 1<br>line 2");
}

TEST_F(ReceiveStoreTest, MessagesOfOneSecondGetSeparateFolders) {
  // The names of this second and the next few are taken, as by messages stored just before.
  const std::time_t now = std::time(nullptr);
  std::set<std::string> taken;
  for (std::time_t t = now; t < now + 5; ++t) {
    taken.insert(SubFolderName(t));
    ASSERT_TRUE(fs::create_directory(emf_ + "/" + SubFolderName(t)));
  }
  ASSERT_EQ(Store(MessageText("<a@example.com>", {{"a.txt", "first"}})), StoreOutcome::Stored);
  ASSERT_EQ(Store(MessageText("<b@example.com>", {{"a.txt", "second"}})), StoreOutcome::Stored);
  std::set<std::string> own;
  for (const std::string& sub : SubFolders()) {
    if (taken.contains(sub)) {
      EXPECT_TRUE(fs::is_empty(emf_ + "/" + sub)) << sub;
    } else {
      own.insert(sub);
      EXPECT_NE(sub.find('_'), std::string::npos) << sub;
    }
  }
  ASSERT_EQ(own.size(), 2u);
  std::set<std::string> contents;
  for (const std::string& sub : own)
    contents.insert(store_test::ReadFileBytes(emf_ + "/" + sub + "/a.txt"));
  EXPECT_EQ(contents, (std::set<std::string>{"first", "second"}));
}

TEST_F(ReceiveStoreTest, AStoredMessageIsNotStoredAgain) {
  const std::string text = MessageText("<same@example.com>", {{"a.txt", "x"}});
  ASSERT_EQ(Store(text), StoreOutcome::Stored);
  EXPECT_EQ(Store(text), StoreOutcome::AlreadyStored);
  EXPECT_EQ(Count("Historys"), 1);
  EXPECT_EQ(SubFolders().size(), 1u);
  EXPECT_TRUE(IsAlreadyStored(*db_, "<same@example.com>", "me@example.com"));
  // The same message received by another account is that account's own row.
  EXPECT_EQ(Store(text, "other@example.com"), StoreOutcome::Stored);
  EXPECT_EQ(Count("Historys"), 2);
  // Without a Message-ID nothing can be recognised.
  const std::string anonymous = MessageText("", {});
  EXPECT_EQ(Store(anonymous), StoreOutcome::Stored);
  EXPECT_EQ(Store(anonymous), StoreOutcome::Stored);
  EXPECT_FALSE(IsAlreadyStored(*db_, "", "me@example.com"));
}

TEST_F(ReceiveStoreTest, TwoWorkersStoringOneMessageInsertOneRow) {
  for (int round = 0; round < 5; ++round) {
    const std::string text =
        MessageText("<race" + std::to_string(round) + "@example.com>", {{"a.txt", "x"}});
    auto first = Parsed(text);
    auto second = Parsed(text);
    StoreOutcome outcomes[2]{};
    std::thread other([&] { outcomes[1] = ReceiveStore(*db_, emf_).Store(*second, "me@x.com"); });
    outcomes[0] = ReceiveStore(*db_, emf_).Store(*first, "me@x.com");
    other.join();
    EXPECT_EQ(std::multiset<StoreOutcome>(std::begin(outcomes), std::end(outcomes)),
              (std::multiset<StoreOutcome>{StoreOutcome::Stored, StoreOutcome::AlreadyStored}));
  }
  EXPECT_EQ(Count("Historys"), 5);
  EXPECT_EQ(SubFolders().size(), 5u);
}

TEST_F(ReceiveStoreTest, AFullDiskLeavesNoRowAndNoFolder) {
  constexpr rlim_t kLimit = 16 * 1024;
  const std::string big(64 * 1024, 'b');
  const auto msg =
      Parsed(MessageText("<full@example.com>", {{"small.txt", "s"}, {"big.bin", big}}));
  rlimit saved{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  rlimit lowered = saved;
  lowered.rlim_cur = kLimit;
  const sighandler_t oldHandler = ::signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &lowered), 0);
  ReceiveStore store(*db_, emf_);
  const StoreOutcome outcome = store.Store(*msg, "me@example.com");
  ::setrlimit(RLIMIT_FSIZE, &saved);
  ::signal(SIGXFSZ, oldHandler);
  EXPECT_EQ(outcome, StoreOutcome::Failed);
  EXPECT_NE(store.Error().find("big.bin"), std::string::npos) << store.Error();
  EXPECT_EQ(Count("Historys"), 0);
  EXPECT_TRUE(SubFolders().empty());
}

TEST_F(ReceiveStoreTest, AFailedInsertRemovesTheFiles) {
  std::string error;
  ASSERT_TRUE(db_->Execute("drop table Historys", &error)) << error;
  ReceiveStore store(*db_, emf_);
  EXPECT_EQ(store.Store(*Parsed(MessageText("<x@example.com>", {{"a.txt", "x"}})), "me@x.com"),
            StoreOutcome::Failed);
  EXPECT_NE(store.Error(), "");
  EXPECT_TRUE(SubFolders().empty());
}

TEST(UpdateMailDate, SetsTheDateOfThatAccountOnly) {
  store_test::TempFolder folder;
  std::string error;
  auto db = store::Database::Open(folder.File("MailCheck.mdb"), &error);
  ASSERT_NE(db, nullptr) << error;
  ASSERT_TRUE(store::EnsureAccountSchema(*db, &error)) << error;
  // An address with a double quote must not break the statement.
  ASSERT_TRUE(db->Execute(
      "insert into MailAcc (MailAccount) values ('o\"neil@example.com'), ('b@example.com')",
      &error))
      << error;
  std::time_t when = 0;
  ASSERT_TRUE(store::ParseDateTime("2026-12-08 21:42:01", &when));
  EXPECT_TRUE(UpdateMailDate(*db, "o\"neil@example.com", when));
  store::Query rows(*db);
  rows.AddLine("select MailAccount, Mail_Date from MailAcc order by MailAccount");
  ASSERT_TRUE(rows.Open()) << rows.Error();
  EXPECT_EQ(rows.FieldText("Mail_Date"), "1989-1-14 16:04:48");
  rows.Next();
  EXPECT_EQ(rows.FieldText("Mail_Date"), "2026-12-08 21:42:01");
}

}  // namespace
}  // namespace receive
