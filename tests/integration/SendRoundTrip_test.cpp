// Sending with the real send worker through the test SMTP server, then delivering what the
// server accepted into a Dovecot mailbox and receiving it with the receive worker into another
// program folder: what the recipient sees in the inbox row and the stored files must be what
// the sender wrote. Then bad input and refusals through the real server.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <thread>

#include "maillib/Base64.h"
#include "maillib/InlineHtml.h"
#include "maillib/RapSMTP.h"
#include "maillib/TextUtil.h"
#include "tests/integration/Messages.h"
#include "tests/integration/ReceiveFolder.h"
#include "tests/integration/SendSupport.h"

namespace integration {
namespace {

namespace fs = std::filesystem;

constexpr const char* kSenderNickname = "王五, 总经理办公室";

// `count` characters (code points) of Chinese text, cycling through a sentence.
std::string ChineseText(std::size_t count) {
  // Every character of this line is 3 bytes in UTF-8 and in GB2312.
  const std::string line = "二〇二六年第四季度华东区销售会议纪要及下一阶段工作安排请各部门知悉";
  std::string text;
  for (std::size_t i = 0; i < count; ++i)
    text += line.substr((i * 3) % line.size(), 3);
  return text;
}

// Bytes of every value, in an order no encoder can shorten.
std::string RandomBytes(std::size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::string bytes(size, '\0');
  for (char& c : bytes)
    c = static_cast<char>(random() & 0xff);
  return bytes;
}

std::string PngLike(unsigned seed) {
  return "\x89PNG\r\n\x1a\n" + RandomBytes(3000, seed);
}

::testing::AssertionResult SameBytes(const std::string& actual, const std::string& expected) {
  if (actual == expected) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << actual.size() << " bytes where " << expected.size() << " were expected";
}

// The one file of the folder whose bytes are `bytes`: its name, "" when none or several.
std::string FileHolding(const std::string& folder, const std::string& bytes) {
  std::string name;
  int found = 0;
  std::error_code ec;
  for (const auto& file : fs::directory_iterator(folder, ec)) {
    if (file.is_regular_file() && file.file_size() == bytes.size() &&
        ReadFile(file.path().string()) == bytes) {
      name = file.path().filename().string();
      ++found;
    }
  }
  return found == 1 ? name : "";
}

// The trace is written to a log file: no password may be in it, plain or in Base64.
void ExpectNoPassword(const std::string& trace, const std::string& password) {
  EXPECT_FALSE(Contains(trace, password)) << trace;
  EXPECT_FALSE(Contains(trace, maillib::Base64EncodeStr(password))) << trace;
}

// The header field that begins at `at`, its folded lines included.
std::string HeaderField(const std::string& header, std::size_t at) {
  std::size_t end = at + 1;
  while ((end = header.find("\r\n", end)) != std::string::npos && end + 2 < header.size() &&
         (header[end + 2] == ' ' || header[end + 2] == '\t'))
    end += 2;
  return header.substr(at, end == std::string::npos ? std::string::npos : end - at);
}

// No line of the message is longer than a mail line may be (998 bytes without its CR LF).
void ExpectLinesWithinLimit(const std::string& bytes) {
  std::size_t start = 0;
  for (std::size_t end; (end = bytes.find("\r\n", start)) != std::string::npos; start = end + 2) {
    if (end - start > 998) {
      ADD_FAILURE() << "a line of " << (end - start) << " bytes: " << bytes.substr(start, 200);
      return;
    }
  }
}

// Sending folder with its sender, a receiving folder for the recipient, and the files the
// sender puts into the mail.
class RoundTrip : public ::testing::Test {
 protected:
  void SetUp() override {
    servers_ = Servers(why_);
    if (servers_ == nullptr) GTEST_SKIP() << why_;
    sender_ =
        sending_.AddSender("sender", kSenderNickname, servers_->smtpPassword, servers_->smtpPort);
  }

  std::string WriteUserFile(const std::string& name, const std::string& bytes) {
    const std::string path = files_.File(name);
    WriteFile(path, bytes);
    return path;
  }

  // Delivers what the server saved for `firstRecipient` into the mailbox of `user` and
  // receives it into the receiving folder: the one inbox row, and the message as delivered.
  StoredRow DeliverAndReceive(const std::string& firstRecipient, const std::string& user,
                              SpooledMessage* delivered) {
    std::vector<SpooledMessage> spooled = TakeSpoolWithEnvelopes(firstRecipient);
    EXPECT_EQ(spooled.size(), 1u);
    if (spooled.size() != 1) return {};
    *delivered = spooled.front();
    LoadMailbox(user, {delivered->bytes});
    const std::string account = receiving_.AddAccount(*servers_, user, false);
    Recorder reports;
    EXPECT_EQ(receiving_.Receive(account, reports), 1) << ::testing::PrintToString(reports.Texts());
    const std::vector<StoredRow> rows = receiving_.Rows(account);
    EXPECT_EQ(rows.size(), 1u);
    return rows.empty() ? StoredRow{} : rows.front();
  }

  std::string why_;
  const TestServers* servers_ = nullptr;
  SendingFolder sending_;
  ProgramFolder receiving_;
  store_test::TempFolder files_;
  std::string sender_;
};

// Everything a Chinese office mail carries, through the plain port: a long Chinese subject,
// display names with commas, an inserted picture, a 10 MB attachment with a Chinese name,
// To, Cc and Bcc.
TEST_F(RoundTrip, ChineseMailWithPictureAndBigAttachmentArrivesAsWritten) {
  sending_.AddFriend("box16@tenvel.test", "张三, 销售部");
  sending_.AddFriend("box19@tenvel.test", "赵六, 财务部");
  sending_.AddFriend("box17@tenvel.test", "李四，技术部, 北京");
  const std::string picture = PngLike(1);
  const std::string picturePath = WriteUserFile("chart.png", picture);
  // A local file the user did not put into the mail: it must not travel.
  const std::string privatePicture = PngLike(2);
  const std::string privatePath = WriteUserFile("private.png", privatePicture);
  const std::string attachment = RandomBytes(10u << 20, 3);
  const std::string attachmentPath = WriteUserFile("二〇二六年度销售报告（终稿）.dat", attachment);
  // A name longer than a header line, with ASCII brackets (the sent box writes them as "<>").
  const std::string longName = ChineseText(60) + "(第2版).txt";
  const std::string notes = "会议记录\r\n第二版\r\n";
  const std::string notesPath = WriteUserFile(longName, notes);

  send::ComposeSnapshot page;
  page.sender = sender_;
  page.recipientField =
      "box16@tenvel.test,box19@tenvel.test<抄送>box17@tenvel.test<密送>box18@tenvel.test";
  page.subject = ChineseText(200);
  page.bodyOuterHtml = "<body><p>各位同事：报告见附件，图表如下。 round-chinese</p><img src=\"" +
                       picturePath + "\"><img src=\"" + privatePath + "\"></body>";
  page.bodyText = "各位同事：报告见附件，图表如下。 round-chinese";
  page.attachmentBarShown = true;
  page.attachments = {attachmentPath, notesPath};
  page.pictureFiles = {picturePath};
  SendRecorder reports;
  const SendOutcome outcome = sending_.Send(*servers_, page, &reports);
  ASSERT_EQ(outcome.checkMessage, "");
  ASSERT_TRUE(outcome.succeeded) << outcome.failureText;
  EXPECT_TRUE(reports.SawStatus("发送成功"));
  EXPECT_EQ(reports.FinishedCount(), 1);
  EXPECT_GT(reports.Range(), std::int64_t{10} << 20);
  EXPECT_GT(reports.ProgressSum(), std::int64_t{10} << 20);
  ExpectNoPassword(sending_.TraceText(), servers_->smtpPassword);

  // The sender's sent box.
  const std::vector<SentRow> sent = sending_.SentRows();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].MessageKind, "MailSendSucc");
  EXPECT_EQ(sent[0].Sender, sender_);
  EXPECT_EQ(sent[0].Receiver, "张三, 销售部 <box16@tenvel.test>;赵六, 财务部 <box19@tenvel.test>;");
  EXPECT_EQ(sent[0].Mailcc, "李四，技术部, 北京 <box17@tenvel.test>;");
  EXPECT_EQ(sent[0].MailBcc, "box18@tenvel.test");
  EXPECT_EQ(sent[0].MailSubject, page.subject);
  EXPECT_EQ(sent[0].FuJianPath,
            attachmentPath + "*" + files_.File(ChineseText(60) + "<第2版>.txt") + "*");
  EXPECT_EQ(sent[0].Fujian, "F");

  // The envelope reaches every recipient, the Bcc one too; no header names the Bcc address.
  SpooledMessage delivered;
  const StoredRow row = DeliverAndReceive("box16@tenvel.test", "box16", &delivered);
  ExpectLinesWithinLimit(delivered.bytes);
  for (const char* address :
       {"box16@tenvel.test", "box19@tenvel.test", "box17@tenvel.test", "box18@tenvel.test"})
    EXPECT_TRUE(Contains(delivered.envelope, std::string("\"") + address + "\"")) << address;
  EXPECT_TRUE(Contains(delivered.envelope, "\"mail_from\": \"" + sender_ + "\""))
      << delivered.envelope;
  EXPECT_FALSE(Contains(delivered.bytes, "box18")) << HeaderBlock(delivered.bytes);
  EXPECT_FALSE(Contains(maillib::LowerAscii(HeaderBlock(delivered.bytes)), "\nbcc:"));
  // One inline part: the picture put into the mail, not the other local file.
  const std::string lower = maillib::LowerAscii(delivered.bytes);
  const std::size_t firstId = lower.find("\ncontent-id:");
  EXPECT_NE(firstId, std::string::npos);
  EXPECT_EQ(lower.find("\ncontent-id:", firstId + 1), std::string::npos);

  // What the recipient sees.
  EXPECT_EQ(row.MailSubject, page.subject);
  EXPECT_TRUE(Contains(row.Sender, "王五, 总经理办公室")) << row.Sender;
  EXPECT_TRUE(Contains(row.Sender, "<" + sender_ + ">")) << row.Sender;
  // Each name stays with its address, none is split into two entries; the stored list ends
  // its entries with ';', and its names show ',' and ';' as blanks.
  EXPECT_EQ(row.Receiver, "张三  销售部 <box16@tenvel.test>;赵六  财务部 <box19@tenvel.test>;")
      << HeaderBlock(delivered.bytes);
  EXPECT_EQ(row.Mailcc, "李四，技术部  北京 <box17@tenvel.test>;") << HeaderBlock(delivered.bytes);
  EXPECT_EQ(row.MailBcc, "no");
  EXPECT_TRUE(Contains(row.Content, "各位同事：报告见附件，图表如下。")) << row.Content;
  EXPECT_FALSE(Contains(row.Content, "cid:")) << row.Content;

  // The picture is an inline part that shows: saved in the message's folder and named by the
  // body. The attachment is saved under its Chinese name, byte for byte.
  const std::string folder = receiving_.MailFiles() + row.FilePath;
  ASSERT_EQ(row.FilePath.substr(0, 1), "/") << row.FilePath;
  const std::string pictureName = FileHolding(folder, picture);
  ASSERT_FALSE(pictureName.empty()) << "no inline picture in " << folder;
  EXPECT_TRUE(maillib::HtmlHasSrc(row.Content, pictureName)) << row.Content;
  EXPECT_EQ(FileHolding(folder, privatePicture), "");
  EXPECT_EQ(row.FuJianPath, row.MailFolder + "/二〇二六年度销售报告（终稿）.dat*" + row.MailFolder +
                                "/" + longName + "*");
  EXPECT_TRUE(SameBytes(
      ReadFile(receiving_.MailFiles() + row.MailFolder + "/二〇二六年度销售报告（终稿）.dat"),
      attachment));
  EXPECT_EQ(ReadFile(receiving_.MailFiles() + row.MailFolder + "/" + longName), notes);
}

// A character GBK cannot hold makes the message UTF-8; through the implicit-TLS port.
TEST_F(RoundTrip, EmojiInSubjectAndBodyArriveThroughImplicitTls) {
  sending_.AddFriend("box17@tenvel.test", "李四");
  send::ComposeSnapshot page;
  page.sender = sender_;
  page.recipientField = "box17@tenvel.test";
  page.subject = "季度总结 🎉 已完成";
  page.bodyOuterHtml = "<body><p>大家辛苦了 👍 round-emoji</p></body>";
  page.bodyText = "大家辛苦了 👍 round-emoji";
  sending_.RequestReadReceipt();
  SendRecorder reports;
  bool tls = false;
  const SendOutcome outcome =
      sending_.Send(*servers_, page, &reports, [&](maillib::TRapSMTP& smtp) {
        smtp.Port = servers_->smtpsPort;
        smtp.ImplicitTls = true;
        tls = true;
      });
  ASSERT_TRUE(outcome.succeeded) << outcome.failureText;
  EXPECT_TRUE(tls);

  SpooledMessage delivered;
  const StoredRow row = DeliverAndReceive("box17@tenvel.test", "box17", &delivered);
  ExpectLinesWithinLimit(delivered.bytes);
  const std::string header = HeaderBlock(delivered.bytes);
  EXPECT_TRUE(Contains(maillib::UpperAscii(header), "=?UTF-8?")) << header;
  // The read receipt asked for goes to the sender.
  const std::size_t receipt = maillib::LowerAscii(header).find("\ndisposition-notification-to:");
  ASSERT_NE(receipt, std::string::npos) << header;
  EXPECT_TRUE(Contains(HeaderField(header, receipt), "<" + sender_ + ">")) << header;
  EXPECT_EQ(row.MailSubject, page.subject);
  EXPECT_TRUE(Contains(row.Content, "大家辛苦了 👍")) << row.Content;
  EXPECT_EQ(row.Receiver, "李四 <box17@tenvel.test>;");
  EXPECT_TRUE(Contains(row.Sender, kSenderNickname)) << row.Sender;
  const std::vector<SentRow> sent = sending_.SentRows();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].MessageKind, "MailSendSucc");
  EXPECT_EQ(sent[0].MailSubject, page.subject);
}

// Forty recipients with Chinese names, one without a Friend row: the envelope has them all,
// the folded To header keeps every name with its address, in the order written.
TEST_F(RoundTrip, ManyNamedRecipientsArriveInOrder) {
  std::string field = "box18@tenvel.test";
  std::string expected = "box18 <box18@tenvel.test>;";
  for (int n = 1; n < 40; ++n) {
    const std::string address = "colleague" + std::to_string(n) + "@tenvel.test";
    const std::string name = "同事" + ChineseText(n % 7 + 1) + std::to_string(n);
    sending_.AddFriend(address, name);
    field += "," + address;
    expected += name + " <" + address + ">;";
  }
  send::ComposeSnapshot page;
  page.sender = sender_;
  page.recipientField = field;
  page.subject = "全体通知";
  page.bodyOuterHtml = "<body>明天放假 round-many</body>";
  page.bodyText = "明天放假 round-many";
  SendRecorder reports;
  const SendOutcome outcome = sending_.Send(*servers_, page, &reports);
  ASSERT_TRUE(outcome.succeeded) << outcome.failureText;

  SpooledMessage delivered;
  const StoredRow row = DeliverAndReceive("box18@tenvel.test", "box18", &delivered);
  ExpectLinesWithinLimit(delivered.bytes);
  for (int n = 1; n < 40; ++n) {
    const std::string address = "\"colleague" + std::to_string(n) + "@tenvel.test\"";
    EXPECT_TRUE(Contains(delivered.envelope, address)) << address;
  }
  EXPECT_EQ(row.Receiver, expected) << HeaderBlock(delivered.bytes);
  EXPECT_EQ(row.MailSubject, "全体通知");
}

// A plain port whose server offers STARTTLS: the connection is upgraded before the password
// goes out, and the message arrives.
TEST_F(RoundTrip, StartTlsUpgradesBeforeTheLogin) {
  const int port = servers_->smtpStartTlsPort;
  ASSERT_NE(port, 0);
  SendingFolder folder;
  const std::string sender =
      folder.AddSender("sender", kSenderNickname, servers_->smtpPassword, port);
  send::ComposeSnapshot page;
  page.sender = sender;
  page.recipientField = "box29@tenvel.test";
  page.subject = "经由STARTTLS发送";
  page.bodyOuterHtml = "<body>加密连接 round-starttls</body>";
  page.bodyText = "加密连接 round-starttls";
  SendRecorder reports;
  const SendOutcome outcome = folder.Send(*servers_, page, &reports);
  ASSERT_TRUE(outcome.succeeded) << outcome.failureText;
  const std::string trace = folder.TraceText();
  // The client's commands are traced as "> " + command.
  const std::size_t upgrade = maillib::UpperAscii(trace).find("> STARTTLS");
  const std::size_t auth = maillib::UpperAscii(trace).find("> AUTH");
  EXPECT_NE(upgrade, std::string::npos) << trace;
  EXPECT_TRUE(auth == std::string::npos || upgrade < auth) << trace;
  ExpectNoPassword(trace, servers_->smtpPassword);

  SpooledMessage delivered;
  const StoredRow row = DeliverAndReceive("box29@tenvel.test", "box29", &delivered);
  EXPECT_EQ(row.MailSubject, page.subject);
  EXPECT_TRUE(Contains(row.Content, "加密连接")) << row.Content;
}

// ---- bad input and refusals ----

class SendRefused : public RoundTrip {
 protected:
  send::ComposeSnapshot Page(const std::string& field) {
    send::ComposeSnapshot page;
    page.sender = sender_;
    page.recipientField = field;
    page.subject = "不应送达";
    page.bodyOuterHtml = "<body>不应送达</body>";
    page.bodyText = "不应送达";
    return page;
  }
  // The folder's one sent-box row is a failure and nothing reached the server for
  // `recipient`.
  static void ExpectRecordedFailure(SendingFolder& folder, const std::string& recipient) {
    const std::vector<SentRow> sent = folder.SentRows();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].MessageKind, "MailSendFail");
    EXPECT_TRUE(TakeSpool(recipient).empty());
  }
};

// The SEND checks stop before the worker: no row, nothing on the server.
TEST_F(SendRefused, EmptyRecipientsAndMissingAttachmentSendNothing) {
  SendRecorder reports;
  const SendOutcome empty = sending_.Send(*servers_, Page(""), &reports);
  EXPECT_EQ(empty.checkMessage, "收件人不能为空!");
  EXPECT_FALSE(empty.ran);

  const std::string present = WriteUserFile("present.txt", "here");
  send::ComposeSnapshot page = Page("missing-file@tenvel.test");
  page.attachmentBarShown = true;
  page.attachments = {present, files_.File("季度报告.doc")};
  const SendOutcome missing = sending_.Send(*servers_, page, &reports);
  EXPECT_EQ(missing.checkMessage, files_.File("季度报告.doc") + "文件不存在");
  EXPECT_FALSE(missing.ran);

  EXPECT_TRUE(sending_.SentRows().empty());
  EXPECT_TRUE(reports.Statuses().empty());
  EXPECT_TRUE(TakeSpool("missing-file@tenvel.test").empty());
}

// A recipient the server refuses (550), beside one it takes: the send failed and says why,
// and the other recipient got nothing either, so sending it again delivers it once.
TEST_F(SendRefused, RefusedRecipientIsRecordedAsFailed) {
  SendRecorder reports;
  const SendOutcome outcome = sending_.Send(
      *servers_, Page("refused-beside@tenvel.test<抄送>reject-someone@tenvel.test"), &reports);
  ASSERT_TRUE(outcome.ran);
  EXPECT_FALSE(outcome.succeeded);
  EXPECT_EQ(outcome.failureText, "发送失败");
  // The server's reason is written down in full.
  EXPECT_TRUE(Contains(sending_.TraceText(), "550")) << sending_.TraceText();
  EXPECT_TRUE(reports.SawStatus("发送失败"));
  EXPECT_FALSE(reports.SawStatus("发送成功"));
  ExpectRecordedFailure(sending_, "refused-beside@tenvel.test");
}

// "取消发送" while the message is being written: the server discards the part it got, and the
// send is recorded as failed. A cancel seen only after the end of the data would let the
// message through: the transfer is long enough for the cancel to come in time.
TEST_F(SendRefused, CancelDuringTheTransferDeliversNothing) {
  const std::string attachment = WriteUserFile("大文件.dat", RandomBytes(25u << 20, 4));
  send::ComposeSnapshot page = Page("cancel-during@tenvel.test");
  page.attachmentBarShown = true;
  page.attachments = {attachment};
  SendRecorder reports;
  std::chrono::steady_clock::time_point canceledAt;
  const SendOutcome outcome = sending_.Send(*servers_, page, &reports, nullptr, [&] {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (reports.ProgressSum() == 0 && reports.FinishedCount() == 0 &&
           std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    sending_.CancelSend();
    canceledAt = std::chrono::steady_clock::now();
  });
  const auto stopped = std::chrono::steady_clock::now() - canceledAt;
  ASSERT_TRUE(outcome.ran);
  EXPECT_GT(reports.ProgressSum(), 0) << "the transfer never began";
  EXPECT_FALSE(outcome.succeeded);
  EXPECT_FALSE(reports.SawStatus("发送成功"));
  EXPECT_LT(stopped, std::chrono::seconds(5));
  ExpectRecordedFailure(sending_, "cancel-during@tenvel.test");
}

TEST_F(SendRefused, WrongPasswordIsRecordedAsFailed) {
  SendingFolder folder;
  const std::string sender =
      folder.AddSender("sender", kSenderNickname, "wrong-password", servers_->smtpPort);
  send::ComposeSnapshot page = Page("wrong-password@tenvel.test");
  page.sender = sender;
  SendRecorder reports;
  const SendOutcome outcome = folder.Send(*servers_, page, &reports);
  ASSERT_TRUE(outcome.ran);
  EXPECT_FALSE(outcome.succeeded);
  EXPECT_TRUE(reports.SawErrorLine("登陆到SMTP服务器失败,请检查您的用户名或是密码"));
  ExpectNoPassword(folder.TraceText(), "wrong-password");
  ExpectRecordedFailure(folder, "wrong-password@tenvel.test");
}

TEST_F(SendRefused, ClosedPortIsRecordedAsFailed) {
  SendingFolder folder;
  const std::string sender =
      folder.AddSender("sender", kSenderNickname, servers_->smtpPassword, ClosedPort());
  send::ComposeSnapshot page = Page("closed-port@tenvel.test");
  page.sender = sender;
  SendRecorder reports;
  const SendOutcome outcome = folder.Send(*servers_, page, &reports);
  ASSERT_TRUE(outcome.ran);
  EXPECT_FALSE(outcome.succeeded);
  EXPECT_TRUE(reports.SawErrorLine("连接到SMTP服务器失败,请检查您的网络"));
  ExpectRecordedFailure(folder, "closed-port@tenvel.test");
}

}  // namespace
}  // namespace integration
