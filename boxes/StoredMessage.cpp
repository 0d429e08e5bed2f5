#include "boxes/StoredMessage.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "app/Global.h"
#include "maillib/TextUtil.h"
#include "store/MessageRecord.h"

namespace boxes {
namespace {

namespace fs = std::filesystem;

constexpr const char* kNoExtractedFiles = "NOHAVEExtractFile";

// A path as an attribute value: the characters that end the attribute or start markup become
// entities, and those that would cut a URL short are percent-encoded.
std::string AttributePath(const std::string& path) {
  std::string encoded;
  encoded.reserve(path.size());
  for (const char c : path) {
    switch (c) {
      case '%':
        encoded += "%25";
        break;
      case '#':
        encoded += "%23";
        break;
      case '?':
        encoded += "%3F";
        break;
      default:
        encoded += c;
    }
  }
  return maillib::EscapeHtml(encoded);
}

std::string PictureHtml(const std::string& path, const std::string& fujian) {
  const std::string scheme = fujian == "S" ? "" : "file://";
  return "<P><HR></P><P><CENTER><P><CENTER><IMG src=\"" + scheme + AttributePath(path) + "\"></P>";
}

std::string FileNamePart(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Size of a regular file that can be opened for reading; false otherwise.
bool ReadableFileSize(const std::string& path, std::uint64_t* size) {
  std::error_code ec;
  if (!fs::is_regular_file(path, ec)) return false;
  std::ifstream probe(path, std::ios::binary);
  if (!probe) return false;
  *size = fs::file_size(path, ec);
  return !ec;
}

void AddAttachments(const StoredRecord& record, StoredView view, const std::string& mailFolder,
                    StoredPage* page, std::string* pictures) {
  if (record.fuJianPath.empty() || view == StoredView::NotesPreview) return;
  page->showAttachments = view == StoredView::Reading;
  for (const std::string& item : app::SplitStarList(record.fuJianPath)) {
    const std::string path = AttachmentPath(item, record.fujian, mailFolder);
    if (IsPicturePath(path)) *pictures += PictureHtml(path, record.fujian);
    std::uint64_t size = 0;
    if (view != StoredView::Reading || !ReadableFileSize(path, &size)) continue;
    page->attachments.push_back({path, AttachmentCaption(FileNamePart(path), size, record.fujian)});
  }
}

}  // namespace

StoredRecord ReadStoredRecord(store::MessageRecord record) {
  StoredRecord r;
  // The body is trimmed where it lies: a body of megabytes is not copied for it.
  const std::string_view kept = maillib::TrimView(record.content);
  const auto begin = static_cast<std::size_t>(kept.data() - record.content.data());
  record.content.erase(begin + kept.size());
  record.content.erase(0, begin);
  r.content = std::move(record.content);
  r.fuJianPath = maillib::Trim(record.fuJianPath);
  r.filePath = maillib::Trim(record.filePath);
  r.fujian = maillib::Trim(record.fujian);
  r.length = record.length.value_or(0);
  r.receiver = record.receiver;
  r.sender = record.sender;
  r.sendDateTime = record.sendDateTime;
  r.mailSubject = record.mailSubject;
  r.mailcc = record.mailcc;
  return r;
}

StoredPage BuildStoredPage(const StoredRecord& record, StoredView view,
                           const std::string& mailFileFolder) {
  StoredPage page;
  page.receiverField = record.receiver;
  page.receiverDisplay =
      record.fujian == "F" ? app::DisplayNames(record.receiver) : record.receiver;
  page.cc = record.mailcc == "no" ? std::string() : record.mailcc;
  page.showCc = view == StoredView::Reading && record.mailcc != "no";
  std::string pictures;
  AddAttachments(record, view, mailFileFolder, &page, &pictures);
  page.html = app::AddLinkTargets(record.content) + pictures;
  page.pageFile = PageFilePath(record.filePath, mailFileFolder);
  return page;
}

std::string AttachmentPath(const std::string& item, const std::string& fujian,
                           const std::string& mailFileFolder) {
  return fujian == "F" ? item : mailFileFolder + item;
}

bool IsPicturePath(const std::string& path) {
  // Only the file's own extension counts: folders and other parts of the name say nothing.
  // A dot-file (".png") has no extension, as in std::filesystem.
  const std::string extension = maillib::LowerAscii(fs::path(path).extension().string());
  for (const char* picture : {".bmp", ".jpg", ".jpeg", ".png", ".gif", ".ico"}) {
    if (extension == picture) return true;
  }
  return false;
}

std::string AttachmentCaption(const std::string& fileName, std::uint64_t size,
                              const std::string& fujian) {
  if (size <= 1024) return fileName + "[" + std::to_string(size) + "]字节";
  const std::string k = std::to_string(size / 1024);
  return fujian == "F" ? fileName + "[" + k + "K]" : fileName + "(" + k + ")K";
}

std::string TempPageFilePath(const std::string& mailFileFolder) {
  return mailFileFolder + "/TemFile/Tenvel.htm";
}

std::string PageFilePath(const std::string& filePath, const std::string& mailFileFolder) {
  if (filePath.empty() || filePath == kNoExtractedFiles ||
      filePath.find("..") != std::string::npos) {
    return TempPageFilePath(mailFileFolder);
  }
  return mailFileFolder + filePath + "/Tenvel.htm";
}

namespace {
const char kUtf8Bom[] = "\xEF\xBB\xBF";
}  // namespace

bool WritePageFile(const std::string& path, const std::string& html, bool createFolder,
                   std::string* error) {
  std::error_code ec;
  const fs::path folder = fs::path(path).parent_path();
  if (createFolder && !fs::is_directory(folder, ec)) {
    fs::create_directories(folder, ec);
    fs::permissions(folder, fs::perms::owner_all, ec);
  }
  const std::string temporary = path + ".part";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out.write(kUtf8Bom, sizeof kUtf8Bom - 1);
    out.write(html.data(), static_cast<std::streamsize>(html.size()));
    out.close();
    if (!out) {
      std::remove(temporary.c_str());
      *error = "cannot write " + path;
      return false;
    }
  }
  fs::rename(temporary, path, ec);
  if (ec) {
    std::remove(temporary.c_str());
    *error = "cannot replace " + path + ": " + ec.message();
    return false;
  }
  return true;
}

}  // namespace boxes
