// A blocking POP3 client for worker threads: connect, log in (on a plain connection first CAPA,
// and STLS when the server offers it, so that no password goes out in plain text to a server
// that can take it over TLS; then USER/PASS or APOP), STAT, LIST,
// TOP n 0 (headers only), RETR n, DELE n, QUIT. Retrieved messages are loaded into a TRapMsg as
// raw lines, not parsed. No operation throws: every one returns a success flag, leaves
// SocketError / ReplyError set, and LastFailure() tells what went wrong (connect failed, login
// refused, server error, connection lost...) with the server's code and text or the socket's
// reason. Messages are addressed by their number on the current connection.
//
// One thread uses an instance at a time; from any other thread only Cancel may be set (it ends
// a multi-line read at the next line and a connect attempt at once) or Abort called (it also
// ends a wait on a silent server at once). A failed read or write
// closes the connection, since the dialogue can no longer be trusted to be in step.
//
// While it waits the client calls OnYield (when set) so that a caller driving it from a UI
// thread can keep its window alive; worker threads leave it empty.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "maillib/MailFailure.h"
#include "maillib/MailLimits.h"
#include "maillib/MailTypes.h"
#include "maillib/Pop3Reply.h"
#include "maillib/RapMsg.h"
#include "maillib/RapTCPClient.h"

namespace maillib {

enum TReceiveState { MailReceived, MailCanceled, MailSkiped };
enum TFilterResultState { frsNone, frsDelete, frsReject };

// What made the last operation fail.
// The failures of this client (NoData and BadInput belong to one protocol each).
using TPopFailure = TMailFailure;

class TRapPOP {
 public:
  static constexpr int kDefaultPort = 110;
  static constexpr int kDefaultTimeOut = 30000;
  // The destructor waits at most this long for a command in progress.
  static constexpr int kDestroyWaitMs = 5000;
  // A reply that never shows a code ends after this many lines.
  static constexpr int kMaxReplyLines = 1000;
  // How often a refused password may be replaced through OnErrorPassword in one Login.
  static constexpr int kMaxPasswordRetries = 5;
  // The most bytes one answer (a reply or a multi-line answer) may hold, so that a server that
  // never ends a line or an answer cannot fill the memory. As large as the largest message
  // taken, so that any line of such a message comes out whole.
  static constexpr std::int64_t kMaxAnswerBytes = kMaxMessageBytes;

  TRapPOP();
  ~TRapPOP();
  TRapPOP(const TRapPOP&) = delete;
  TRapPOP& operator=(const TRapPOP&) = delete;

  // ---- settings ----
  std::string UserId;
  std::string UserPasswd;
  std::string EmailAddress;  // tried as user name when the password is refused
  int Port = kDefaultPort;
  bool IsAPOP = false;
  std::string Host;
  int TimeOut = kDefaultTimeOut;                  // connect limit and read time-out, in ms
  std::int64_t MaxAnswerBytes = kMaxAnswerBytes;  // tests set less

  // ---- events (all raised on the thread that runs the command) ----
  std::function<void(TRapPOP& sender)> OnConnect;  // raised on the connecting thread
  std::function<void(TRapPOP& sender)> OnQuit;
  std::function<void(TRapPOP& sender, int error, const std::string& msg)> OnError;
  std::function<void(TRapPOP& sender, int msgIndex)> OnBeforeRetrieve;
  std::function<void(TRapPOP& sender, int msgIndex, TReceiveState state)> OnAfterRetrieve;
  // A refused login: the handler may change the user id and password and set `handled` to
  // have the client connect and log in again with them.
  std::function<void(TRapPOP& sender, std::string& userId, std::string& password, bool& handled)>
      OnErrorPassword;
  // Declared for callers; the client never raises it.
  std::function<void(TRapPOP& sender, const TRapMsg& msg, int msgIndex, bool isHeader,
                     TFilterResultState& result)>
      OnFilterWhenRetrieveHeader;
  std::function<void(TRapPOP& sender, int msgIndex)> OnDelete;
  // Trace of the dialogue. Sent text shows passwords and APOP digests as "****".
  std::function<void(TRapPOP& sender, const std::string& text)> OnSendTextToSocket;
  std::function<void(TRapPOP& sender, const std::string& text)> OnReceiveTextFromSocket;
  // Bytes of a RETR received since the previous report (every 200 lines and at the end).
  std::function<void(TRapPOP& sender, std::int64_t byteCount)> OnRecvRawMailInByte;
  std::function<void()> OnYield;

  // ---- operations ----
  // Connect, then Login, then Stat; false at the first step that fails.
  bool ConnectAndLogin();
  // Opens the connection and reads the greeting; false when no connection opened or the
  // greeting was not "+OK".
  bool Connect();
  bool Login();
  // STAT: MessageCount from the reply. A reply whose count is no number fails as
  // ProtocolError (MessageCount 0); the session stays usable.
  bool Stat();
  // LIST: the "n size" lines of every message, from the cache once it is filled. An answer
  // with a line of another form fails as ProtocolError, with no lines.
  bool List(StringList& lines);
  // UIDL: the unique id of every message. False when the server has no UIDL (an error answer,
  // LastFailure() ServerError: the caller falls back to working without ids), when the answer
  // is not a valid id list (ProtocolError), or when the connection failed.
  [[nodiscard]] bool Uidl(std::vector<Pop3UidlEntry>& entries);
  // Size of message n from LIST (asked with "LIST n" when the list lacks it); 0 when unknown.
  long long MessageSize(int n);
  // TOP n 0 (headersOnly) or RETR n into msg.RawLines (msg is cleared first). False, with no
  // lines, when nothing of the message arrived.
  bool Retrieve(int n, bool headersOnly, TRapMsg& msg);
  // The same into a new message; null on failure.
  std::unique_ptr<TRapMsg> Retrieve(int n, bool headersOnly);
  bool Delete(int n);
  // Sends QUIT (without waiting for the answer) and closes.
  void Quit();

  // ---- the dialogue primitives ----
  // Sends one line; SocketError tells whether it went out.
  void SendCommand(const std::string& text);
  // Reads one reply (lines up to one with a code), sets LastReplyCode/LastReplyText/ReplyError.
  // Of a reply line longer than TRapTCPClient::kMaxLineLength only that much is kept; the rest
  // is read and dropped, so it is never taken for the next reply.
  std::string ReadReply();
  // Reads a multi-line answer (status line, data, ".") into lines, un-stuffed. Each data line
  // comes whole, whatever its length: only a line of its own can end the answer or lose a
  // stuffing dot. An answer over MaxAnswerBytes fails as ProtocolError and closes.
  bool ReadMultiLine(StringList& lines, bool reportBytes);
  // Returns ReplyError; when set, raises OnError with msg.
  bool CheckReplyError(const std::string& msg);

  // ---- state ----
  bool IsConnected() const { return isConnected_; }
  int MessageCount = 0;
  std::string LastReplyCode;  // "+OK", "-ERR" or a number
  std::string LastReplyText;  // every line of the last reply, joined by CR LF
  std::string Greeting;       // the server's greeting of the current connection
  bool ReplyError = false;
  bool SocketError = false;
  std::atomic<bool> Cancel{false};  // set from any thread to abandon waits
  // From any thread: sets Cancel and ends the read or write in progress at once; the command
  // fails as Canceled and the connection is over.
  void Abort();

  TPopFailure LastFailure() const { return failure_; }
  // The server's reply text or the socket's reason for LastFailure().
  const std::string& LastFailureText() const { return failureText_; }

  // The connection, for TLS, proxy settings and (in tests) the transport factory.
  TRapTCPClient& TCPClient() { return tcp_; }

 private:
  bool StillOpen();
  bool ReadGreeting();
  bool LoginOnce(bool& refused);
  bool StartTlsWhenOffered();
  bool ReadCapabilities(StringList& capabilities);
  bool LoginUserPass(const std::string& user);
  bool SendAndRead(const std::string& command);
  bool SendAndCheck(const std::string& command);
  void RecordReply(const std::string& code, const std::string& text);
  [[nodiscard]] bool ReadWholeLine(std::string& line, std::int64_t& budget, std::size_t keep);
  bool ReadStatusLine(StringList& lines, bool& ended, std::int64_t& budget);
  bool ReadData(StringList& lines, bool reportBytes, std::int64_t& budget);
  void ReportBytes(std::int64_t& unreported);
  bool RequireConnection();
  void ClearFailure();
  void Fail(TPopFailure failure, const std::string& text);
  void FailFromSocket();
  void FailFromReply(TPopFailure failure);
  void Yield();
  void Disconnected();

  TRapTCPClient tcp_;
  std::atomic<bool> isConnected_{false};
  std::atomic<bool> busySending_{false};
  std::atomic<bool> busyReading_{false};
  StringList listCache_;
  TPopFailure failure_ = TPopFailure::None;
  std::string failureText_;
};

}  // namespace maillib
