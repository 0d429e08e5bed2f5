// TLS through memory BIOs: OpenSSL never touches the socket, so the same code runs over TCP,
// a SOCKS tunnel or an in-memory pipe, every wait honours our time-outs and cancel flag, and no
// write can raise SIGPIPE (the lower transport sends with MSG_NOSIGNAL).
#include "maillib/TlsTransport.h"

#include <arpa/inet.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <sys/stat.h>

#include <cstdlib>
#include <mutex>

namespace maillib {

namespace {

constexpr int kRecordChunk = 16384;

// The texts of OpenSSL's error queue of this thread, emptying it.
std::string OpenSslErrors() {
  std::string text;
  // The queue is finite: every call removes one entry.
  for (unsigned long code = ERR_get_error(); code != 0; code = ERR_get_error()) {
    char buffer[256];
    ERR_error_string_n(code, buffer, sizeof buffer);
    if (!text.empty()) text += "; ";
    text += buffer;
  }
  return text.empty() ? "unknown TLS error" : text;
}

bool IsAddressLiteral(const std::string& name) {
  unsigned char address[16];
  return inet_pton(AF_INET, name.c_str(), address) == 1 ||
         inet_pton(AF_INET6, name.c_str(), address) == 1;
}

// SNI and the name the certificate must carry (a DNS name or an IP address).
bool SetPeerName(SSL* ssl, const std::string& name, std::string& error) {
  if (name.empty()) {
    error = "TLS: no server name to verify";
    return false;
  }
  bool ok = false;
  if (IsAddressLiteral(name)) {
    ok = X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(ssl), name.c_str()) == 1;
  } else {
    SSL_set_hostflags(ssl, X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS);
    ok = SSL_set_tlsext_host_name(ssl, name.c_str()) == 1 && SSL_set1_host(ssl, name.c_str()) == 1;
  }
  if (!ok) error = "TLS: cannot use server name " + name + ": " + OpenSslErrors();
  return ok;
}

const char* EnvOr(const char* name, const char* fallback) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : fallback;
}

// What the trusted certificates are loaded from: the file (with its size and time, so a
// rewritten file counts as new) and the folder.
std::string TrustSource() {
  const char* file = EnvOr(X509_get_default_cert_file_env(), X509_get_default_cert_file());
  std::string source = file;
  struct stat info {};
  if (stat(file, &info) == 0) {
    source += '|' + std::to_string(info.st_size) + '|' + std::to_string(info.st_mtim.tv_sec) + '.' +
              std::to_string(info.st_mtim.tv_nsec);
  }
  return source + '\n' + EnvOr(X509_get_default_cert_dir_env(), X509_get_default_cert_dir());
}

// The client context, shared by all connections: loading the trusted certificates takes tens of
// milliseconds, which would otherwise be spent on every connect without heeding the cancel flag.
// A change of SSL_CERT_FILE or SSL_CERT_DIR, or of the file itself, makes a new one. Returns a
// reference the caller frees with SSL_CTX_free, or null.
SSL_CTX* SharedClientContext(std::string& error) {
  static std::mutex mutex;
  static SSL_CTX* cached = nullptr;
  static std::string cachedFor;
  std::string key = TrustSource();
  std::lock_guard<std::mutex> lock(mutex);
  if (cached == nullptr || key != cachedFor) {
    SSL_CTX* fresh = SSL_CTX_new(TLS_client_method());
    if (fresh == nullptr || SSL_CTX_set_default_verify_paths(fresh) != 1) {
      SSL_CTX_free(fresh);
      error = "TLS: " + OpenSslErrors();
      return nullptr;
    }
    SSL_CTX_set_min_proto_version(fresh, TLS1_2_VERSION);
    SSL_CTX_set_verify(fresh, SSL_VERIFY_PEER, nullptr);
    SSL_CTX_free(cached);
    cached = fresh;
    cachedFor = key;
  }
  SSL_CTX_up_ref(cached);
  return cached;
}

}  // namespace

bool IsCertificateRejection(const std::string& error) {
  return error.starts_with(kCertificateRejectedText);
}

struct TlsTransport::Session {
  std::unique_ptr<Transport> lower;
  SSL_CTX* context = nullptr;
  SSL* ssl = nullptr;
  BIO* in = nullptr;   // received TLS bytes waiting for OpenSSL; owned by ssl
  BIO* out = nullptr;  // TLS bytes OpenSSL wants sent; owned by ssl
  bool closed = false;
  bool peerClosed = false;

  ~Session() {
    SSL_free(ssl);
    SSL_CTX_free(context);
  }

  bool Setup(const std::string& serverName, std::string& error) {
    ERR_clear_error();
    context = SharedClientContext(error);
    if (context == nullptr) return false;
    ssl = SSL_new(context);
    if (ssl == nullptr) {
      error = "TLS: " + OpenSslErrors();
      return false;
    }
    in = BIO_new(BIO_s_mem());
    out = BIO_new(BIO_s_mem());
    if (in == nullptr || out == nullptr) {
      BIO_free(in);
      BIO_free(out);
      error = "TLS: out of memory";
      return false;
    }
    BIO_set_mem_eof_return(in, -1);  // an empty input means "wait for more", not end of stream
    SSL_set_bio(ssl, in, out);
    SSL_set_connect_state(ssl);
    return SetPeerName(ssl, serverName, error);
  }

  // Sends what OpenSSL has written so far.
  IoStatus Flush(std::string& error) {
    char buffer[kRecordChunk];
    // Every pass takes bytes out of the BIO; it ends when the BIO is empty.
    while (BIO_ctrl_pending(out) > 0) {
      int got = BIO_read(out, buffer, sizeof buffer);
      if (got <= 0) break;
      IoStatus status = lower->Send(std::string_view(buffer, static_cast<std::size_t>(got)), error);
      if (status != IoStatus::Ok) return status;
    }
    return IoStatus::Ok;
  }

  void Feed(const std::string& bytes) {
    BIO_write(in, bytes.data(), static_cast<int>(bytes.size()));
  }

  std::string HandshakeFailure() const {
    long verify = SSL_get_verify_result(ssl);
    if (verify != X509_V_OK) {
      return std::string(kCertificateRejectedText) + X509_verify_cert_error_string(verify);
    }
    return "TLS handshake failed: " + OpenSslErrors();
  }

  bool RunHandshake(const ConnectDeadline& deadline, std::string& error) {
    // Every pass receives more handshake bytes within the deadline, or ends.
    for (;;) {
      ERR_clear_error();
      int result = SSL_do_handshake(ssl);
      int code = SSL_get_error(ssl, result);
      std::string sendError;
      IoStatus sent = Flush(sendError);  // also carries our alert to the server on failure
      if (result == 1 && sent == IoStatus::Ok) return true;
      if (result != 1 && code != SSL_ERROR_WANT_READ) {
        error = HandshakeFailure();
        return false;
      }
      if (sent != IoStatus::Ok) {
        error = "TLS handshake: " + sendError;
        return false;
      }
      std::string bytes;
      if (!ReceiveBeforeDeadline(*lower, bytes, deadline, error)) {
        error = "TLS handshake: " + error;
        return false;
      }
      Feed(bytes);
    }
  }
};

std::unique_ptr<TlsTransport> TlsTransport::Handshake(std::unique_ptr<Transport> lower,
                                                      const std::string& serverName,
                                                      const ConnectDeadline& deadline,
                                                      std::string& error) {
  auto session = std::make_unique<Session>();
  session->lower = std::move(lower);
  if (!session->Setup(serverName, error) || !session->RunHandshake(deadline, error)) {
    session->lower->Close();
    return nullptr;
  }
  return std::unique_ptr<TlsTransport>(new TlsTransport(std::move(session)));
}

TlsTransport::TlsTransport(std::unique_ptr<Session> session) : session_(std::move(session)) {}

TlsTransport::~TlsTransport() {
  Close();
}

IoStatus TlsTransport::Send(std::string_view bytes, std::string& error) {
  Session& s = *session_;
  if (s.closed || s.peerClosed) {
    error = s.closed ? "not connected" : "connection closed by the peer";
    return IoStatus::Closed;
  }
  // Every pass encrypts and sends up to one record's worth of bytes.
  while (!bytes.empty()) {
    ERR_clear_error();
    int chunk = static_cast<int>(std::min<std::size_t>(bytes.size(), kRecordChunk));
    int written = SSL_write(s.ssl, bytes.data(), chunk);
    if (written <= 0) {
      error = "TLS write failed: " + OpenSslErrors();
      return IoStatus::Failed;
    }
    bytes.remove_prefix(static_cast<std::size_t>(written));
    IoStatus status = s.Flush(error);
    if (status != IoStatus::Ok) return status;
  }
  return IoStatus::Ok;
}

IoStatus TlsTransport::Receive(std::string& into, int timeoutMs, std::string& error) {
  Session& s = *session_;
  if (s.closed || s.peerClosed) {
    error = s.closed ? "not connected" : "connection closed by the peer";
    return IoStatus::Closed;
  }
  auto end = EndAfter(timeoutMs);
  // Every pass decrypts what is there or receives more bytes; the time-out ends it.
  for (;;) {
    ERR_clear_error();
    char buffer[kRecordChunk];
    int got = SSL_read(s.ssl, buffer, sizeof buffer);
    int code = SSL_get_error(s.ssl, got);
    IoStatus flushed = s.Flush(error);  // answers to post-handshake messages
    if (got > 0) {
      into.append(buffer, static_cast<std::size_t>(got));
      return IoStatus::Ok;
    }
    if (code == SSL_ERROR_ZERO_RETURN) {
      s.peerClosed = true;
      error = "connection closed by the peer";
      return IoStatus::Closed;
    }
    if (code != SSL_ERROR_WANT_READ) {
      error = "TLS read failed: " + OpenSslErrors();
      return IoStatus::Failed;
    }
    if (flushed != IoStatus::Ok) return flushed;
    std::string bytes;
    IoStatus status = s.lower->Receive(bytes, timeoutMs < 0 ? -1 : MsUntil(end), error);
    if (status != IoStatus::Ok) {
      if (status == IoStatus::Closed) s.peerClosed = true;
      return status;
    }
    s.Feed(bytes);
  }
}

void TlsTransport::Abort() {
  session_->lower->Abort();
}

void TlsTransport::Close() {
  Session& s = *session_;
  if (s.closed) return;
  s.closed = true;
  if (!s.peerClosed && s.lower->IsOpen()) {
    ERR_clear_error();
    SSL_shutdown(s.ssl);
    // The close notice is a courtesy: the connection ends whether or not it arrives.
    std::string ignored;
    s.Flush(ignored);
  }
  s.lower->Close();
}

bool TlsTransport::IsOpen() const {
  return !session_->closed && !session_->peerClosed && session_->lower->IsOpen();
}

}  // namespace maillib
