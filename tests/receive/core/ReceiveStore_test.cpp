#include "receive/ReceiveStore.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "maillib/Base64.h"
#include "maillib/Charsets.h"
#include "maillib/FileNames.h"
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

  // Stores with files limited to 16 KB (as on a full disk); the reason of a failure in *error.
  StoreOutcome StoreWithFileSizeLimit(const maillib::TRapMsg& msg, std::string* error) {
    constexpr rlim_t kLimit = 16 * 1024;
    rlimit saved{};
    EXPECT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit lowered = saved;
    lowered.rlim_cur = kLimit;
    const sighandler_t oldHandler = ::signal(SIGXFSZ, SIG_IGN);
    EXPECT_EQ(::setrlimit(RLIMIT_FSIZE, &lowered), 0);
    ReceiveStore store(*db_, emf_);
    const StoreOutcome outcome = store.Store(msg, "me@example.com");
    ::setrlimit(RLIMIT_FSIZE, &saved);
    ::signal(SIGXFSZ, oldHandler);
    *error = store.Error();
    return outcome;
  }

  // The only sub-folder of the mail-file folder; "" when there is not exactly one.
  std::string OnlySubFolder() const {
    const std::set<std::string> subs = SubFolders();
    EXPECT_EQ(subs.size(), 1u);
    return subs.size() == 1 ? *subs.begin() : std::string();
  }

  std::string emf_;
};

const std::string kBinary("\x00\x01\r\n\xff binary \r\n", 14);

TEST_F(ReceiveStoreTest, WritesTheFilesWhereTheRowSays) {
  const std::string text =
      MessageText("<m1@example.com>", {{"报告 2026.txt", "年度报告"}, {"data.bin", kBinary}});
  ASSERT_EQ(Store(text), StoreOutcome::Stored);
  const std::string sub = OnlySubFolder();
  ASSERT_NE(sub, "");
  EXPECT_EQ(Column("MailFolder"), "/" + sub);
  EXPECT_EQ(store_test::ReadFileBytes(emf_ + "/" + sub + "/" + kRawMessageFileName), text);
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
  EXPECT_EQ(Column("MailFolder"), "/" + sub);
  EXPECT_NE(Column("Content").find("src=\"logo.png\""), std::string::npos) << Column("Content");
  EXPECT_EQ(store_test::ReadFileBytes(emf_ + "/" + sub + "/logo.png"), "PNGDATA");
  EXPECT_EQ(Column("FuJianPath"), "/" + sub + "/logo(1).png*");
  EXPECT_EQ(store_test::ReadFileBytes(emf_ + "/" + sub + "/logo(1).png"), "attached");
}

// Every message keeps its raw bytes in a folder of its own, which the row names even when
// there are no attachments or pictures; lines the parser drops (a second part after the
// body, "." and ".." lines, bytes that are not text) are all in it.
TEST_F(ReceiveStoreTest, AMessageWithoutFilesKeepsItsRawBytes) {
  const std::string text =
      "From: a@example.com\r\nSubject: hi\r\nMIME-Version: 1.0\r\n"
      "Content-Type: multipart/alternative; boundary=\"B\"\r\n\r\n--B\r\n"
      "Content-Type: text/plain\r\n\r\nline 1\r\n.\r\n..\r\n\xff\xfe\r\n--B\r\n"
      "Content-Type: text/x-footer\r\n\r\nlist footer\r\n--B--\r\n\r\n";
  ASSERT_EQ(Store(text), StoreOutcome::Stored);
  const std::string sub = OnlySubFolder();
  ASSERT_NE(sub, "");
  EXPECT_EQ(store_test::ReadFileBytes(emf_ + "/" + sub + "/" + kRawMessageFileName), text);
  EXPECT_EQ(Column("MailFolder"), "/" + sub);
  EXPECT_EQ(Column("FuJianPath"), "");
  EXPECT_EQ(Column("FilePath"), kNoEmbeddedFiles);
  EXPECT_NE(Column("Content").find("line 1"), std::string::npos) << Column("Content");
  struct stat info {};
  ASSERT_EQ(::stat((emf_ + "/" + sub + "/" + kRawMessageFileName).c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
}

// Attachments never take the names of the program's own files.
TEST_F(ReceiveStoreTest, AttachmentsNamedLikeTheProgramsFilesAreRenamed) {
  const std::string text =
      MessageText("<r@example.com>", {{"Tenvel.eml", "attached eml"}, {"Tenvel.htm", "page"}});
  ASSERT_EQ(Store(text), StoreOutcome::Stored);
  const std::string sub = OnlySubFolder();
  ASSERT_NE(sub, "");
  EXPECT_EQ(Column("FuJianPath"), "/" + sub + "/Tenvel(1).eml*/" + sub + "/Tenvel(1).htm*");
  EXPECT_EQ(store_test::ReadFileBytes(emf_ + "/" + sub + "/Tenvel(1).eml"), "attached eml");
  EXPECT_EQ(store_test::ReadFileBytes(emf_ + "/" + sub + "/Tenvel.eml"), text);
  EXPECT_FALSE(fs::exists(emf_ + "/" + sub + "/Tenvel.htm"));
}

// The entries of a star list ("a*b*" gives a, b).
std::vector<std::string> SplitStars(const std::string& list) {
  std::vector<std::string> entries;
  std::size_t start = 0;
  for (std::size_t star = list.find('*'); star != std::string::npos;
       start = star + 1, star = list.find('*', start)) {
    entries.push_back(list.substr(start, star - start));
  }
  return entries;
}

// Two attachments with one name of the full 255 bytes: the second one's "(1)" costs whole
// characters of the stem, so the message is stored, not failed on every receive.
TEST_F(ReceiveStoreTest, DuplicateNamesOfTheFullLengthFitTheFileSystem) {
  std::string name = "a";
  for (int i = 0; i < 83; ++i)
    name += "文";
  name += "b.txt";
  ASSERT_EQ(name.size(), 255u);
  ASSERT_EQ(Store(MessageText("<long@example.com>", {{name, "one"}, {name, "two"}, {name, "3"}})),
            StoreOutcome::Stored);
  const std::string sub = OnlySubFolder();
  const std::vector<std::string> paths = SplitStars(Column("FuJianPath"));
  ASSERT_EQ(paths.size(), 3u);
  std::vector<std::string> contents;
  std::set<std::string> names;
  for (const std::string& path : paths) {
    const std::string file = maillib::FileNamePart(path);
    EXPECT_LE(file.size(), 255u) << file;
    EXPECT_TRUE(maillib::IsValidUtf8(file)) << file;
    EXPECT_EQ(file.substr(0, 10), name.substr(0, 10));
    names.insert(file);
    contents.push_back(store_test::ReadFileBytes(emf_ + path));
  }
  EXPECT_EQ(names.size(), 3u);
  EXPECT_EQ(maillib::FileNamePart(paths[0]), name);
  EXPECT_EQ(contents, (std::vector<std::string>{"one", "two", "3"}));
}

TEST_F(ReceiveStoreTest, ManyAttachmentsOfOneNameAreAllKept) {
  Files files;
  for (int i = 0; i < 300; ++i)
    files.push_back({"a.txt", std::to_string(i)});
  ASSERT_EQ(Store(MessageText("<many@example.com>", files)), StoreOutcome::Stored);
  const std::vector<std::string> paths = SplitStars(Column("FuJianPath"));
  ASSERT_EQ(paths.size(), 300u);
  EXPECT_EQ(maillib::FileNamePart(paths[0]), "a.txt");
  EXPECT_EQ(maillib::FileNamePart(paths[299]), "a(299).txt");
  for (int i = 0; i < 300; i += 37)
    EXPECT_EQ(store_test::ReadFileBytes(emf_ + paths[i]), std::to_string(i)) << i;
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
  const std::string big(64 * 1024, 'b');
  const auto msg =
      Parsed(MessageText("<full@example.com>", {{"small.txt", "s"}, {"big.bin", big}}));
  std::string error;
  EXPECT_EQ(StoreWithFileSizeLimit(*msg, &error), StoreOutcome::Failed);
  EXPECT_NE(error.find("big.bin"), std::string::npos) << error;
  EXPECT_EQ(Count("Historys"), 0);
  EXPECT_TRUE(SubFolders().empty());
}

// The raw message is a file like any other: when it cannot be written the message is not
// stored, and the reason names it.
TEST_F(ReceiveStoreTest, AFailedRawMessageWriteLeavesNothing) {
  const std::string text =
      "From: a@example.com\r\nSubject: long\r\n\r\n" + std::string(64 * 1024, 'x') + "\r\n";
  std::string error;
  EXPECT_EQ(StoreWithFileSizeLimit(*Parsed(text), &error), StoreOutcome::Failed);
  EXPECT_NE(error.find(kRawMessageFileName), std::string::npos) << error;
  EXPECT_NE(error.find(std::strerror(EFBIG)), std::string::npos) << error;
  EXPECT_EQ(Count("Historys"), 0);
  EXPECT_TRUE(SubFolders().empty());
}

TEST_F(ReceiveStoreTest, AFailedInsertRemovesTheFiles) {
  std::string error;
  ASSERT_TRUE(db_->Execute("drop table Historys", &error)) << error;
  ReceiveStore store(*db_, emf_);
  EXPECT_EQ(store.Store(*Parsed(MessageText("<x@example.com>", {{"a.txt", "x"}})), "me@x.com"),
            StoreOutcome::Failed);
  EXPECT_NE(store.Error().find("cannot insert the inbox row: "), std::string::npos)
      << store.Error();
  EXPECT_NE(store.Error().find("Historys"), std::string::npos) << store.Error();
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
