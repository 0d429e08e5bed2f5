// One SMTP session on a loopback port for the sending tests: greets, offers AUTH LOGIN, takes
// any login (or refuses it) and accepts the message. It can hold its reply to the password or
// to the end of the data until the test releases it. Every wait is bounded.
//
// Kept in a unit of its own: the socket header's send() and the send namespace cannot share
// one translation unit.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace send_test {

class LoopbackSmtp {
 public:
  enum class Hold { None, Login, DataEnd };

  explicit LoopbackSmtp(Hold hold = Hold::None, bool acceptLogin = true);
  ~LoopbackSmtp();
  LoopbackSmtp(const LoopbackSmtp&) = delete;
  LoopbackSmtp& operator=(const LoopbackSmtp&) = delete;

  int Port() const;
  // Lets a held reply go.
  void Release();
  // The session reached the held reply.
  bool Holding() const;
  bool SawMailFrom() const;
  // The message text as received (dot-stuffing and the final dot line excepted).
  std::string Data() const;
  // The RCPT TO arguments, in order.
  std::vector<std::string> Recipients() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace send_test
