// A transport that first hands out bytes already read from the one it wraps (what a proxy
// handshake read past its own reply), then passes everything through.
#pragma once

#include <memory>
#include <string>

#include "maillib/Transport.h"

namespace maillib {

class PrefixedTransport final : public Transport {
 public:
  PrefixedTransport(std::unique_ptr<Transport> inner, std::string prefix)
      : inner_(std::move(inner)), prefix_(std::move(prefix)) {}

  IoStatus Send(std::string_view bytes, std::string& error) override {
    return inner_->Send(bytes, error);
  }
  IoStatus Receive(std::string& into, int timeoutMs, std::string& error) override {
    if (prefix_.empty()) return inner_->Receive(into, timeoutMs, error);
    into.append(prefix_);
    prefix_.clear();
    return IoStatus::Ok;
  }
  void Close() override {
    prefix_.clear();
    inner_->Close();
  }
  void Abort() override { inner_->Abort(); }
  bool IsOpen() const override { return inner_->IsOpen(); }

 private:
  std::unique_ptr<Transport> inner_;
  std::string prefix_;
};

}  // namespace maillib
