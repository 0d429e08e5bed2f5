// The POP3 reply and multi-line reader, fed as the server side through an in-memory transport
// that hands the bytes out in reads of a size the input picks. The first byte picks the routine:
// - RoundTrip: the rest is a message (lines split at LF, a 0x01 byte stands for a run of
//   bytes near the connection's piece length). It is sent dot-stuffed with CR LF ends and must
//   come back line for line; the reply after it must be read as the server's own.
// - RawServer: the rest is whatever a server might send; every command must end without a
//   crash, and a failed one must leave no lines behind.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "fuzz/FuzzSelect.h"
#include "maillib/RapPOP3.h"
#include "maillib/Transport.h"

namespace {

using fuzz::Check;
using maillib::StringList;

// How many 0x01 runs one message may hold, so that a small input stays a small message.
constexpr int kMaxRuns = 4;
constexpr std::size_t kRunLength = maillib::TRapTCPClient::kMaxLineLength - 2;

// What the next connect serves: the server's bytes and the size of one read (0: all at once).
std::string g_serverBytes;
std::size_t g_readSize = 0;

class MemoryTransport : public maillib::Transport {
 public:
  MemoryTransport(std::string bytes, std::size_t readSize)
      : bytes_(std::move(bytes)), readSize_(readSize == 0 ? bytes_.size() : readSize) {}

  maillib::IoStatus Send(std::string_view, std::string& error) override {
    if (open_) return maillib::IoStatus::Ok;
    error = "closed";
    return maillib::IoStatus::Closed;
  }
  maillib::IoStatus Receive(std::string& into, int, std::string& error) override {
    if (!open_ || offset_ >= bytes_.size()) {
      error = "closed by the server";
      return maillib::IoStatus::Closed;
    }
    const std::size_t count = std::min(readSize_, bytes_.size() - offset_);
    into.append(bytes_, offset_, count);
    offset_ += count;
    return maillib::IoStatus::Ok;
  }
  void Close() override { open_ = false; }
  bool IsOpen() const override { return open_; }

 private:
  std::string bytes_;
  std::size_t readSize_;
  std::size_t offset_ = 0;
  bool open_ = true;
};

std::unique_ptr<maillib::Transport> Serve(const maillib::ConnectTarget&, std::string&) {
  return std::make_unique<MemoryTransport>(g_serverBytes, g_readSize);
}

// Takes the read size from the front of the input (two bytes).
std::string_view TakeReadSize(std::string_view in) {
  g_readSize = 0;
  if (in.size() < 2) return in;
  g_readSize = static_cast<unsigned char>(in[0]) | (static_cast<unsigned char>(in[1]) & 0x7f) << 8;
  return in.substr(2);
}

// Connects a client to `serverBytes`; false when the greeting was not accepted.
bool ConnectTo(maillib::TRapPOP& pop, std::string serverBytes) {
  g_serverBytes = std::move(serverBytes);
  pop.Host = "fuzz.invalid";
  pop.TCPClient().SetTransportFactory(&Serve);
  return pop.Connect();
}

StringList MessageLines(std::string_view in) {
  StringList lines(1);
  int runs = 0;
  for (const char c : in) {
    if (c == '\n') {
      lines.emplace_back();
    } else if (c == '\x01' && runs < kMaxRuns) {
      lines.back().append(kRunLength, 'x');
      ++runs;
    } else {
      lines.back().push_back(c);
    }
  }
  return lines;
}

std::string Stuffed(const StringList& lines) {
  std::string wire = "+OK message follows\r\n";
  for (const std::string& line : lines)
    wire += (line.starts_with('.') ? "." : "") + line + "\r\n";
  return wire + ".\r\n";
}

void RoundTrip(std::string_view in) {
  in = TakeReadSize(in);
  const StringList lines = MessageLines(in);
  maillib::TRapPOP pop;
  Check(ConnectTo(pop, "+OK ready\r\n" + Stuffed(lines) + "-ERR the server's reply\r\n"));
  StringList received;
  Check(pop.ReadMultiLine(received, true));
  Check(received == lines);
  pop.SendCommand("DELE 1");
  Check(pop.ReadReply() == "-ERR the server's reply");
}

void RawServer(std::string_view in) {
  in = TakeReadSize(in);
  maillib::TRapPOP pop;
  pop.MaxAnswerBytes = 1 << 20;
  if (!ConnectTo(pop, std::string(in))) return;
  StringList lines;
  if (!pop.List(lines)) Check(lines.empty());
  std::vector<maillib::Pop3UidlEntry> ids;
  if (!pop.Uidl(ids)) Check(ids.empty());
  static_cast<void>(pop.Stat());  // any outcome is fine: only a crash is a fault here
  maillib::TRapMsg msg;
  if (!pop.Retrieve(1, false, msg)) Check(msg.RawLines.empty());
  for (const std::string& line : msg.RawLines)
    Check(line.find('\n') == std::string::npos);
  pop.ReadReply();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return fuzz::RunSelected(data, size, {RoundTrip, RawServer});
}
