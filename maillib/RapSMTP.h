// A blocking SMTP client for worker threads: greeting, EHLO, STARTTLS when the server offers it
// on a plain connection (RFC 3207: no password ever goes out in plain text to such a server),
// AUTH LOGIN (or AUTH PLAIN for a server without LOGIN) or plain HELO,
// then per message MAIL FROM, RCPT TO for each recipient, DATA, the message text in chunks and
// the end-of-data mark, and finally QUIT. No operation throws: every one returns a success flag,
// leaves SocketError / ReplyError set, raises OnError with the server's code and text, and
// LastFailure() tells what went wrong (connect failed, login refused, server error, connection
// lost, time-out...) with the server's reply or the socket's reason.
//
// The message goes out exactly as its RawLines stand (composed here when empty), in the wire
// form of RFC 5321: CR LF line ends and a second '.' in front of every line that begins with
// one. Port 465 (or ImplicitTls) means TLS from the first byte.
//
// While it waits the client calls OnYield (when set) so that a caller driving it from a UI
// thread can keep its window alive; worker threads leave it empty. Quit and the destructor may
// be called from another thread (a watchdog, a cancel button): they set Cancel, and the command
// in progress ends within kReadSliceMs.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>

#include "maillib/MailFailure.h"
#include "maillib/MailTypes.h"
#include "maillib/RapMsg.h"
#include "maillib/RapTCPClient.h"

namespace maillib {

// What made the last operation fail.
// The failures of this client (NoData and BadInput belong to one protocol each).
using TSmtpFailure = TMailFailure;

class TRapSMTP {
 public:
  static constexpr int kDefaultPort = 25;
  static constexpr int kImplicitTlsPort = 465;
  static constexpr int kDefaultTimeOut = 30000;
  static constexpr int kDefaultDataEndTimeOut = 600000;
  // The destructor waits at most this long for a command in progress.
  static constexpr int kDestroyWaitMs = 5000;
  // Reads wait in slices of this length, so that Cancel ends a wait quickly.
  static constexpr int kReadSliceMs = 100;
  // How often a refused password may be replaced through OnErrorPassword in one login.
  static constexpr int kMaxPasswordRetries = 5;

  TRapSMTP();
  ~TRapSMTP();
  TRapSMTP(const TRapSMTP&) = delete;
  TRapSMTP& operator=(const TRapSMTP&) = delete;

  // ---- settings ----
  int Port = kDefaultPort;
  std::string Host;
  unsigned SendProgressStep = 1;   // kept for callers; the client does not use it
  std::string HeloName;            // callers put the account's e-mail address here
  std::string EmailAddress;        // tried as user name when the password is refused
  bool MustVerify = false;         // EHLO and AUTH LOGIN; cleared when the server knows no EHLO
  std::string VerifyUserID;        // base64 of the user name
  std::string VerifyUserPassword;  // base64 of the password
  bool SendAsAnonymous = false;
  std::string AnonymouseFrom;
  int TimeOut = kDefaultTimeOut;  // connect limit and read time-out, in ms
  // The wait for the reply to the end of the data, in ms (never shorter than TimeOut). A server
  // may check a large message for minutes before it answers; RFC 5321 suggests 10 minutes.
  // Cancel still ends the wait at once.
  int DataEndTimeOut = kDefaultDataEndTimeOut;
  bool ImplicitTls = false;  // TLS from the first byte also on ports other than 465
  std::string ExtraHeader;   // one more header line when the client composes a message
  // Adds the transparency '.' to lines that begin with '.'. Clear it only for RawLines that
  // carry it already (the composer's 8-bit form), so that no line is stuffed twice.
  bool StuffDots = true;
  int DataPauseMs = 100;  // the two pauses after DATA, before its reply is read

  // ---- events (raised on the thread that runs the command) ----
  std::function<void(TRapSMTP& sender)> OnConnect;  // a connection opened
  std::function<void(TRapSMTP& sender)> OnQuit;     // the connection closed
  std::function<void(TRapSMTP& sender, int error, const std::string& msg)> OnError;
  std::function<void(TRapSMTP& sender)> OnBeforeSend;
  std::function<void(TRapSMTP& sender)> OnAfterSend;
  // Declared for callers; this client never raises the three encode events.
  std::function<void(TRapSMTP& sender, const std::string& fileName, int bytesCount)> OnEncodeStart;
  std::function<void(TRapSMTP& sender, unsigned percent)> OnEncodeProgress;
  std::function<void(TRapSMTP& sender)> OnEncodeEnd;
  // Percent of the message text sent, raised when it changes and with 100 at the end.
  std::function<void(TRapSMTP& sender, unsigned percent)> OnSendProgress;
  // Trace of the dialogue. Sent text shows the password of AUTH LOGIN as "****"; message
  // chunks and the end-of-data mark are not traced.
  std::function<void(TRapSMTP& sender, const std::string& text)> OnSendCmdToSocket;
  std::function<void(TRapSMTP& sender, const std::string& text)> OnReceiveCmdFromSocket;
  // A refused password: the handler may change the (base64) user id and password and set
  // `handled` to have the client connect and log in again with them.
  std::function<void(TRapSMTP& sender, std::string& userId, std::string& password, bool& handled)>
      OnErrorPassword;
  // Bytes of the message text just written (once per chunk).
  std::function<void(TRapSMTP& sender, std::int64_t byteCount)> OnSendRawMailInByte;
  std::function<void()> OnYield;

  // ---- operations ----
  // Greeting, then EHLO and AUTH LOGIN (MustVerify) or HELO. True when the session is ready
  // for SendMessage; on failure the client has disconnected.
  bool ConnectAndLogin();
  // MAIL FROM, RCPT TO for every recipient, DATA and the message text. The envelope sender is
  // the address in msg.From(); recipients are bare addresses (or "Name <addr>"), blank items
  // skipped. RawLines are sent as they stand (a stored .eml: SplitLines of its bytes), or
  // composed first when empty (base64 bodies, no Bcc header, ExtraHeader). msg.Date becomes the
  // time of sending and msg.Size, when 0, the text's length. On failure the connection is left
  // for the caller to Quit.
  bool SendMessage(TRapMsg& msg, const StringList& recipients);
  // Sets Cancel, sends QUIT when connected (the reply is not read) and disconnects.
  void Quit();

  // ---- the dialogue primitives ----
  // Sends one command line; false (and SocketError) when it did not go out.
  bool SendCommand(std::string_view text);
  // Reads one reply (up to its line with a code and a blank), sets LastReplyCode,
  // LastReplyText and OnReceiveCmdFromSocket. A failed read sets SocketError, disconnects and
  // leaves the stored reply alone.
  std::string ReadReply();
  // Returns ReplyError; when it is set and `raise` is true, raises OnError with the reply code
  // and `msg` (the reply text when `msg` is empty).
  bool CheckReplyError(std::string_view msg, bool raise);

  // ---- state ----
  bool IsConnected() const { return isConnected_; }
  // True when the last ConnectAndLogin logged in with AUTH; false when the server offered no
  // authentication (the session then runs without it).
  bool Authenticated() const { return authenticated_; }
  // True when the session runs over TLS (implicit TLS, or STARTTLS).
  bool Secure() {
    std::lock_guard<std::recursive_mutex> lock(io_);
    return tcp_.UsingTls();
  }
  int LastReplyCode = 0;      // the code of the last reply, 0 when it had none
  std::string LastReplyText;  // every line of the last reply, joined by CR LF
  bool ReplyError = false;
  bool SocketError = false;
  std::atomic<bool> Cancel{false};  // set from any thread to abandon waits

  TSmtpFailure LastFailure() const { return failure_; }
  // The server's reply text or the socket's reason for LastFailure().
  const std::string& LastFailureText() const { return failureText_; }

  // The connection, for proxy settings and (in tests) the transport factory.
  TRapTCPClient& TCPClient() { return tcp_; }

 private:
  enum class LoginStep { Done, Retry };

  // connection and dialogue (RapSMTP.cpp)
  bool Greet();
  bool OpenConnection();
  bool SendTraced(std::string_view text, std::string_view trace);
  std::string ReadReplyWithin(int limitMs);
  bool ReadLine(std::string& line, int limitMs);
  bool Expect(int code, int alsoAccepted = -1);
  bool Reply(int code, int alsoAccepted = -1);
  bool Command(std::string_view text, int code, int alsoAccepted = -1);
  bool CommandFailed();
  void Disconnect();
  void Disconnected();
  void Yield();
  void Pause();
  void ClearErrors();
  void Fail(TSmtpFailure failure, const std::string& text);
  void FailFromSocket();
  void FailFromReply(TSmtpFailure failure);

  // login (SmtpLogin.cpp)
  LoginStep LoginOnce();
  LoginStep ExtendedHello();
  void Hello();
  bool StartTlsWhenOffered(const std::string& hello);
  LoginStep Authenticate(const StringList& capabilities);
  int AuthPlain(const std::string& user, const std::string& password);
  int AuthLogin(const std::string& user, const std::string& password, const std::string& mechanism);
  bool AuthStep(std::string_view text, std::string_view trace, int code);
  LoginStep PasswordRefused();

  // sending (SmtpSend.cpp)
  bool PrepareMessage(TRapMsg& msg);
  bool Transaction(const std::string& sender, const StringList& recipients, TRapMsg& msg);
  bool StartData();
  bool SendText(TRapMsg& msg);
  bool WriteChunk(const std::string& chunk);
  bool EndData();

  TRapTCPClient tcp_;
  // Held around every use of tcp_, so that Quit from another thread never closes the
  // connection in the middle of a read or write (never held while yielding).
  std::recursive_mutex io_;
  std::atomic<bool> isConnected_{false};
  std::atomic<bool> busySending_{false};
  std::atomic<bool> busyReading_{false};
  bool authenticated_ = false;
  TSmtpFailure failure_ = TSmtpFailure::None;
  std::string failureText_;
};

}  // namespace maillib
