#include "tests/integration/SmtpClient.h"

#include "maillib/Base64.h"
#include "tests/integration/Messages.h"

namespace integration {

std::unique_ptr<SmtpSession> MakeSmtp(const TestServers& servers, bool tls) {
  auto session = std::make_unique<SmtpSession>();
  maillib::TRapSMTP& smtp = *session->smtp;
  smtp.Host = tls ? "localhost" : "127.0.0.1";
  smtp.Port = tls ? servers.smtpsPort : servers.smtpPort;
  smtp.ImplicitTls = tls;
  smtp.MustVerify = true;
  smtp.HeloName = "sender@example.test";
  smtp.VerifyUserID = maillib::Base64EncodeStr(servers.smtpUser);
  smtp.VerifyUserPassword = maillib::Base64EncodeStr(servers.smtpPassword);
  smtp.TimeOut = 15000;
  smtp.DataPauseMs = 0;
  SmtpSession* raw = session.get();
  smtp.OnError = [raw](maillib::TRapSMTP&, int code, const std::string&) {
    raw->errors.push_back(code);
  };
  smtp.OnSendCmdToSocket = [raw](maillib::TRapSMTP&, const std::string& text) {
    raw->sent.push_back(text);
  };
  smtp.OnErrorPassword = [raw](maillib::TRapSMTP&, std::string&, std::string&, bool&) {
    ++raw->passwordRefusals;
  };
  return session;
}

maillib::TRapMsg RawMessage(const std::string& bytes) {
  maillib::TRapMsg msg;
  msg.SetFrom("Sender <sender@example.test>");
  msg.RawLines = SplitCrLf(bytes);
  return msg;
}

}  // namespace integration
