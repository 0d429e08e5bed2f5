#include "maillib/PicturePolicy.h"

#include <filesystem>
#include <system_error>

namespace maillib {
namespace {

// The real path of an existing file or folder, empty when there is none.
std::string RealPath(const std::string& path) {
  std::error_code ec;
  const std::filesystem::path real = std::filesystem::canonical(path, ec);
  return ec ? std::string() : real.string();
}

}  // namespace

TFilePolicy::TFilePolicy(const StringList& files, const StringList& folders, bool anyLocalFile)
    : any_(anyLocalFile) {
  if (any_) return;
  for (const std::string& file : files) {
    std::string real = RealPath(file);
    if (!real.empty()) files_.push_back(std::move(real));
  }
  for (const std::string& folder : folders) {
    std::string real = RealPath(folder);
    if (real.empty()) continue;
    if (real.back() != '/') real.push_back('/');
    folders_.push_back(std::move(real));
  }
}

bool TFilePolicy::Allows(const std::string& path) const {
  if (any_) return true;
  const std::string real = RealPath(path);
  if (real.empty()) return false;
  for (const std::string& file : files_) {
    if (real == file) return true;
  }
  for (const std::string& folder : folders_) {
    if (real.size() > folder.size() && real.compare(0, folder.size(), folder) == 0) return true;
  }
  return false;
}

}  // namespace maillib
