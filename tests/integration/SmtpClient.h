// An SMTP client pointed at the test server, logging in with AUTH LOGIN, with a short time-out
// and the errors it raised recorded.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "maillib/RapSMTP.h"
#include "tests/integration/TestServers.h"

namespace integration {

struct SmtpSession {
  std::unique_ptr<maillib::TRapSMTP> smtp = std::make_unique<maillib::TRapSMTP>();
  std::vector<int> errors;        // codes of OnError, in order
  std::vector<std::string> sent;  // OnSendCmdToSocket, in order
  int passwordRefusals = 0;       // OnErrorPassword calls
};

// A client with the right user and password (base64, as the callers give them) on the plain
// port, or on the implicit-TLS port by the name "localhost" that the certificate carries.
std::unique_ptr<SmtpSession> MakeSmtp(const TestServers& servers, bool tls = false);

// A message to send as it stands: RawLines from the bytes, the envelope sender set.
maillib::TRapMsg RawMessage(const std::string& bytes);

}  // namespace integration
