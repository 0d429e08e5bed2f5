#include "send/ContentSaveAs.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QTcpServer>
#include <QTcpSocket>
#include <filesystem>
#include <string>

#include "platform/ScriptedDialogs.h"
#include "send/ComposeRecords.h"
#include "send/HttpFetch.h"
#include "store/DataFiles.h"
#include "store/Stores.h"
#include "tests/store/MailStore.h"
#include "tests/store/TempFolder.h"

namespace send {
namespace {

using platform::ScriptedDialogs;
using store_test::ReadFileBytes;
using store_test::WriteFileBytes;

// A program folder with both databases, a received message with its raw copy in the inbox,
// and scripted dialogs.
class ContentSaveAsTest : public store_test::MailStoreTest {
 protected:
  void SetUp() override {
    MailStoreTest::SetUp();
    std::string error;
    ASSERT_TRUE(store::EnsureProgramFolders(Root(), &error)) << error;
    accounts_ = store::OpenAccountStore(Root(), &error);
    ASSERT_NE(accounts_, nullptr) << error;
    setting_.root = Root();
    setting_.fetcher = [](const std::string&, const std::string&) { return false; };
    store::MessageRecord record;
    record.sender = "张三 <z@a.cn>";
    record.receiver = "me@x.cn;";
    record.content = "<p>正文</p>";
    record.fujian = store::kReceivedMail;
    record.mailFolder = "/m1";
    id_ = AddRecord("Historys", record);
    std::filesystem::create_directories(store::MailFileFolder(Root()) + "/m1");
    WriteFileBytes(store::MailFileFolder(Root()) + "/m1/" + store::kRawMessageFileName, kRaw);
    shown_.senderText = record.sender;
    shown_.subject = "报告: 第1/2部分";
    shown_.bodyText = "正文";
  }
  const std::string& Root() const { return folder_.Path(); }
  QString Chosen(const std::string& name) const {
    return QString::fromStdString(Root() + "/" + name);
  }

  static constexpr const char* kRaw = "From: z@a.cn\r\nSubject: raw\r\n\r\nbody\r\n";
  std::unique_ptr<store::Database> accounts_;
  ExportSetting setting_;
  ReadingExport shown_;
  int id_ = 0;
  ScriptedDialogs script_;
  platform::ScopedDialogs use_{&script_};
};

TEST_F(ContentSaveAsTest, ReadingPageSavesTheChosenKindAndAsksBeforeReplacing) {
  script_.texts = {Chosen("mail"), Chosen("mail"), Chosen("mail")};
  script_.filterIndexes = {2, 0, 0};
  ASSERT_TRUE(SaveReadingContentAs(nullptr, *db_, "Historys", id_, shown_, setting_));
  ASSERT_EQ(script_.asked.size(), 1u);
  EXPECT_EQ(script_.asked[0].title, "内容另存为");
  EXPECT_EQ(script_.asked[0].filter, "HTML文件(*.htm);;文本文档(*.txt);;eml文件(*.eml)");
  EXPECT_EQ(script_.asked[0].text, "报告_ 第1_2部分");
  EXPECT_EQ(ReadFileBytes(Root() + "/mail.eml"), kRaw);
  // The reading browser's HTML is not given: the stored body is written.
  ASSERT_TRUE(SaveReadingContentAs(nullptr, *db_, "Historys", id_, shown_, setting_));
  EXPECT_EQ(ReadFileBytes(Root() + "/mail.htm"), "<p>正文</p>");
  // The file is there now: answering No keeps it.
  WriteFileBytes(Root() + "/mail.htm", "mine");
  script_.answers = {platform::Answer::No};
  EXPECT_FALSE(SaveReadingContentAs(nullptr, *db_, "Historys", id_, shown_, setting_));
  EXPECT_EQ(ReadFileBytes(Root() + "/mail.htm"), "mine");
  EXPECT_EQ(script_.asked.back().kind, ScriptedDialogs::Kind::Message);
}

TEST_F(ContentSaveAsTest, ComposePageWritesTextAndShowsAFailure) {
  ComposeSnapshot page;
  page.sender = "me@x.cn";
  page.subject = "s";
  page.bodyOuterHtml = "<body><p>hi</p></body>";
  page.bodyText = "hi";
  script_.texts = {Chosen("note"), Chosen("no/such/folder/x")};
  script_.filterIndexes = {1, 2};
  ASSERT_TRUE(SaveComposeContentAs(nullptr, page, *db_, *accounts_, setting_));
  EXPECT_EQ(ReadFileBytes(Root() + "/note.txt"), "hi");
  EXPECT_FALSE(SaveComposeContentAs(nullptr, page, *db_, *accounts_, setting_));
  ASSERT_EQ(script_.asked.size(), 3u);
  EXPECT_EQ(script_.asked[2].icon, platform::Icon::Warning);
  EXPECT_TRUE(script_.asked[2].text.contains("no/such/folder/x.eml"));
  // Cancelled: nothing asked after the chooser, nothing written.
  EXPECT_FALSE(SaveComposeContentAs(nullptr, page, *db_, *accounts_, setting_));
  EXPECT_EQ(script_.asked.size(), 4u);
}

TEST_F(ContentSaveAsTest, ForwardWritesIntoTemFileOrShowsWhy) {
  const QString path = ForwardAsAttachment(nullptr, *db_, "Historys", id_, shown_, setting_);
  EXPECT_EQ(path.toStdString(), store::TempFileFolder(Root()) + "/报告_ 第1_2部分.eml");
  EXPECT_EQ(ReadFileBytes(path.toStdString()), kRaw);
  EXPECT_TRUE(ForwardAsAttachment(nullptr, *db_, "Historys", id_ + 5, shown_, setting_).isEmpty());
  ASSERT_EQ(script_.asked.size(), 1u);
  EXPECT_EQ(script_.asked[0].title, "作为附件转发");
}

// A one-shot HTTP server on 127.0.0.1 that answers every request with `response` (or never,
// when it is empty).
class CannedServer {
 public:
  explicit CannedServer(QByteArray response) : response_(std::move(response)) {
    server_.listen(QHostAddress::LocalHost, 0);
    QObject::connect(&server_, &QTcpServer::newConnection, &server_, [this] {
      QTcpSocket* socket = server_.nextPendingConnection();
      QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
        socket->readAll();
        if (response_.isEmpty()) return;
        socket->write(response_);
        socket->disconnectFromHost();
      });
    });
  }
  std::string Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(server_.serverPort()) + path;
  }

 private:
  QByteArray response_;
  QTcpServer server_;
};

TEST(HttpFetch, SavesA2xxBodyAndRefusesEverythingElse) {
  store_test::TempFolder folder;
  const std::string saved = folder.File("pic.gif");
  CannedServer ok("HTTP/1.1 200 OK\r\nContent-Length: 5\r\nConnection: close\r\n\r\nGIF89");
  EXPECT_TRUE(HttpFetch(ok.Url("/pic.gif"), saved));
  EXPECT_EQ(ReadFileBytes(saved), "GIF89");

  const std::string other = folder.File("other");
  CannedServer missing(
      "HTTP/1.1 404 Not Found\r\nContent-Length: 3\r\nConnection: close\r\n\r\nno!");
  EXPECT_FALSE(HttpFetch(missing.Url("/x"), other));
  CannedServer huge("HTTP/1.1 200 OK\r\nContent-Length: 100\r\nConnection: close\r\n\r\n" +
                    QByteArray(100, 'x'));
  EXPECT_FALSE(HttpFetch(huge.Url("/x"), other, {5000, 50}));
  CannedServer silent{QByteArray()};
  EXPECT_FALSE(HttpFetch(silent.Url("/x"), other, {300, 50}));
  EXPECT_FALSE(HttpFetch("ftp://127.0.0.1/x", other));
  EXPECT_FALSE(std::filesystem::exists(other));
}

}  // namespace
}  // namespace send
