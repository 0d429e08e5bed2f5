#include "maillib/RapTCPClient.h"

#include <algorithm>
#include <chrono>
#include <mutex>

#include "maillib/NetworkTransport.h"
#include "maillib/TlsTransport.h"

namespace maillib {

namespace {

constexpr int kDefaultTimeOutMs = 30000;

std::mutex& DefaultFactoryMutex() {
  static std::mutex mutex;
  return mutex;
}

TransportFactory& DefaultFactorySlot() {
  static TransportFactory factory = nullptr;
  return factory;
}

TlsUpgrader& DefaultUpgraderSlot() {
  static TlsUpgrader upgrader = nullptr;
  return upgrader;
}

TransportFactory DefaultFactory() {
  std::lock_guard<std::mutex> lock(DefaultFactoryMutex());
  TransportFactory factory = DefaultFactorySlot();
  return factory != nullptr ? factory : &OpenNetworkTransport;
}

TlsUpgrader DefaultUpgrader() {
  std::lock_guard<std::mutex> lock(DefaultFactoryMutex());
  TlsUpgrader upgrader = DefaultUpgraderSlot();
  return upgrader != nullptr ? upgrader : &UpgradeNetworkTransport;
}

// Takes the next line out of `pending` from `start` (advancing it): up to LF without CR LF, or
// a piece of maxLength bytes of a longer line (`goesOn` set). False while neither is there yet.
// The consumed bytes stay in front until Compact drops them, so a line costs no copy of the
// rest. `searched` is where the search for the LF goes on: the bytes before it hold none, so a
// line that arrives in many small reads is searched once, not again at every read.
bool TakeLine(const std::string& pending, std::size_t& start, std::size_t& searched,
              std::string& line, std::size_t maxLength, bool& goesOn) {
  const std::size_t lf = pending.find('\n', std::max(start, searched));
  searched = lf == std::string::npos ? pending.size() : lf;
  if (lf != std::string::npos) {
    const std::size_t end = (lf > start && pending[lf - 1] == '\r') ? lf - 1 : lf;
    if (end - start <= maxLength) {
      line.assign(pending, start, end - start);
      start = lf + 1;
      goesOn = false;
      return true;
    }
  }
  // Two bytes of room so that a line of exactly maxLength bytes keeps its CR LF. A piece never
  // ends between the CR and the LF of a line end, so the pieces of a line join to its bytes.
  if (pending.size() - start >= maxLength + 2) {
    line.assign(pending, start, maxLength);
    start += maxLength;
    goesOn = true;
    return true;
  }
  return false;
}

// Drops the consumed front of `pending` before more bytes are appended.
void Compact(std::string& pending, std::size_t& start, std::size_t& searched) {
  if (start == 0) return;
  pending.erase(0, start);
  searched = searched > start ? searched - start : 0;
  start = 0;
}

}  // namespace

void SetDefaultTransportFactory(TransportFactory factory, TlsUpgrader upgrader) {
  std::lock_guard<std::mutex> lock(DefaultFactoryMutex());
  DefaultFactorySlot() = factory;
  DefaultUpgraderSlot() = upgrader;
}

TRapTCPClient::TRapTCPClient() = default;

TRapTCPClient::~TRapTCPClient() {
  // The owner is going away: close without raising its notification.
  std::lock_guard<std::mutex> lock(transportMutex_);
  if (transport_) transport_->Close();
}

bool TRapTCPClient::Connect(int timeoutMs, const std::atomic<bool>* cancel) {
  TimeOut = kDefaultTimeOutMs;
  if (transport_) Disconnect();
  ConnectTarget target;
  target.Host = Host;
  target.Port = Port;
  target.Tls = tls_;
  target.Socks = IdSocksInfo;
  target.TimeoutMs = timeoutMs <= 0 ? kDefaultTimeOutMs : timeoutMs;
  target.Cancel = cancel;
  TransportFactory factory = factory_ != nullptr ? factory_ : DefaultFactory();
  std::string error;
  std::unique_ptr<Transport> transport = factory(target, error);
  pending_.clear();
  pendingStart_ = 0;
  pendingSearched_ = 0;
  upgraded_ = false;
  if (!transport) {
    lastStatus_ = IoStatus::Failed;
    lastError_ = error.empty() ? "connect failed" : error;
    return false;
  }
  {
    std::lock_guard<std::mutex> lock(transportMutex_);
    transport_ = std::move(transport);
  }
  lastStatus_ = IoStatus::Ok;
  lastError_.clear();
  if (OnConnected) OnConnected();
  return true;
}

void TRapTCPClient::Disconnect() {
  upgraded_ = false;
  pending_.clear();
  pendingStart_ = 0;
  pendingSearched_ = 0;
  if (!transport_) return;
  {
    std::lock_guard<std::mutex> lock(transportMutex_);
    transport_->Close();
    transport_.reset();
  }
  if (OnDisconnected) OnDisconnected();
}

void TRapTCPClient::Abort() {
  std::lock_guard<std::mutex> lock(transportMutex_);
  if (transport_) transport_->Abort();
}

bool TRapTCPClient::Connected() const {
  return transport_ && transport_->IsOpen();
}

bool TRapTCPClient::StartTls(int timeoutMs, const std::atomic<bool>* cancel) {
  if (!transport_) {
    lastStatus_ = IoStatus::Closed;
    lastError_ = "not connected";
    return false;
  }
  if (pendingStart_ < pending_.size()) {
    // An attacker on the path can append commands to the server's consent; they would be taken
    // for answers of the protected session.
    lastStatus_ = IoStatus::Failed;
    lastError_ = "TLS: the server sent data before the TLS handshake";
    Disconnect();
    return false;
  }
  ConnectTarget target;
  target.Host = Host;
  target.Port = Port;
  target.Tls = true;
  target.Socks = IdSocksInfo;
  target.TimeoutMs = timeoutMs <= 0 ? kDefaultTimeOutMs : timeoutMs;
  target.Cancel = cancel;
  TlsUpgrader upgrader = upgrader_ != nullptr ? upgrader_ : DefaultUpgrader();
  std::unique_ptr<Transport> plain;
  {
    std::lock_guard<std::mutex> lock(transportMutex_);
    plain = std::move(transport_);
  }
  pending_.clear();
  pendingStart_ = 0;
  pendingSearched_ = 0;
  std::string error;
  std::unique_ptr<Transport> secure = upgrader(std::move(plain), target, error);
  if (!secure) {
    lastStatus_ = IoStatus::Failed;
    lastError_ = error.empty() ? "TLS handshake failed" : error;
    // The upgrader closed the plain connection; the owner hears that it is gone.
    if (OnDisconnected) OnDisconnected();
    return false;
  }
  {
    std::lock_guard<std::mutex> lock(transportMutex_);
    transport_ = std::move(secure);
  }
  upgraded_ = true;
  lastStatus_ = IoStatus::Ok;
  lastError_.clear();
  return true;
}

TMailFailure TRapTCPClient::ConnectFailure() const {
  return IsCertificateRejection(lastError_) ? TMailFailure::CertificateRejected
                                            : TMailFailure::ConnectFailed;
}

void TRapTCPClient::UseTls() {
  tls_ = true;
}

void TRapTCPClient::UsePlain() {
  tls_ = false;
}

bool TRapTCPClient::WriteLn(std::string_view text) {
  std::string line;
  line.reserve(text.size() + 2);
  line.append(text);
  line.append("\r\n");
  return WriteBuffer(line.data(), line.size());
}

bool TRapTCPClient::Write(std::string_view text) {
  return WriteBuffer(text.data(), text.size());
}

bool TRapTCPClient::WriteBuffer(const char* bytes, std::size_t count) {
  if (!transport_) {
    lastStatus_ = IoStatus::Closed;
    lastError_ = "not connected";
    return false;
  }
  lastStatus_ = transport_->Send(std::string_view(bytes, count), lastError_);
  return lastStatus_ == IoStatus::Ok;
}

bool TRapTCPClient::ReadLn(std::string& line, int timeoutMs) {
  bool goesOn = false;
  return ReadLn(line, goesOn, timeoutMs);
}

bool TRapTCPClient::ReadLn(std::string& line, bool& goesOn, int timeoutMs) {
  line.clear();
  goesOn = false;
  int limit = timeoutMs < 0 ? TimeOut : timeoutMs;
  auto start = std::chrono::steady_clock::now();
  // Every pass either hands out a line or receives at least one byte; the time-out ends it.
  while (!TakeLine(pending_, pendingStart_, pendingSearched_, line, kMaxLineLength, goesOn)) {
    Compact(pending_, pendingStart_, pendingSearched_);
    if (!transport_) {
      lastStatus_ = IoStatus::Closed;
      lastError_ = "not connected";
      return false;
    }
    int waitMs = -1;
    if (limit >= 0) {
      auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(
                       std::chrono::steady_clock::now() - start)
                       .count();
      waitMs = static_cast<int>(limit - std::min<long long>(spent, limit));
    }
    lastStatus_ = transport_->Receive(pending_, waitMs, lastError_);
    if (lastStatus_ == IoStatus::Ok) continue;
    // A time-out keeps the bytes of an unfinished line for the next read; a close hands them
    // out, as the line will never be finished.
    if (lastStatus_ != IoStatus::TimedOut) {
      if (lastStatus_ == IoStatus::Closed) line.swap(pending_);
      pending_.clear();
      pendingStart_ = 0;
      pendingSearched_ = 0;
    }
    return false;
  }
  lastStatus_ = IoStatus::Ok;
  return true;
}

void TRapTCPClient::SetTransportFactory(TransportFactory factory, TlsUpgrader upgrader) {
  factory_ = factory;
  upgrader_ = upgrader;
}

}  // namespace maillib
