#include "maillib/Trace.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>

namespace maillib {

std::string TraceLine(std::string_view text) {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char stamp[32];
  const std::size_t length = std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S ", &local);
  std::string line(stamp, length);
  // A line break inside the text would make a second line that looks like a line of its own.
  for (const char c : text)
    line += (c == '\n' || c == '\r') ? ' ' : c;
  line += '\n';
  return line;
}

void StderrTrace::Trace(std::string_view text) {
  const std::string line = TraceLine(text);
  std::lock_guard<std::mutex> lock(mutex_);
  std::fwrite(line.data(), 1, line.size(), stderr);
  std::fflush(stderr);
}

FileTrace::FileTrace(std::string path) : path_(std::move(path)) {}

void FileTrace::Trace(std::string_view text) {
  const std::string line = TraceLine(text);
  std::lock_guard<std::mutex> lock(mutex_);
  const int fd = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
  if (fd < 0) return;  // no log file: the work goes on without its trace
  // O_APPEND writes the line in one piece; a short write only shortens the trace.
  const ssize_t written = ::write(fd, line.data(), line.size());
  (void)written;
  ::close(fd);
}

void TraceTo(TraceSink* sink, std::string_view text) {
  if (sink != nullptr) sink->Trace(text);
}

}  // namespace maillib
