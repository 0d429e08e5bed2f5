#include "tests/integration/PopClient.h"

namespace integration {

std::unique_ptr<PopSession> MakePop(const TestServers& servers, const std::string& user, bool tls) {
  auto session = std::make_unique<PopSession>();
  maillib::TRapPOP& pop = *session->pop;
  pop.Host = tls ? "localhost" : "127.0.0.1";
  pop.Port = tls ? servers.pop3sPort : servers.pop3Port;
  if (tls) pop.TCPClient().UseTls();
  pop.UserId = user;
  pop.UserPasswd = servers.pop3Password;
  pop.TimeOut = 15000;
  PopSession* raw = session.get();
  pop.OnSendTextToSocket = [raw](maillib::TRapPOP&, const std::string& text) {
    raw->sent.push_back(text);
  };
  pop.OnReceiveTextFromSocket = [raw](maillib::TRapPOP&, const std::string& text) {
    raw->received.push_back(text);
  };
  return session;
}

}  // namespace integration
