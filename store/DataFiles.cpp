#include "store/DataFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string_view>

namespace store {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kRecentRecipientLines = 8;
constexpr std::size_t kToolSeatLines = 6;

std::string Below(const std::string& root, const char* relative) {
  return (fs::path(root) / relative).string();
}

bool MakeFolder(const std::string& path, std::string* error) {
  if (::mkdir(path.c_str(), 0700) == 0 || (errno == EEXIST && fs::is_directory(path))) {
    return true;
  }
  if (error != nullptr) *error = path + ": the folder cannot be created: " + std::strerror(errno);
  return false;
}

std::string_view TrimBlanks(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

bool IsBlank(const std::string& line) {
  return TrimBlanks(line).empty();
}

bool WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t written = ::write(fd, data.data(), data.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    data.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

}  // namespace

bool EnsureProgramFolders(const std::string& root, std::string* error) {
  for (const std::string& folder :
       {DatabaseFolder(root), MailFileFolder(root), TempFileFolder(root), ToolsFolder(root)}) {
    if (!MakeFolder(folder, error)) return false;
  }
  return true;
}

std::string DatabaseFolder(const std::string& root) {
  return Below(root, "DB");
}
std::string MailFileFolder(const std::string& root) {
  return Below(root, "DB/EMF");
}
std::string TempFileFolder(const std::string& root) {
  return Below(root, "DB/EMF/TemFile");
}
std::string ToolsFolder(const std::string& root) {
  return Below(root, "DB2");
}
std::string MailDatabasePath(const std::string& root) {
  return Below(root, "DB/MsgEx.mdb");
}
std::string AccountDatabasePath(const std::string& root) {
  return Below(root, "DB/MailCheck.mdb");
}
std::string ToolsDatabasePath(const std::string& root) {
  return Below(root, "DB2/TVtools.mdb");
}
std::string DefaultAccountPath(const std::string& root) {
  return Below(root, "DB/Default.db");
}
std::string RecentRecipientsPath(const std::string& root) {
  return Below(root, "DB/DefaultReceiver.db");
}
std::string ToolSeatPath(const std::string& root) {
  return Below(root, "DB2/ToolSeat.db");
}

std::vector<std::string> ReadTextLines(const std::string& path) {
  std::error_code ec;
  if (!fs::is_regular_file(path, ec)) return {};
  std::ifstream file(path, std::ios::binary);
  std::string data(kMaxTextFileBytes + 1, '\0');
  file.read(data.data(), static_cast<std::streamsize>(data.size()));
  data.resize(static_cast<std::size_t>(file.gcount()));
  const bool truncated = data.size() > kMaxTextFileBytes;
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < data.size()) {
    const std::size_t end = data.find('\n', start);
    if (end == std::string::npos && truncated) break;  // cut off by the size limit
    std::string line = data.substr(start, end == std::string::npos ? end : end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return lines;
}

std::string ReadLine(const std::string& path, std::size_t n) {
  const std::vector<std::string> lines = ReadTextLines(path);
  return n < lines.size() ? lines[n] : std::string();
}

bool WriteTextLines(const std::string& path, const std::vector<std::string>& lines) {
  std::string data;
  for (const std::string& line : lines)
    data += line + "\n";
  std::string temp = path + ".XXXXXX";
  const int fd = ::mkstemp(temp.data());  // created with mode 0600
  if (fd < 0) return false;
  const bool written = WriteAll(fd, data) && ::fsync(fd) == 0;
  const bool closed = ::close(fd) == 0;
  if (written && closed && std::rename(temp.c_str(), path.c_str()) == 0) return true;
  ::unlink(temp.c_str());
  return false;
}

bool WriteNewFile(const std::string& path, std::string_view data) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  // A short write (a full disk, a file size limit) fails here, not later behind the caller.
  const bool written = WriteAll(fd, data) && ::fsync(fd) == 0;
  const int writeError = errno;
  const bool closed = ::close(fd) == 0;
  if (!written) errno = writeError;
  return written && closed;
}

bool SyncFolder(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool synced = ::fsync(fd) == 0;
  ::close(fd);
  return synced;
}

std::string DefaultAccount(const std::string& root) {
  return ReadLine(DefaultAccountPath(root), 0);
}

std::vector<std::string> RecentRecipients(const std::string& root) {
  std::vector<std::string> lines = ReadTextLines(RecentRecipientsPath(root));
  if (lines.size() > kRecentRecipientLines) lines.resize(kRecentRecipientLines);
  std::erase_if(lines, IsBlank);
  return lines;
}

std::array<bool, 6> ReadToolSeat(const std::string& root) {
  const std::vector<std::string> lines = ReadTextLines(ToolSeatPath(root));
  std::array<bool, kToolSeatLines> seat{};
  for (std::size_t i = 0; i < seat.size() && i < lines.size(); ++i) {
    seat[i] = TrimBlanks(lines[i]) == "1";
  }
  return seat;
}

bool WriteToolSeat(const std::string& root, const std::array<bool, 6>& seat) {
  std::vector<std::string> lines;
  for (const bool open : seat)
    lines.push_back(open ? "1" : "0");
  return WriteTextLines(ToolSeatPath(root), lines);
}

}  // namespace store
