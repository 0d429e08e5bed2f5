#include "send/ComposeFill.h"

#include <cstddef>
#include <filesystem>
#include <system_error>

#include "boxes/BoxRows.h"
#include "boxes/DraftOpen.h"
#include "maillib/TextUtil.h"
#include "maillib/UrlPath.h"
#include "store/MessageRecord.h"

namespace send {

namespace {

// A forwarded message shows at most this many attachment items.
constexpr std::size_t kMaxAttachmentItems = 1024;

constexpr std::string_view kLineOpen =
    "<DIV style=\"BACKGROUND: #F8F1F4; FONT: 9pt Verdana; font-color: black\">";

std::string QuoteLine(std::string_view label, const std::string& text) {
  std::string line(kLineOpen);
  line.append("<B>").append(label).append(":</B>");
  line += maillib::EscapeHtml(text);
  line += "</DIV>";
  return line;
}

// The body, attachments and sender that every operation shares: they are made as an opened
// draft makes them (links in a new window, pictures in the message's sub-folder, attachment
// paths and sender by who wrote the message).
ComposeFields CommonFields(const store::MessageRecord& record, const std::string& mailFileFolder) {
  const boxes::DraftRecord draft = boxes::ReadDraftRecord(record);
  boxes::DraftFields made = boxes::BuildDraftFields(draft, mailFileFolder);
  ComposeFields fields;
  fields.sender = std::move(made.sender);
  fields.bodyHtml = std::move(made.body);
  fields.attachments = std::move(made.attachments);
  if (fields.attachments.size() > kMaxAttachmentItems) {
    fields.attachments.resize(kMaxAttachmentItems);
  }
  fields.subject = draft.mailSubject;
  if (!draft.filePath.empty() && draft.filePath != store::kNoExtractFile) {
    fields.pictureFolders.push_back(mailFileFolder + draft.filePath);
  }
  return fields;
}

bool LoadRecord(store::Database& mail, boxes::Box box, int id, store::MessageRecord* record,
                std::string* error) {
  std::string readError;
  const bool found = boxes::ReadRecordById(mail, box, id, record, &readError);
  if (error != nullptr) *error = readError;
  return found;
}

}  // namespace

std::string QuoteBlock(QuoteKind kind, const store::MessageRecord& record) {
  const std::string mailcc = maillib::Trim(record.mailcc);
  std::string q = "<DIV><BR></DIV><DIV><BR></DIV>";
  q += "<DIV style=\"FONT: 9pt 宋体\">-------------------------";
  q += kind == QuoteKind::Reply ? "回复信息" : "转发信息";
  q += "---------------------------- </DIV>";
  q += QuoteLine("From", maillib::Trim(record.sender));
  q += QuoteLine("To", record.receiver);
  q += QuoteLine("CC", mailcc == store::kNoCopies ? std::string() : mailcc);
  q += QuoteLine("Sent", maillib::Trim(record.sendDateTime));
  q += "<DIV><BR></DIV>";
  return q;
}

std::string MoveMnicheng(std::string_view sender) {
  const std::size_t open = sender.find('<');
  if (open == std::string_view::npos) return std::string(sender);
  const std::size_t close = sender.find('>', open + 1);
  const std::size_t end = close == std::string_view::npos ? sender.size() : close;
  return std::string(sender.substr(open + 1, end - open - 1));
}

ComposeFields ReplyFields(const store::MessageRecord& record, const std::string& mailFileFolder) {
  ComposeFields fields = CommonFields(record, mailFileFolder);
  fields.bodyHtml = QuoteBlock(QuoteKind::Reply, record) + fields.bodyHtml;
  fields.subject = "Re:" + fields.subject;
  const std::string sender = maillib::Trim(record.sender);
  fields.recipientField =
      maillib::Trim(record.fujian) == store::kReceivedMail ? MoveMnicheng(sender) : sender;
  // The attachment bar stays hidden for a reply: the old attachments are not sent back.
  fields.attachments.clear();
  return fields;
}

ComposeFields ForwardFields(const store::MessageRecord& record, const std::string& mailFileFolder) {
  ComposeFields fields = CommonFields(record, mailFileFolder);
  fields.bodyHtml = QuoteBlock(QuoteKind::Forward, record) + fields.bodyHtml;
  fields.subject = "Fw:" + fields.subject;
  return fields;
}

ComposeFields SendAgainFields(const store::MessageRecord& record,
                              const std::string& mailFileFolder) {
  return CommonFields(record, mailFileFolder);
}

ComposeFields AttachmentForwardFields(const std::string& subject, const std::string& writtenFile,
                                      const std::string& defaultAccount) {
  ComposeFields fields;
  const std::string shown = maillib::Trim(subject);
  fields.subject = "发送附件：" + (shown.empty() ? std::string("无主题") : subject) + ".eml";
  fields.sender = defaultAccount;
  std::error_code ec;
  if (!writtenFile.empty() && std::filesystem::is_regular_file(writtenFile, ec)) {
    fields.attachments.push_back(writtenFile);
  }
  return fields;
}

bool LoadReplyFields(store::Database& mail, int id, const std::string& mailFileFolder,
                     ComposeFields* fields, std::string* error) {
  store::MessageRecord record;
  if (!LoadRecord(mail, boxes::Box::Inbox, id, &record, error)) return false;
  *fields = ReplyFields(record, mailFileFolder);
  return true;
}

bool LoadForwardFields(store::Database& mail, boxes::Box box, int id,
                       const std::string& mailFileFolder, ComposeFields* fields,
                       std::string* error) {
  store::MessageRecord record;
  if (!LoadRecord(mail, box, id, &record, error)) return false;
  *fields = ForwardFields(record, mailFileFolder);
  return true;
}

bool LoadSendAgainFields(store::Database& mail, int id, const std::string& mailFileFolder,
                         ComposeFields* fields, std::string* error) {
  store::MessageRecord record;
  if (!LoadRecord(mail, boxes::Box::Sent, id, &record, error)) return false;
  *fields = SendAgainFields(record, mailFileFolder);
  return true;
}

std::vector<std::string> DraftPictureFiles(const std::string& html) {
  static constexpr std::string_view kPictureExtensions[] = {".bmp",  ".gif", ".ico",
                                                            ".jpeg", ".jpg", ".png"};
  std::vector<std::string> files;
  const std::string_view text(html);
  const std::string_view mark = "src=\"";
  for (std::size_t at = text.find(mark); at != std::string_view::npos;
       at = text.find(mark, at + mark.size())) {
    const std::size_t from = at + mark.size();
    const std::size_t end = text.find('"', from);
    if (end == std::string_view::npos) break;
    // Blanks around the value are no part of the address (an emoticon's value ends with one).
    const std::string value = maillib::Trim(text.substr(from, end - from));
    const std::string path = value.rfind("file:", 0) == 0 ? maillib::FileUrlToPath(value) : value;
    if (path.empty() || path.front() != '/') continue;
    const std::string lower = maillib::LowerAscii(path);
    for (std::string_view ext : kPictureExtensions) {
      if (lower.size() > ext.size() && lower.ends_with(ext)) {
        files.push_back(path);
        break;
      }
    }
  }
  return files;
}

}  // namespace send
