// Why an operation of a mail protocol client failed, so callers can tell a connection that
// could not be opened from a refused login or an error answer of the server.
#pragma once

namespace maillib {

enum class TMailFailure {
  None,
  NotConnected,    // the operation needs a connection and there is none
  ConnectFailed,   // no connection could be opened (or the server sent no greeting)
  LoginRefused,    // the server refused the user name or password
  ServerError,     // the server answered with an error or an unexpected code
  ConnectionLost,  // the connection closed or failed during a command
  TimedOut,        // the server did not answer within the client's time-out
  Canceled,        // the client's Cancel flag was set
  NoData,          // POP3: a retrieve produced no lines of the message
  BadInput,        // SMTP: nothing to send (no recipient or sender, or an address with breaks)
  ProtocolError,   // the server's answer does not have the form the command requires
};

// A short stable name of the failure ("connect-failed", "login-refused", ...) for tools.
const char* MailFailureName(TMailFailure failure);

}  // namespace maillib
