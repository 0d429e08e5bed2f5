// The attachments of the message being sent: the SEND action registers the paths of the
// attachment bar, the send worker takes them. One registry is shared by the compose page and
// the worker; its lock is held for every whole scan, so a registration never races the take.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace send {

inline constexpr const char* kNoticeTitle = "提示";
inline constexpr const char* kDuplicateAttachment = "请不要插入相同的附件!";
inline constexpr const char* kFileMissing = "文件不存在";

// One registered attachment.
struct TMySendFile {
  std::string path;        // the full path, trimmed
  std::string identifier;  // decimal of the millisecond tick count plus a random 1111..9998
  std::int64_t size = 0;   // bytes
};

// The entry for a file: false when it cannot be opened for reading (missing, a folder, no
// permission), `entry` then untouched.
bool MakeSendFile(const std::string& path, TMySendFile* entry);

enum class RegisterResult { Added, Duplicate, Missing };

class AttachmentRegistry {
 public:
  // Registers the trimmed path. A path already registered (compared without regard to letter
  // case) is refused with kDuplicateAttachment; a file that cannot be read with the path +
  // kFileMissing. `message` (may be null) gets that text, or is emptied when added.
  RegisterResult Register(const std::string& path, std::string* message);
  // Hands the entries over in registration order and empties the registry.
  std::vector<TMySendFile> Take();
  void Clear();
  std::vector<TMySendFile> Entries() const;

 private:
  mutable std::mutex mutex_;
  std::vector<TMySendFile> files_;
};

}  // namespace send
