#include "maillib/FileUtil.h"

#include <sys/stat.h>

#include <filesystem>

namespace maillib {

namespace fs = std::filesystem;

std::uint64_t FileSizeOf(const std::string& path) {
  std::error_code ec;
  auto size = fs::file_size(path, ec);
  return ec ? 0 : static_cast<std::uint64_t>(size);
}

bool IsFileReadOnly(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && (st.st_mode & 0222) == 0;
}

bool SetFileReadOnly(const std::string& path, bool readOnly) {
  std::error_code ec;
  if (readOnly) {
    fs::permissions(path, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove, ec);
  } else {
    fs::permissions(path, fs::perms::owner_write, fs::perm_options::add, ec);
  }
  return !ec;
}

bool DeleteFileForced(const std::string& path) {
  std::error_code ec;
  if (fs::remove(path, ec) || !fs::exists(path, ec)) return true;
  SetFileReadOnly(path, false);
  fs::remove(path, ec);
  return !fs::exists(path, ec);
}

std::string UserTempFolder() {
  std::error_code ec;
  fs::path dir = fs::temp_directory_path(ec);
  if (ec || dir.empty()) dir = "/tmp";
  fs::create_directories(dir, ec);
  std::string out = dir.string();
  while (out.size() > 1 && out.back() == '/')
    out.pop_back();
  return out;
}

}  // namespace maillib
