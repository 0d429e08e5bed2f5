// Helpers of the composer tests: a scratch folder with files, header lookups in composed
// lines, and the trip of a composed message through SMTP and POP3 back into a parsed one.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "maillib/RapMsg.h"
#include "maillib/TextUtil.h"

namespace compose_test {

class ScratchFolder {
 public:
  ScratchFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "compose_XXXXXX").string();
    if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  }
  ~ScratchFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::string& Path() const { return path_; }
  // Writes the bytes to a file below the folder (sub-folders made) and returns its path.
  std::string Write(const std::string& name, const std::string& bytes) const {
    const std::filesystem::path file = std::filesystem::path(path_) / name;
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << bytes;
    return file.string();
  }

 private:
  std::string path_;
};

// Bytes 0..255 repeated: every byte value appears, and base64 lines are not trivial.
inline std::string BinaryBytes(std::size_t size, unsigned seed = 0) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i)
    bytes[i] = static_cast<char>((i * 7 + seed) & 0xFF);
  return bytes;
}

inline maillib::StringList HeaderOf(const maillib::TRapMsg& msg) {
  maillib::StringList header;
  for (const std::string& line : msg.RawLines) {
    if (line.empty()) break;
    header.push_back(line);
  }
  return header;
}

inline maillib::StringList BodyOf(const maillib::TRapMsg& msg) {
  const auto& raw = msg.RawLines;
  auto blank = std::find(raw.begin(), raw.end(), std::string());
  if (blank == raw.end()) return {};
  return maillib::StringList(blank + 1, raw.end());
}

// Index of the first line that begins with the prefix, or -1.
inline int LineIndex(const maillib::StringList& lines, const std::string& prefix, int from = 0) {
  for (int i = from; i < static_cast<int>(lines.size()); ++i) {
    if (lines[static_cast<std::size_t>(i)].rfind(prefix, 0) == 0) return i;
  }
  return -1;
}

// The composed text as the receiving side sees it: sent with CR LF after each line, the
// transport's dot-stuffing undone, and split into lines again.
inline maillib::TRapMsg Received(const maillib::TRapMsg& sent) {
  maillib::TRapMsg got;
  for (std::string line : maillib::SplitLines(maillib::JoinLines(sent.RawLines))) {
    if (line.rfind("..", 0) == 0) line.erase(0, 1);
    got.RawLines.push_back(std::move(line));
  }
  got.Parse();
  return got;
}

}  // namespace compose_test
