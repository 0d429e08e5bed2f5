#include "boxes/MessageFiles.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "app/Global.h"
#include "maillib/FileNames.h"
#include "maillib/MailLimits.h"

namespace boxes {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kTempFolderName = "TemFile";

// The mail-file folder as the folders below it are spelled: normalised, without a final "/".
std::string NormalFolder(const std::string& folder) {
  std::string normal = fs::path(folder).lexically_normal().string();
  while (normal.size() > 1 && normal.back() == '/')
    normal.pop_back();
  return normal;
}

// FilePath and MailFolder name a folder only in their stored form "/sub"; anything else
// ("NOHAVEExtractFile", empty) names none.
bool IsStoredFolderName(const std::string& column) {
  return !column.empty() && column.front() == '/';
}

// Orders paths part by part ('/' before every other byte), so the folders inside a folder
// follow it directly: "/e/a", "/e/a/b", "/e/a-2".
bool PartOrder(const std::string& a, const std::string& b) {
  const auto key = [](char c) { return c == '/' ? 0 : static_cast<unsigned char>(c) + 1; };
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                      [&](char x, char y) { return key(x) < key(y); });
}

bool IsInside(const std::string& folder, const std::string& outer) {
  return folder.size() > outer.size() && folder.compare(0, outer.size(), outer) == 0 &&
         folder[outer.size()] == '/';
}

// Taken: anything at the path, a dangling link included, or a path whose state is unknown.
bool IsTaken(const fs::path& path) {
  std::error_code ec;
  return fs::symlink_status(path, ec).type() != fs::file_type::not_found;
}

}  // namespace

std::string MailFileSubFolder(const std::string& mailFileFolder, std::string_view relative) {
  if (mailFileFolder.empty()) return {};  // the names would land at the root of the disk
  std::vector<std::string_view> parts;
  for (std::size_t start = 0; start <= relative.size();) {
    std::size_t slash = relative.find('/', start);
    if (slash == std::string_view::npos) slash = relative.size();
    const std::string_view part = relative.substr(start, slash - start);
    if (part == "." || part == "..") return {};
    if (!part.empty()) parts.push_back(part);
    start = slash + 1;
  }
  if (parts.empty() || parts.front() == kTempFolderName) return {};
  std::string folder = NormalFolder(mailFileFolder);
  for (const std::string_view part : parts)
    folder.append("/").append(part);
  return folder;
}

std::string AttachmentEntryFolder(const std::string& mailFileFolder, std::string_view entry) {
  const std::size_t slash = entry.find_last_of('/');
  if (slash == std::string_view::npos) return {};
  const std::string_view name = entry.substr(slash + 1);
  if (name.empty() || name == "." || name == "..") return {};  // a damaged entry
  return MailFileSubFolder(mailFileFolder, entry.substr(0, slash));
}

std::vector<std::string> MessageFolders(const std::string& mailFileFolder,
                                        std::span<const MessageFolderColumns> messages) {
  std::vector<std::string> found;
  const auto add = [&found](std::string folder) {
    if (!folder.empty()) found.push_back(std::move(folder));
  };
  for (const MessageFolderColumns& message : messages) {
    if (message.fujian != "S") continue;  // written here: the attachments are the user's files
    if (IsStoredFolderName(message.mailFolder))
      add(MailFileSubFolder(mailFileFolder, message.mailFolder));
    if (IsStoredFolderName(message.filePath))
      add(MailFileSubFolder(mailFileFolder, message.filePath));
    for (const std::string& entry : app::SplitStarList(message.fuJianPath))
      add(AttachmentEntryFolder(mailFileFolder, entry));
  }
  std::sort(found.begin(), found.end(), PartOrder);
  std::vector<std::string> folders;
  for (std::string& folder : found) {
    if (!folders.empty() && (folder == folders.back() || IsInside(folder, folders.back())))
      continue;
    folders.push_back(std::move(folder));
  }
  return folders;
}

std::vector<std::string> MessageFolders(const std::string& mailFileFolder,
                                        const MessageFolderColumns& message) {
  return MessageFolders(mailFileFolder, std::span<const MessageFolderColumns>(&message, 1));
}

std::string FreeFileName(const std::string& folder, const std::string& fileName, int maxNumber) {
  for (int n = 0; n <= maxNumber; ++n) {
    const std::string suffix = n == 0 ? std::string() : "(" + std::to_string(n) + ")";
    const std::string name = maillib::FitFileName(fileName, suffix, maillib::kMaxFileNameBytes);
    if (name.empty()) return {};
    if (!IsTaken(fs::path(folder) / name)) return name;
  }
  return {};
}

}  // namespace boxes
