#include "send/ComposeRecords.h"

#include <algorithm>

#include <cstdio>
#include <ctime>
#include <fstream>
#include <sstream>

#include "accounts/AccountRows.h"
#include "maillib/TextUtil.h"
#include "send/AttachmentRegistry.h"
#include "send/SendFormat.h"
#include "store/DateTimeText.h"
#include "store/MessageRecord.h"
#include "store/Query.h"

namespace send {

namespace {

// The first kRecentReceiverLines lines of the file (missing ones empty).
std::vector<std::string> ReadLines(const std::string& path) {
  std::vector<std::string> lines;
  std::ifstream file(path, std::ios::binary);
  if (file) {
    std::ostringstream bytes;
    bytes << file.rdbuf();
    lines = maillib::SplitLines(bytes.str());
  }
  lines.resize(kRecentReceiverLines);
  return lines;
}

// Writes the lines (padded or cut to kRecentReceiverLines) to a temporary file beside the file
// and renames it over the file, so a failure half-way never leaves a cut list behind.
bool WriteLines(const std::string& path, std::vector<std::string> lines) {
  lines.resize(kRecentReceiverLines);
  const std::string temporary = path + ".tmp";
  {
    std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
    for (const std::string& line : lines)
      file << line << "\r\n";
    file.flush();
    if (!file) {
      std::remove(temporary.c_str());
      return false;
    }
  }
  if (std::rename(temporary.c_str(), path.c_str()) != 0) {
    std::remove(temporary.c_str());
    return false;
  }
  return true;
}

// The row a draft or a note is saved as: the page's fields as typed, the recipient field cut
// into its three parts, the time of the save.
store::MessageRecord RecordOfPage(const ComposeSnapshot& page) {
  store::MessageRecord record;
  record.sender = page.sender;
  const RecipientColumns columns = DraftColumns(page.recipientField);
  record.receiver = columns.receiver;
  record.mailcc = columns.mailcc;
  record.mailBcc = columns.mailBcc;
  record.sendDateTime = store::FormatDateTime(std::time(nullptr));
  record.content = maillib::Trim(page.bodyOuterHtml);
  if (page.attachmentBarShown) {
    std::string paths;
    for (const std::string& path : page.attachments)
      paths += path + "*";
    record.fuJianPath = maillib::Trim(paths);
  }
  record.mailSubject = page.subject;
  record.fujian = store::kWrittenHere;
  return record;
}

bool InsertPageRecord(store::Database& mail, const char* table, const store::MessageRecord& record,
                      std::string* error) {
  store::Query insert(mail);
  if (store::InsertMessageRecord(insert, table, record)) return true;
  if (error != nullptr) *error = insert.Error();
  return false;
}

}  // namespace

bool SaveDraft(store::Database& mail, const ComposeSnapshot& page, std::string* error) {
  store::MessageRecord record = RecordOfPage(page);
  record.messageKind = store::kind::kOutline;
  return InsertPageRecord(mail, "MailOutlineBox", record, error);
}

bool SaveNote(store::Database& mail, const ComposeSnapshot& page, const std::string& noteSender,
              std::string* error) {
  store::MessageRecord record = RecordOfPage(page);
  record.sender = noteSender;
  record.messageKind = store::kind::kNote;
  return InsertPageRecord(mail, "BianQianBox", record, error);
}

RecentReceivers::RecentReceivers(std::string filePath) : path_(std::move(filePath)) {}

std::vector<std::string> RecentReceivers::Load() const {
  std::vector<std::string> entries;
  for (const std::string& line : ReadLines(path_)) {
    if (!maillib::Trim(line).empty()) entries.push_back(line);
  }
  return entries;
}

std::vector<std::string> RecentReceivers::AfterSend(const std::vector<std::string>& dropDown,
                                                    const std::string& field) {
  const std::string text = maillib::Trim(field);
  // A field of blanks is no recipient: it never becomes an entry.
  if (text.empty()) return dropDown;
  std::vector<std::string> lines = ReadLines(path_);
  if (dropDown.empty()) {
    lines[0] = text;
    WriteLines(path_, lines);
    return {text};
  }
  if (text.find(',') != std::string::npos || text.find(kCcMarker) != std::string::npos ||
      text.find(kBccMarker) != std::string::npos)
    return dropDown;
  const std::size_t known = std::min(dropDown.size(), lines.size());
  for (std::size_t i = 0; i < known; ++i) {
    if (lines[i].find(text) != std::string::npos) return dropDown;
  }
  std::vector<std::string> entries{text};
  entries.insert(entries.end(), dropDown.begin(), dropDown.end());
  if (entries.size() > static_cast<std::size_t>(kRecentReceiverLines))
    entries.resize(kRecentReceiverLines);
  WriteLines(path_, entries);
  return entries;
}

void RecentReceivers::Clear() {
  WriteLines(path_, {});
}

std::string PrepareSend(const ComposeSnapshot& page, store::Database& accounts, SendState& state,
                        AttachmentRegistry& registry, SendJob* job, std::string* notice) {
  if (notice != nullptr) notice->clear();
  if (state.sending) return kSendRunning;
  if (maillib::Trim(page.recipientField).empty()) return kNoRecipient;
  SendJob filled;
  filled.senderAddress = page.sender;
  if (!page.sender.empty()) {
    store::Query query(accounts);
    accounts::AccountRow row;
    if (accounts::FindAccountByAddress(query, page.sender, &row)) {
      filled.password = row.password;
      filled.smtpServer = row.smtpServer;
      filled.nickname = maillib::Trim(row.nickname);
    } else if (!query.Error().empty()) {
      return kChooseAccount;
    }
  }
  // Entries left from an abandoned send would make the page's own files duplicates.
  registry.Clear();
  if (page.attachmentBarShown) {
    for (const std::string& path : page.attachments) {
      std::string message;
      const RegisterResult result = registry.Register(path, &message);
      if (result == RegisterResult::Missing) {
        registry.Clear();
        return message;
      }
      if (result == RegisterResult::Duplicate && notice != nullptr) *notice = message;
    }
  }
  filled.recipientField = page.recipientField;
  filled.subject = page.subject;
  filled.bodyHtml = maillib::Trim(page.bodyOuterHtml);
  filled.bodyText = page.bodyText;
  filled.pictureFiles = page.pictureFiles;
  filled.pictureFolders = page.pictureFolders;
  if (job != nullptr) *job = std::move(filled);
  return {};
}

}  // namespace send
