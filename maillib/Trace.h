// The one place where failures that the user is not shown in full are written down: a store
// failure's reason, a message skipped, a server's odd answer. Every layer can be handed a sink;
// tools write to standard error, the desktop program to a log file below its program folder.
// A sink is called from worker threads: the implementations here are safe for that.
#pragma once

#include <mutex>
#include <string>
#include <string_view>

namespace maillib {

class TraceSink {
 public:
  virtual ~TraceSink() = default;
  // One line of text (without a line break); the sink adds the time.
  virtual void Trace(std::string_view text) = 0;
};

// Writes each line to standard error.
class StderrTrace final : public TraceSink {
 public:
  void Trace(std::string_view text) override;

 private:
  std::mutex mutex_;
};

// Appends each line to a file (created 0600 when missing). A line that cannot be written is
// dropped: the trace must never stop the work it describes.
class FileTrace final : public TraceSink {
 public:
  explicit FileTrace(std::string path);
  void Trace(std::string_view text) override;
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
  std::mutex mutex_;
};

// Writes to the sink when there is one.
void TraceTo(TraceSink* sink, std::string_view text);

// "yyyy-MM-dd hh:mm:ss text" in local time: the form of every trace line.
std::string TraceLine(std::string_view text);

}  // namespace maillib
