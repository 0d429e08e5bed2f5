#include "send/sendmThread.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "maillib/Addresses.h"
#include "maillib/MailFailure.h"
#include "maillib/RapMsg.h"
#include "maillib/TextUtil.h"
#include "store/MessageRecord.h"
#include "tests/send/core/SendTestUtil.h"

namespace send_test {
namespace {

using send::StatusColour;
using Texts = std::vector<std::string>;

// The header block of a message text, continuation lines joined to their header.
Texts HeaderLines(const std::string& message) {
  Texts headers;
  for (const std::string& line : maillib::SplitLines(message.substr(0, message.find("\r\n\r\n")))) {
    if (!headers.empty() && !line.empty() && (line[0] == ' ' || line[0] == '\t')) {
      headers.back() += line;
    } else {
      headers.push_back(line);
    }
  }
  return headers;
}

// The value of the first header of that name (any letter case), "" when there is none.
std::string Header(const std::string& message, const std::string& name) {
  for (const std::string& line : HeaderLines(message)) {
    if (maillib::StartsWithNoCase(line, name + ":"))
      return maillib::Trim(line.substr(name.size() + 1));
  }
  return {};
}

bool HasHeader(const std::string& message, const std::string& name) {
  const Texts lines = HeaderLines(message);
  return std::any_of(lines.begin(), lines.end(), [&](const std::string& line) {
    return maillib::StartsWithNoCase(line, name + ":");
  });
}

maillib::TRapMsg Parsed(const std::string& message) {
  maillib::TRapMsg msg;
  msg.RawLines = maillib::SplitLines(message);
  msg.Parse();
  return msg;
}

class SendWorker : public SendFixture {
 protected:
  send::SendJob Job(const std::string& field) {
    send::SendJob job;
    job.senderAddress = kSender;
    job.nickname = "Zhang";
    job.smtpServer = "smtp.example.cn";
    job.password = kPassword;
    job.recipientField = field;
    job.subject = "Hello";
    job.bodyHtml = "<html><body><p>hi there</p></body></html>";
    job.bodyText = "hi there";
    return job;
  }

  send::SendContext Context() {
    send::SendContext context;
    context.mail = mail_.get();
    context.attachments = &registry_;
    context.state = &state_;
    context.reports = &reports_;
    context.trace = &trace_;
    server_.Plug(context);
    return context;
  }

  std::unique_ptr<send::TSendMailThread> Send(const send::SendJob& job) {
    auto worker = std::make_unique<send::TSendMailThread>(job, Context());
    worker->Run();
    return worker;
  }

  // A body whose message text needs several chunks of the client.
  static std::string LargeBody() {
    std::string body = "<html><body>";
    for (int i = 0; i < 1500; ++i)
      body += "<p>line " + std::to_string(i) + " of a long letter</p>\n";
    return body + "</body></html>";
  }

  std::string Kind() {
    const Texts kinds = Column("MailSendBox", "MessageKind");
    EXPECT_EQ(kinds.size(), 1u);
    return kinds.empty() ? "" : kinds[0];
  }

  FakeSmtp server_;
  send::AttachmentRegistry registry_;
  send::SendState state_;
  RecordedReports reports_;
  RecordedTrace trace_;
};

TEST_F(SendWorker, SentMailIsRecordedWithItsRecipientsAndHeaders) {
  AddFriend("a@x.cn", "Ann");
  const std::string attachment = WriteFile("report(1).txt", "attached bytes");
  ASSERT_EQ(registry_.Register(attachment, nullptr), send::RegisterResult::Added);
  auto worker = Send(Job("a@x.cn, b@x.cn<抄送>c@x.cn<密送>d@x.cn"));

  ASSERT_TRUE(worker->Succeeded()) << worker->FailureText() << "\n" << trace_.Text();
  EXPECT_EQ(reports_.statuses,
            (Texts{send::kConnected, send::kPreparing, send::kSending, send::kSent}));
  EXPECT_EQ(reports_.colours.back(), StatusColour::Blue);
  EXPECT_TRUE(reports_.errorLines.empty());
  EXPECT_EQ(reports_.finished, (std::vector<bool>{true}));

  // Envelope: To, then Bcc, then Cc; the session ends with QUIT.
  const Texts commands = server_.Commands();
  Texts rcpt;
  for (const std::string& c : commands)
    if (c.rfind("RCPT TO:", 0) == 0) rcpt.push_back(c);
  EXPECT_EQ(rcpt, (Texts{"RCPT TO: <a@x.cn>", "RCPT TO: <b@x.cn>", "RCPT TO: <d@x.cn>",
                         "RCPT TO: <c@x.cn>"}));
  EXPECT_TRUE(server_.Received("MAIL FROM: <" + kSender + ">"));
  EXPECT_EQ(commands.back(), "QUIT");

  ASSERT_EQ(server_.Accepted().size(), 1u);
  const std::string message = server_.Accepted()[0];
  EXPECT_EQ(Header(message, "X-Mailer"), "Tenvel 202");
  EXPECT_FALSE(HasHeader(message, "Bcc"));
  EXPECT_EQ(message.find("d@x.cn"), std::string::npos);
  // The nickname of the address book, else the local part; plain names need no quotes.
  EXPECT_EQ(Header(message, "To"), "Ann <a@x.cn>, b <b@x.cn>");
  EXPECT_EQ(Header(message, "CC"), "c <c@x.cn>");
  EXPECT_EQ(maillib::ExtractAddresses(Header(message, "From")), kSender);
  EXPECT_FALSE(HasHeader(message, "Disposition-Notification-To"));
  const maillib::TRapMsg parsed = Parsed(message);
  ASSERT_EQ(parsed.Attachments.Count(), 1);
  EXPECT_EQ(parsed.Attachments[0].DecodedBytes(), "attached bytes");

  EXPECT_EQ(Column("MailSendBox", "MessageKind"), Texts{store::kind::kSent});
  EXPECT_EQ(Column("MailSendBox", "Sender"), Texts{kSender});
  EXPECT_EQ(Column("MailSendBox", "Receiver"), Texts{"Ann <a@x.cn>;b@x.cn <b@x.cn>;"});
  EXPECT_EQ(Column("MailSendBox", "Mailcc"), Texts{"c@x.cn <c@x.cn>;"});
  EXPECT_EQ(Column("MailSendBox", "MailBcc"), Texts{"d@x.cn"});
  EXPECT_EQ(Column("MailSendBox", "Content"), Texts{"<html><body><p>hi there</p></body></html>"});
  EXPECT_EQ(Column("MailSendBox", "Length"), Texts{"41"});
  EXPECT_EQ(Column("MailSendBox", "MailSubject"), Texts{"Hello"});
  EXPECT_EQ(Column("MailSendBox", "Fujian"), Texts{"F"});
  EXPECT_EQ(Column("MailSendBox", "FilePath"), Texts{""});
  // "(" and ")" of the recorded paths become "<" and ">".
  EXPECT_EQ(Column("MailSendBox", "FuJianPath"), Texts{folder_.File("report<1>.txt*")});

  EXPECT_TRUE(registry_.Entries().empty());
  EXPECT_FALSE(state_.sending || state_.cancel);
  // Progress runs over the whole composed text.
  EXPECT_GT(reports_.range, 0);
  EXPECT_EQ(reports_.progress, reports_.range);
  // The password never reaches the trace, not even in Base64.
  EXPECT_EQ(trace_.Text().find(kPassword), std::string::npos);
  EXPECT_EQ(trace_.Text().find(maillib::Base64EncodeStr(kPassword)), std::string::npos);
}

TEST_F(SendWorker, ALargeMessageReportsProgressPerChunkUpToTheRange) {
  send::SendJob job = Job("a@x.cn");
  job.bodyHtml = LargeBody();
  auto worker = Send(job);
  ASSERT_TRUE(worker->Succeeded()) << worker->FailureText();
  EXPECT_GT(reports_.progressReports, 2);
  EXPECT_EQ(reports_.progress, reports_.range);
}

TEST_F(SendWorker, ConnectAndLoginFailuresAreShownAndRecordedAsFailed) {
  server_.rules.refuseConnect = true;
  auto worker = Send(Job("a@x.cn"));
  EXPECT_FALSE(worker->Succeeded());
  EXPECT_TRUE(worker->ConnectFailed());
  EXPECT_EQ(reports_.statuses, Texts{send::kConnectFailed});
  EXPECT_EQ(reports_.colours, std::vector<StatusColour>{StatusColour::Red});
  EXPECT_EQ(reports_.errorLines, (Texts{send::kConnectFailed, send::kNetworkFailed}));
  EXPECT_EQ(worker->FailureText(), send::kNetworkFailed);
  EXPECT_EQ(Kind(), store::kind::kSendFailed);
  // No attachments: no attachment text.
  EXPECT_EQ(Column("MailSendBox", "FuJianPath"), Texts{""});
  EXPECT_EQ(reports_.finished, (std::vector<bool>{false}));
  EXPECT_FALSE(state_.sending);
}

TEST_F(SendWorker, ARefusedPasswordIsALoginFailure) {
  server_.rules.password = "another";
  auto worker = Send(Job("a@x.cn"));
  EXPECT_TRUE(worker->LoginFailed());
  EXPECT_EQ(reports_.errorLines, (Texts{send::kConnectFailed, send::kLoginFailed}));
  EXPECT_FALSE(server_.Received("MAIL FROM: <" + kSender + ">"));
  EXPECT_EQ(Kind(), store::kind::kSendFailed);
  EXPECT_EQ(trace_.Text().find(maillib::Base64EncodeStr(kPassword)), std::string::npos);
}

// A provider that takes only its authorization code says so in the refusal; the error line
// tells the user what to do instead of only "wrong password".
TEST_F(SendWorker, AnAuthorizationCodeRefusalIsExplained) {
  server_.rules.password = "another";
  server_.rules.passwordRefusal =
      "535 Login Fail. Please enter your authorization code to login.\r\n";
  send::SendJob job = Job("a@x.cn");
  job.smtpServer = "smtp.qq.com";
  auto worker = Send(job);
  EXPECT_TRUE(worker->LoginFailed());
  ASSERT_FALSE(reports_.errorLines.empty());
  EXPECT_NE(reports_.errorLines.back().find(maillib::kAuthorizationCodeAdvice), std::string::npos);
  EXPECT_EQ(Kind(), store::kind::kSendFailed);
}

// A refused recipient, a connection cut during the data and a refused end of data: nothing
// counts as sent, each is recorded "MailSendFail", and the session ends with QUIT where it can.
TEST_F(SendWorker, TransfersTheServerDidNotAcceptAreFailures) {
  server_.rules.refusedRecipients = {"b@x.cn"};
  auto worker = Send(Job("a@x.cn,b@x.cn"));
  EXPECT_FALSE(worker->Succeeded());
  EXPECT_EQ(reports_.statuses.back(), send::kSendFailed);
  EXPECT_FALSE(server_.Received("DATA"));
  EXPECT_EQ(server_.Commands().back(), "QUIT");
  EXPECT_NE(worker->FailureText(), "");

  server_.rules = ServerRules();
  server_.rules.closeAfterDataBytes = 20000;
  send::SendJob large = Job("a@x.cn");
  large.bodyHtml = LargeBody();
  worker = Send(large);
  EXPECT_FALSE(worker->Succeeded());
  EXPECT_EQ(reports_.statuses.back(), send::kSendFailed);

  server_.rules = ServerRules();
  server_.rules.dataEndReply = "554 rejected as spam\r\n";
  worker = Send(Job("a@x.cn"));
  EXPECT_FALSE(worker->Succeeded());
  EXPECT_NE(trace_.Text().find("554"), std::string::npos);

  EXPECT_TRUE(server_.Accepted().empty());
  EXPECT_EQ(Column("MailSendBox", "MessageKind"),
            (Texts{store::kind::kSendFailed, store::kind::kSendFailed, store::kind::kSendFailed}));
  EXPECT_EQ(reports_.finished, (std::vector<bool>{false, false, false}));
}

TEST_F(SendWorker, ACancelBeforeTheTransferSendsNothing) {
  // Pressed before the worker ran: it never connects.
  auto early = std::make_unique<send::TSendMailThread>(Job("a@x.cn"), Context());
  early->Cancel();
  early->Run();
  EXPECT_EQ(server_.Connects(), 0);
  EXPECT_FALSE(early->Succeeded());

  // Pressed on the sending page once connected (the shared flag, as the page sets it).
  reports_.onStatus = [this](const std::string& text) {
    if (text == send::kConnected) state_.cancel = true;
  };
  auto worker = Send(Job("a@x.cn"));
  EXPECT_FALSE(worker->Succeeded());
  EXPECT_FALSE(server_.Received("MAIL FROM: <" + kSender + ">"));
  EXPECT_TRUE(server_.Received("QUIT"));
  EXPECT_FALSE(state_.cancel || state_.sending);
  EXPECT_EQ(Column("MailSendBox", "MessageKind"),
            (Texts{store::kind::kSendFailed, store::kind::kSendFailed}));
}

TEST_F(SendWorker, ACancelDuringTheTransferEndsItWithoutTheEndMark) {
  send::SendJob job = Job("a@x.cn");
  job.bodyHtml = LargeBody();
  auto worker = std::make_unique<send::TSendMailThread>(job, Context());
  send::TSendMailThread* running = worker.get();
  reports_.onProgress = [running](std::int64_t) { running->Cancel(); };
  worker->Run();
  EXPECT_FALSE(worker->Succeeded());
  // The transfer stops before its next chunk: the message needs many more.
  EXPECT_LE(reports_.progressReports, 1);
  EXPECT_LT(reports_.progress, reports_.range / 2);
  EXPECT_TRUE(server_.Accepted().empty());
  EXPECT_EQ(server_.LastData().find("\r\n.\r\n"), std::string::npos);
  EXPECT_EQ(Kind(), store::kind::kSendFailed);
}

TEST_F(SendWorker, ACancelFromAnotherThreadEndsARunningSend) {
  reports_.onStatus = [this](const std::string& text) {
    if (text == send::kConnected) state_.cancel = true;
  };
  send::TSendMailThread worker(Job("a@x.cn"), Context());
  worker.Start();
  worker.Join();
  EXPECT_TRUE(worker.Finished());
  EXPECT_FALSE(worker.Succeeded());
  EXPECT_EQ(Kind(), store::kind::kSendFailed);
}

TEST_F(SendWorker, TheReadReceiptRequestIsConsumedByOneSend) {
  state_.readReceipt = true;
  auto worker = Send(Job("a@x.cn"));
  ASSERT_TRUE(worker->Succeeded());
  EXPECT_FALSE(state_.readReceipt);
  EXPECT_EQ(maillib::ExtractAddresses(Header(server_.Accepted()[0], "Disposition-Notification-To")),
            kSender);
  worker = Send(Job("a@x.cn"));
  ASSERT_EQ(server_.Accepted().size(), 2u);
  EXPECT_FALSE(HasHeader(server_.Accepted()[1], "Disposition-Notification-To"));

  // A send that never connected used the request up as well (the menu shows it cleared).
  state_.readReceipt = true;
  server_.rules.refuseConnect = true;
  Send(Job("a@x.cn"));
  EXPECT_FALSE(state_.readReceipt);
  server_.rules.refuseConnect = false;
  Send(Job("a@x.cn"));
  ASSERT_EQ(server_.Accepted().size(), 3u);
  EXPECT_FALSE(HasHeader(server_.Accepted()[2], "Disposition-Notification-To"));
}

TEST(SmtpEndpoint, APortInTheFieldDecidesElseGmailUsesImplicitTls) {
  auto check = [](const std::string& sender, const std::string& field, const std::string& host,
                  int port, bool tls) {
    const maillib::ServerEndpoint e = send::SmtpEndpointOf(sender, field);
    EXPECT_EQ(e.Host, host) << sender << " " << field;
    EXPECT_EQ(e.Port, port) << sender << " " << field;
    EXPECT_EQ(e.Tls, tls) << sender << " " << field;
  };
  check("me@gmail.com", "smtp.gmail.com", "smtp.gmail.com", 465, true);
  check("me@x.cn", "smtp.x.cn", "smtp.x.cn", 25, false);
  check("me@x.cn", "smtp.x.cn:465", "smtp.x.cn", 465, true);
  check("me@x.cn", "127.0.0.1:2525", "127.0.0.1", 2525, false);
  check("me@gmail.com", "smtp.gmail.com:587", "smtp.gmail.com", 587, false);
}

TEST_F(SendWorker, TheClientConnectsWhereTheAccountSays) {
  send::SendJob job = Job("a@x.cn");
  job.senderAddress = "me@gmail.com";
  job.smtpServer = "smtp.gmail.com";
  Send(job);
  EXPECT_EQ(server_.Target().Host, "smtp.gmail.com");
  EXPECT_EQ(server_.Target().Port, 465);
  EXPECT_TRUE(server_.Target().Tls);
  Send(Job("a@x.cn"));
  EXPECT_EQ(server_.Target().Port, 25);
  EXPECT_FALSE(server_.Target().Tls);
}

// Nicknames holding quotes, commas and semicolons stay inside their display names: every
// header still names exactly the addresses it should.
TEST_F(SendWorker, NicknamesCannotBreakTheAddressHeaders) {
  AddFriend("a@x.cn", "Li \"Boss\", Jr; x");
  AddFriend("b@x.cn", "王, 五");
  send::SendJob job = Job("a@x.cn,b@x.cn<抄送>a@x.cn");
  job.nickname = "Zhang, \"the\" sender";
  auto worker = Send(job);
  ASSERT_TRUE(worker->Succeeded()) << worker->FailureText();
  const std::string message = server_.Accepted()[0];
  EXPECT_TRUE(server_.Received("MAIL FROM: <" + kSender + ">"));
  EXPECT_EQ(maillib::ExtractAddressesQuoted(Header(message, "From")), kSender);
  EXPECT_EQ(maillib::ExtractAddressesQuoted(Header(message, "To")), "a@x.cn,b@x.cn");
  EXPECT_EQ(maillib::ExtractAddressesQuoted(Header(message, "CC")), "a@x.cn");
  const maillib::TRapMsg parsed = Parsed(message);
  EXPECT_EQ(maillib::ExtractAddressesQuoted(parsed.SendTo()), "a@x.cn,b@x.cn");
  EXPECT_NE(parsed.SendTo().find("Boss"), std::string::npos) << parsed.SendTo();

  // Without a nickname the From is the bare address.
  job.nickname = "";
  Send(job);
  EXPECT_EQ(Header(server_.Accepted()[1], "From"), kSender);
}

}  // namespace
}  // namespace send_test
