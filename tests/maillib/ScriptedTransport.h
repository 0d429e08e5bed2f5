// A Transport that plays a transcript, for protocol tests without sockets or threads.
//
//   maillib::test::ScriptedTransport t;
//   t.Server("+OK ready\r\n")
//       .Client("USER bob\r\n")        // what the client must send, byte for byte
//       .Server("+OK\r\n")
//       .Client("QUIT\r\n")
//       .Server("+OK bye\r\n")
//       .ServerCloses();               // Receive() reports Closed from here on
//   maillib::test::ScriptedTransport::Plug plug(t);  // the next connect gets `t`
//   client.SetTransportFactory(maillib::test::ScriptedTransport::Factory);
//   // ... or, for objects that build their own TRapTCPClient (POP3, SMTP, workers):
//   //     plug.AsDefault();   // every client without its own factory gets the queued scripts
//   ... run the protocol code ...
//   EXPECT_TRUE(t.Done()) << t.Mismatch();
//
// Client lines may arrive in any number of Send() calls, and one Send() may cover several client
// steps. Sending while the script expects the server to speak, sending different bytes, or
// sending after the script ended is a mismatch: Send() then fails and Mismatch() describes the
// first one. Receive() hands out one server step per call (or at most ChunkSize() bytes of it);
// reading while the script expects the client to send is a mismatch too (reported as TimedOut,
// as a real server would stay silent). ServerStalls() makes one Receive() report TimedOut;
// ServerCloses() makes every later Receive() and Send() report Closed (what is sent then still
// shows in Sent()). Reading past the end of the script reports Closed. RefuseConnect() makes the
// factory fail instead of handing the script out.
//
// The script object must outlive every client it is plugged into. Plug queues one or more
// scripts for the connects that follow, in order; a connect with no script left fails.
//
// TLS upgrades (STARTTLS, STLS): TlsUpgrade() marks where the client must call the upgrader
// (pass ScriptedTransport::Upgrade next to the factory, or use AsDefault); the connection then
// goes on unchanged, standing in for the TLS one. TlsUpgradeFails(reason) makes that upgrade
// fail with `reason`. An upgrade anywhere else in the script is a mismatch, as is any other
// step played where an upgrade is expected.
#pragma once

#include <cstdio>
#include <deque>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "maillib/RapTCPClient.h"
#include "maillib/Transport.h"

namespace maillib::test {

class ScriptedTransport {
 public:
  enum class StepKind { ServerSends, ClientSends, ServerCloses, ServerStalls, TlsUpgrade };
  struct Step {
    StepKind kind;
    std::string bytes;
  };

  // --- building the script ---
  ScriptedTransport& Server(std::string bytes) { return Add(StepKind::ServerSends, bytes); }
  ScriptedTransport& Client(std::string bytes) { return Add(StepKind::ClientSends, bytes); }
  ScriptedTransport& ServerCloses() { return Add(StepKind::ServerCloses, {}); }
  ScriptedTransport& ServerStalls() { return Add(StepKind::ServerStalls, {}); }
  ScriptedTransport& TlsUpgrade() { return Add(StepKind::TlsUpgrade, {}); }
  ScriptedTransport& TlsUpgradeFails(std::string reason) {
    return Add(StepKind::TlsUpgrade, reason);
  }
  // Server steps are handed out at most `bytes` at a time (0: a whole step per Receive).
  ScriptedTransport& ChunkSize(std::size_t bytes) {
    chunk_ = bytes;
    return *this;
  }
  // The factory fails with this text instead of connecting.
  ScriptedTransport& RefuseConnect(std::string error) {
    refuse_ = std::move(error);
    return *this;
  }

  // --- checking the run ---
  // True when every step was played and nothing went wrong.
  bool Done() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return mismatch_.empty() && next_ == steps_.size() && offset_ == 0;
  }
  // The first mismatch, or what is left of the script when it was not played to the end.
  std::string Mismatch() const {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!mismatch_.empty()) return mismatch_;
    if (next_ < steps_.size()) return "script not finished at " + Describe(next_);
    return {};
  }
  // Everything the client sent, in order.
  std::string Sent() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return sent_;
  }
  bool ClosedByClient() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return closedByClient_;
  }
  bool ServerClosed() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return serverClosed_;
  }
  int Connects() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return connects_;
  }
  // How many TLS upgrades the client asked for (failed ones included).
  int Upgrades() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return upgrades_;
  }
  // The target of the last connect that reached this script (host, port, TLS, proxy).
  ConnectTarget Target() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return target_;
  }

  // --- the transport side (called through the end the factory hands out) ---
  IoStatus Send(std::string_view bytes, std::string& error) {
    std::lock_guard<std::mutex> lock(mutex_);
    sent_.append(bytes);
    if (serverClosed_) return Report(IoStatus::Closed, "connection closed by the server", error);
    while (!bytes.empty() && mismatch_.empty())
      ConsumeClientBytes(bytes);
    if (mismatch_.empty()) return IoStatus::Ok;
    error = "script mismatch: " + mismatch_;
    return IoStatus::Failed;
  }

  IoStatus Receive(std::string& into, std::string& error) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!mismatch_.empty()) {
      error = "script mismatch: " + mismatch_;
      return IoStatus::Failed;
    }
    if (serverClosed_) return Report(IoStatus::Closed, "connection closed by the server", error);
    if (next_ >= steps_.size()) return Report(IoStatus::Closed, "closed (end of script)", error);
    Step& step = steps_[next_];
    switch (step.kind) {
      case StepKind::ServerSends:
        return HandOut(step, into);
      case StepKind::ServerCloses:
        ++next_;
        serverClosed_ = true;
        return Report(IoStatus::Closed, "connection closed by the server", error);
      case StepKind::ServerStalls:
        ++next_;
        return Report(IoStatus::TimedOut, "time-out (scripted stall)", error);
      case StepKind::ClientSends:
      case StepKind::TlsUpgrade:
        break;
    }
    mismatch_ = "client waited for the server at " + Describe(next_);
    return Report(IoStatus::TimedOut, "time-out (client was expected to send)", error);
  }

  void CloseByClient() {
    std::lock_guard<std::mutex> lock(mutex_);
    closedByClient_ = true;
  }

  // --- plugging into TRapTCPClient ---
  // Queues scripts for the connects that follow; removes what is left of them when it ends.
  class Plug {
   public:
    explicit Plug(ScriptedTransport& script) : Plug({&script}) {}
    Plug(std::initializer_list<ScriptedTransport*> scripts) {
      std::lock_guard<std::mutex> lock(QueueMutex());
      Queue().assign(scripts.begin(), scripts.end());
    }
    ~Plug() {
      if (asDefault_) SetDefaultTransportFactory(nullptr);
      std::lock_guard<std::mutex> lock(QueueMutex());
      Queue().clear();
    }
    Plug(const Plug&) = delete;
    Plug& operator=(const Plug&) = delete;
    // Makes the queued scripts serve every client that has no factory of its own.
    void AsDefault() {
      asDefault_ = true;
      SetDefaultTransportFactory(&ScriptedTransport::Factory, &ScriptedTransport::Upgrade);
    }

   private:
    bool asDefault_ = false;
  };

  // A TransportFactory handing out the next queued script.
  static std::unique_ptr<Transport> Factory(const ConnectTarget& target, std::string& error) {
    ScriptedTransport* script = nullptr;
    {
      std::lock_guard<std::mutex> lock(QueueMutex());
      if (!Queue().empty()) {
        script = Queue().front();
        Queue().pop_front();
      }
    }
    if (script == nullptr) {
      error = "no scripted connection left";
      return nullptr;
    }
    return script->Open(target, error);
  }

  // A TlsUpgrader for scripted connections: plays the script's TlsUpgrade step.
  static std::unique_ptr<Transport> Upgrade(std::unique_ptr<Transport> plain,
                                            const ConnectTarget& target, std::string& error);

 private:
  class End;

  ScriptedTransport& Add(StepKind kind, std::string_view bytes) {
    std::lock_guard<std::mutex> lock(mutex_);
    steps_.push_back({kind, std::string(bytes)});
    return *this;
  }

  std::unique_ptr<Transport> Open(const ConnectTarget& target, std::string& error);

  // Plays the upgrade step; false (with the reason) when it fails or is not due.
  bool PlayUpgrade(const ConnectTarget& target, std::string& error) {
    std::lock_guard<std::mutex> lock(mutex_);
    ++upgrades_;
    target_ = target;
    target_.Cancel = nullptr;
    if (!mismatch_.empty()) {
      error = "script mismatch: " + mismatch_;
      return false;
    }
    if (next_ >= steps_.size() || steps_[next_].kind != StepKind::TlsUpgrade || offset_ != 0) {
      mismatch_ = "client upgraded to TLS " +
                  (next_ < steps_.size() ? "at " + Describe(next_) : "after the end of the script");
      error = "script mismatch: " + mismatch_;
      return false;
    }
    error = steps_[next_].bytes;
    ++next_;
    return error.empty();
  }

  // Matches the front of `bytes` against the current client step; the caller holds the lock.
  void ConsumeClientBytes(std::string_view& bytes) {
    if (next_ >= steps_.size()) {
      mismatch_ = "client sent \"" + Escape(bytes) + "\" after the end of the script";
      return;
    }
    const Step& step = steps_[next_];
    if (step.kind != StepKind::ClientSends) {
      mismatch_ = "client sent \"" + Escape(bytes) + "\" at " + Describe(next_);
      return;
    }
    std::string_view expected = std::string_view(step.bytes).substr(offset_);
    std::size_t n = std::min(expected.size(), bytes.size());
    if (bytes.substr(0, n) != expected.substr(0, n)) {
      mismatch_ = "client sent \"" + Escape(bytes) + "\" at " + Describe(next_);
      return;
    }
    bytes.remove_prefix(n);
    Advance(n);
  }

  IoStatus HandOut(const Step& step, std::string& into) {
    std::size_t left = step.bytes.size() - offset_;
    std::size_t n = (chunk_ == 0) ? left : std::min(left, chunk_);
    into.append(step.bytes, offset_, n);
    Advance(n);
    return IoStatus::Ok;
  }

  // Moves n bytes further in the current step, to the next step when this one is used up.
  void Advance(std::size_t n) {
    offset_ += n;
    if (offset_ >= steps_[next_].bytes.size()) {
      offset_ = 0;
      ++next_;
    }
  }

  static IoStatus Report(IoStatus status, const char* text, std::string& error) {
    error = text;
    return status;
  }

  std::string Describe(std::size_t index) const {
    static const char* const kNames[] = {"server sends", "client sends", "server closes",
                                         "server stalls", "TLS upgrade"};
    const Step& step = steps_[index];
    std::string text =
        "step " + std::to_string(index + 1) + " (" + kNames[static_cast<int>(step.kind)] + ")";
    if (step.kind == StepKind::ClientSends || step.kind == StepKind::ServerSends) {
      text += ": expected \"" + Escape(std::string_view(step.bytes).substr(offset_)) + "\"";
    }
    return text;
  }

  static std::string Escape(std::string_view bytes) {
    std::string out;
    for (unsigned char c : bytes) {
      if (c == '\r') {
        out += "\\r";
      } else if (c == '\n') {
        out += "\\n";
      } else if (c == '"' || c == '\\') {
        out += '\\';
        out += static_cast<char>(c);
      } else if (c < 0x20 || c == 0x7f) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "\\x%02x", c);
        out += hex;
      } else {
        out += static_cast<char>(c);
      }
    }
    return out;
  }

  static std::mutex& QueueMutex() {
    static std::mutex mutex;
    return mutex;
  }
  static std::deque<ScriptedTransport*>& Queue() {
    static std::deque<ScriptedTransport*> queue;
    return queue;
  }

  mutable std::mutex mutex_;
  std::vector<Step> steps_;
  std::size_t next_ = 0;    // the step being played
  std::size_t offset_ = 0;  // bytes of that step already played
  std::size_t chunk_ = 0;
  std::string refuse_;
  std::string mismatch_;
  std::string sent_;
  bool closedByClient_ = false;
  bool serverClosed_ = false;
  int connects_ = 0;
  int upgrades_ = 0;
  ConnectTarget target_;
};

// The end a client owns: forwards to the script, which the test keeps.
class ScriptedTransport::End : public Transport {
 public:
  explicit End(ScriptedTransport& script) : script_(script) {}
  IoStatus Send(std::string_view bytes, std::string& error) override {
    if (!open_) return Report(IoStatus::Closed, "not connected", error);
    return script_.Send(bytes, error);
  }
  IoStatus Receive(std::string& into, int /*timeoutMs*/, std::string& error) override {
    if (!open_) return Report(IoStatus::Closed, "not connected", error);
    return script_.Receive(into, error);
  }
  void Close() override {
    if (open_) script_.CloseByClient();
    open_ = false;
  }
  // Like a socket, the end reports closed once a read saw the server close.
  bool IsOpen() const override { return open_ && !script_.ServerClosed(); }
  ScriptedTransport& Script() { return script_; }

 private:
  ScriptedTransport& script_;
  bool open_ = true;
};

inline std::unique_ptr<Transport> ScriptedTransport::Open(const ConnectTarget& target,
                                                          std::string& error) {
  std::lock_guard<std::mutex> lock(mutex_);
  ++connects_;
  target_ = target;
  target_.Cancel = nullptr;  // the flag may not outlive the connect
  if (!refuse_.empty()) {
    error = refuse_;
    return nullptr;
  }
  return std::make_unique<End>(*this);
}

inline std::unique_ptr<Transport> ScriptedTransport::Upgrade(std::unique_ptr<Transport> plain,
                                                             const ConnectTarget& target,
                                                             std::string& error) {
  auto* end = dynamic_cast<End*>(plain.get());
  if (end == nullptr) {
    error = "not a scripted connection";
    plain->Close();
    return nullptr;
  }
  if (!end->Script().PlayUpgrade(target, error)) {
    plain->Close();
    return nullptr;
  }
  return plain;
}

}  // namespace maillib::test
