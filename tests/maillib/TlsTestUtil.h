// Certificates made in the test through the OpenSSL API (a CA and server certificates it
// signs), a CA file the client trusts through SSL_CERT_FILE, and a blocking TLS server
// context for server threads.
#pragma once

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

namespace tls_test {

// One key and certificate; `issuer` null makes a self-signed CA.
class Credential {
 public:
  Credential(const std::string& commonName, const std::string& altNames, const Credential* issuer)
      : key_(EVP_EC_gen("P-256")), cert_(X509_new()) {
    static long serial = 1;
    X509_set_version(cert_, 2);
    ASN1_INTEGER_set(X509_get_serialNumber(cert_), serial++);
    X509_gmtime_adj(X509_getm_notBefore(cert_), -3600);
    X509_gmtime_adj(X509_getm_notAfter(cert_), 86400);
    X509_set_pubkey(cert_, key_);
    X509_NAME* name = X509_get_subject_name(cert_);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                               reinterpret_cast<const unsigned char*>(commonName.c_str()), -1, -1,
                               0);
    const Credential& signer = issuer != nullptr ? *issuer : *this;
    X509_set_issuer_name(cert_, X509_get_subject_name(signer.cert_));
    if (issuer == nullptr) {
      AddExtension(signer, NID_basic_constraints, "critical,CA:TRUE");
      AddExtension(signer, NID_key_usage, "critical,keyCertSign,cRLSign");
      AddExtension(signer, NID_subject_key_identifier, "hash");
    } else {
      AddExtension(signer, NID_basic_constraints, "critical,CA:FALSE");
      AddExtension(signer, NID_subject_alt_name, altNames.c_str());
      AddExtension(signer, NID_ext_key_usage, "serverAuth");
    }
    X509_sign(cert_, signer.key_, EVP_sha256());
  }
  ~Credential() {
    X509_free(cert_);
    EVP_PKEY_free(key_);
  }
  Credential(const Credential&) = delete;
  Credential& operator=(const Credential&) = delete;

  X509* Cert() const { return cert_; }
  EVP_PKEY* Key() const { return key_; }

  // Writes the certificate as PEM; false on failure.
  bool WritePem(const std::string& path) const {
    FILE* file = std::fopen(path.c_str(), "w");
    if (file == nullptr) return false;
    bool ok = PEM_write_X509(file, cert_) == 1;
    return std::fclose(file) == 0 && ok;
  }

  // A server context presenting this credential (TLS 1.2 and newer).
  SSL_CTX* ServerContext() const {
    SSL_CTX* context = SSL_CTX_new(TLS_server_method());
    SSL_CTX_set_min_proto_version(context, TLS1_2_VERSION);
    SSL_CTX_use_certificate(context, cert_);
    SSL_CTX_use_PrivateKey(context, key_);
    return context;
  }

 private:
  void AddExtension(const Credential& signer, int nid, const char* value) {
    X509V3_CTX context;
    X509V3_set_ctx(&context, signer.cert_, cert_, nullptr, nullptr, 0);
    X509_EXTENSION* extension = X509V3_EXT_nconf_nid(nullptr, &context, nid, value);
    if (extension == nullptr) return;
    X509_add_ext(cert_, extension, -1);
    X509_EXTENSION_free(extension);
  }

  EVP_PKEY* key_;
  X509* cert_;
};

// Sets an environment variable for the life of the object, then restores it.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    setenv(name, value.c_str(), 1);
  }
  ~ScopedEnv() {
    if (old_) {
      setenv(name_, old_->c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  const char* name_;
  std::optional<std::string> old_;
};

// A CA, a server certificate it signs for "mail.test" and 127.0.0.1, and one signed by a CA
// nobody trusts; the trusted CA is the only one in the file SSL_CERT_FILE points at.
struct Pki {
  Credential ca{"Test CA", "", nullptr};
  Credential server{"mail.test", "DNS:mail.test,IP:127.0.0.1", &ca};
  Credential strangerCa{"Stranger CA", "", nullptr};
  Credential stranger{"mail.test", "DNS:mail.test,IP:127.0.0.1", &strangerCa};
  std::string caFile =
      (std::filesystem::temp_directory_path() / ("tenvel_ca_" + std::to_string(getpid()) + ".pem"))
          .string();
  bool written = ca.WritePem(caFile);
  ScopedEnv trust{"SSL_CERT_FILE", caFile};
  ScopedEnv noDir{"SSL_CERT_DIR", "/nonexistent"};

  ~Pki() { std::remove(caFile.c_str()); }

  // A new name for every set of certificates, so no cached trust store can mix them up.
  static std::string UniqueCaFile() {
    static int count = 0;
    std::string name = "tenvel_ca_" + std::to_string(getpid()) + "_" + std::to_string(++count);
    return (std::filesystem::temp_directory_path() / (name + ".pem")).string();
  }
};

}  // namespace tls_test
