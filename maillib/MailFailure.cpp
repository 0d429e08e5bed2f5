#include "maillib/MailFailure.h"

namespace maillib {

const char* MailFailureName(TMailFailure failure) {
  switch (failure) {
    case TMailFailure::None:
      return "none";
    case TMailFailure::NotConnected:
      return "not-connected";
    case TMailFailure::ConnectFailed:
      return "connect-failed";
    case TMailFailure::LoginRefused:
      return "login-refused";
    case TMailFailure::ServerError:
      return "server-error";
    case TMailFailure::ConnectionLost:
      return "connection-lost";
    case TMailFailure::TimedOut:
      return "timed-out";
    case TMailFailure::Canceled:
      return "canceled";
    case TMailFailure::NoData:
      return "no-data";
    case TMailFailure::ProtocolError:
      return "protocol-error";
    case TMailFailure::BadInput:
      return "bad-input";
  }
  return "unknown";
}

}  // namespace maillib
