#include "send/AttachmentRegistry.h"

#include <sys/stat.h>

#include <chrono>
#include <fstream>
#include <random>

#include "maillib/TextUtil.h"

namespace send {

namespace {

std::string Identifier() {
  static std::mutex mutex;
  static std::mt19937 random{std::random_device{}()};
  std::uniform_int_distribution<long long> pick(1111, 9998);
  const auto tick = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now().time_since_epoch())
                        .count();
  const std::lock_guard lock(mutex);
  return std::to_string(static_cast<long long>(tick) + pick(random));
}

}  // namespace

bool MakeSendFile(const std::string& path, TMySendFile* entry) {
  const std::string trimmed = maillib::Trim(path);
  struct stat info {};
  if (trimmed.empty() || ::stat(trimmed.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
    return false;
  // Opening proves the file can be read when the worker encodes it.
  std::ifstream file(trimmed, std::ios::binary);
  if (!file) return false;
  entry->path = trimmed;
  entry->identifier = Identifier();
  entry->size = static_cast<std::int64_t>(info.st_size);
  return true;
}

RegisterResult AttachmentRegistry::Register(const std::string& path, std::string* message) {
  const std::string trimmed = maillib::Trim(path);
  const std::string key = maillib::LowerAscii(trimmed);
  std::string text;
  RegisterResult result = RegisterResult::Added;
  {
    const std::lock_guard lock(mutex_);
    bool duplicate = false;
    for (const TMySendFile& file : files_)
      duplicate = duplicate || maillib::LowerAscii(file.path) == key;
    TMySendFile entry;
    if (duplicate) {
      result = RegisterResult::Duplicate;
      text = kDuplicateAttachment;
    } else if (!MakeSendFile(trimmed, &entry)) {
      result = RegisterResult::Missing;
      text = trimmed + kFileMissing;
    } else {
      files_.push_back(std::move(entry));
    }
  }
  if (message != nullptr) *message = text;
  return result;
}

std::vector<TMySendFile> AttachmentRegistry::Take() {
  const std::lock_guard lock(mutex_);
  std::vector<TMySendFile> taken;
  taken.swap(files_);
  return taken;
}

void AttachmentRegistry::Clear() {
  const std::lock_guard lock(mutex_);
  files_.clear();
}

std::vector<TMySendFile> AttachmentRegistry::Entries() const {
  const std::lock_guard lock(mutex_);
  return files_;
}

}  // namespace send
