// A POP3 client pointed at the test Dovecot, with a short time-out and a recorded dialogue.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "maillib/RapPOP3.h"
#include "tests/integration/TestServers.h"

namespace integration {

struct PopSession {
  std::unique_ptr<maillib::TRapPOP> pop = std::make_unique<maillib::TRapPOP>();
  std::vector<std::string> sent;      // OnSendTextToSocket, in order
  std::vector<std::string> received;  // OnReceiveTextFromSocket, in order
};

// A client for `user` on the plain port (or the TLS port, by the name "localhost" that the
// certificate carries), with the right password; not yet connected.
std::unique_ptr<PopSession> MakePop(const TestServers& servers, const std::string& user,
                                    bool tls = false);

}  // namespace integration
