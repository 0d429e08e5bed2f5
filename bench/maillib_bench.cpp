// Mail library throughput: parsing a generated mix of received mail, base64 and
// quoted-printable decoding, and composing a message with a 10 MB attachment. The same mix, as
// files, also goes through `tvmail parse` and, when it was built, the GMime comparison program
// (both timed as whole processes, which includes reading the files and printing).
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/MailGenerator.h"
#include "bench/ProcessTimer.h"
#include "maillib/Base64.h"
#include "maillib/QuotedPrintable.h"
#include "maillib/RapMsg.h"
#include "maillib/TextUtil.h"
#include "maillib/rapSMTPCode.h"

namespace {

constexpr int kMessages = 1000;
constexpr std::size_t kMiB = 1024 * 1024;
constexpr int kRepeats = 3;  // best of three for the codec and compose figures

double Seconds(std::chrono::steady_clock::duration d) {
  return std::chrono::duration<double>(d).count();
}

// Best wall time of `repeats` runs of fn.
template <typename Fn>
double BestOf(int repeats, Fn fn) {
  double best = 1e30;
  for (int i = 0; i < repeats; ++i) {
    const auto start = std::chrono::steady_clock::now();
    fn();
    best = std::min(best, Seconds(std::chrono::steady_clock::now() - start));
  }
  return best;
}

void BenchParse() {
  bench::MailGenerator generator(20240305);
  const std::vector<std::string> raw = generator.Mix(kMessages, kMiB);
  std::size_t bytes = 0, attachments = 0, inlines = 0;
  std::vector<maillib::TRapMsg> messages(raw.size());
  for (std::size_t i = 0; i < raw.size(); ++i) {
    bytes += raw[i].size();
    messages[i].RawLines = maillib::SplitLines(raw[i]);
  }
  const auto start = std::chrono::steady_clock::now();
  for (maillib::TRapMsg& msg : messages)
    msg.Parse();
  const double parse = Seconds(std::chrono::steady_clock::now() - start);
  std::size_t decoded = 0;
  const auto decodeStart = std::chrono::steady_clock::now();
  for (const maillib::TRapMsg& msg : messages) {
    attachments += static_cast<std::size_t>(msg.Attachments.Count());
    inlines += static_cast<std::size_t>(msg.InlineFiles.Count());
    for (const auto& file : msg.Attachments)
      decoded += file.DecodedBytes().size();
    for (const auto& file : msg.InlineFiles)
      decoded += file.DecodedBytes().size();
  }
  const double decode = Seconds(std::chrono::steady_clock::now() - decodeStart);
  std::printf("parse: %d messages, %.1f MB (%zu attachments, %zu inline pictures)\n", kMessages,
              bytes / double(kMiB), attachments, inlines);
  std::printf("  Parse:                 %8.1f MB/s  %8.0f messages/s\n", bytes / kMiB / parse,
              kMessages / parse);
  std::printf("  Parse + decode files:  %8.1f MB/s  (%.1f MB of file bytes)\n",
              bytes / kMiB / (parse + decode), decoded / double(kMiB));
}

void PrintProcess(const char* what, const bench::ProcessTime& time, std::size_t bytes) {
  if (!time.ran) {
    std::printf("  %-22s failed\n", what);
    return;
  }
  std::printf("  %-22s %8.1f MB/s  (%.2f s wall, %.2f s CPU: %.1f MB/s of CPU)\n", what,
              bytes / double(kMiB) / time.wallSeconds, time.wallSeconds, time.cpuSeconds,
              bytes / double(kMiB) / time.cpuSeconds);
}

// The parse mix as files; `tvmail parse` and the GMime program each read, parse and decode all
// of them in one process, best of three.
void BenchParsePrograms() {
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / "maillib_bench_mix";
  std::filesystem::create_directories(dir);
  bench::MailGenerator generator(20240305);
  std::vector<std::string> files;
  std::size_t bytes = 0;
  for (const std::string& raw : generator.Mix(kMessages, kMiB)) {
    files.push_back((dir / (std::to_string(files.size()) + ".eml")).string());
    std::ofstream(files.back(), std::ios::binary) << raw;
    bytes += raw.size();
  }
  std::printf("parse as a program (the same mix, %zu files, %.1f MB, whole process):\n",
              files.size(), bytes / double(kMiB));
  auto withFiles = [&](const std::string& program, const std::string& command) {
    std::vector<std::string> argv = {program};
    if (!command.empty()) argv.push_back(command);
    argv.insert(argv.end(), files.begin(), files.end());
    return bench::BestRun(kRepeats, argv);
  };
  PrintProcess("tvmail parse:", withFiles(TVMAIL_PATH, "parse"), bytes);
#ifdef GMIME_PARSE_PATH
  PrintProcess("GMime parse + decode:", withFiles(GMIME_PARSE_PATH, ""), bytes);
#else
  std::printf("  GMime comparison not built (gmime-3.0 not found by pkg-config)\n");
#endif
  std::filesystem::remove_all(dir);
}

void BenchCodecs() {
  bench::MailGenerator generator(7);
  const std::string binary = generator.RandomBytes(16 * kMiB);
  const maillib::StringList lines = maillib::Base64EncodeToLines(binary);
  const std::string text = maillib::JoinLines(lines);
  std::size_t out = 0;
  const double lineTime = BestOf(kRepeats, [&] { out = maillib::Base64DecodeLines(lines).size(); });
  const double strTime = BestOf(kRepeats, [&] { out = maillib::Base64DecodeStr(text).size(); });
  std::printf("base64 decode (%.0f MB encoded):\n", text.size() / double(kMiB));
  std::printf("  Base64DecodeLines:     %8.1f MB/s of input\n", text.size() / kMiB / lineTime);
  std::printf("  Base64DecodeStr:       %8.1f MB/s of input\n", text.size() / kMiB / strTime);
  std::string qp;
  const std::string gb = generator.GbText(4 * kMiB);
  static const char kHex[] = "0123456789ABCDEF";
  for (std::size_t i = 0; i < gb.size(); ++i) {
    const auto c = static_cast<unsigned char>(gb[i]);
    if (c >= 0x80 || c == '=') {
      qp += '=';
      qp += kHex[c >> 4];
      qp += kHex[c & 0xF];
    } else {
      qp += gb[i];
    }
    if (i % 24 == 23) qp += "=\r\n";
  }
  const double qpTime = BestOf(kRepeats, [&] { out = maillib::QPDecode(qp).size(); });
  std::printf("quoted-printable decode (%.0f MB encoded):\n", qp.size() / double(kMiB));
  std::printf("  QPDecode:              %8.1f MB/s of input\n", qp.size() / kMiB / qpTime);
  if (out == 0) std::printf("(nothing decoded)\n");
}

void BenchCompose() {
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / "maillib_bench";
  std::filesystem::create_directories(dir);
  const std::string path = (dir / "attachment.bin").string();
  bench::MailGenerator generator(11);
  std::ofstream(path, std::ios::binary) << generator.RandomBytes(10 * kMiB);
  std::size_t lines = 0;
  const double time = BestOf(kRepeats, [&] {
    maillib::TRapMsg msg;
    msg.SetFrom("张三 <zhang@example.cn>");
    msg.SetSendTo("li@example.cn");
    msg.SetSubject("十兆附件");
    msg.Text = {"请查收附件。"};
    msg.HtmlLines = {"<p>请查收附件。</p>"};
    msg.Attachments.AddFile(path);
    maillib::ComposeMessage(msg, "X-Mailer:Tenvel 202");
    lines = msg.RawLines.size();
  });
  std::filesystem::remove_all(dir);
  std::printf("compose (10 MB attachment, %zu lines):\n", lines);
  std::printf("  ComposeMessage:        %8.1f MB/s of attachment  (%.0f ms)\n", 10.0 / time,
              time * 1000);
}

// One message of 20,000 small attachments of one name: naming and splitting stay linear.
void BenchManyParts() {
  constexpr int kParts = 20000;
  std::string text = "Subject: many\r\nContent-Type: multipart/mixed; boundary=\"B\"\r\n\r\n";
  for (int i = 0; i < kParts; ++i) {
    text +=
        "--B\r\nContent-Type: application/octet-stream; name=\"same.txt\"\r\n"
        "Content-Transfer-Encoding: base64\r\n\r\naGk=\r\n";
  }
  text += "--B--\r\n";
  maillib::TRapMsg msg;
  const double time = BestOf(kRepeats, [&] {
    msg.RawLines = maillib::SplitLines(text);
    msg.Parse();
  });
  std::printf("parse (one message of %d parts of one name):\n", kParts);
  std::printf("  Parse:                 %8.0f ms, %d attachments\n", time * 1000,
              msg.Attachments.Count());
}

}  // namespace

int main() {
  BenchParse();
  BenchManyParts();
  BenchParsePrograms();
  BenchCodecs();
  BenchCompose();
  return 0;
}
