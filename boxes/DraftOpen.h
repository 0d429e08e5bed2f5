#pragma once
// Opening a draft for editing: the compose page's fields made from the stored draft row.

#include <string>
#include <vector>

namespace store {
struct MessageRecord;
}

namespace boxes {

struct DraftRecord {
  std::string mailcc;        // trimmed
  std::string mailBcc;       // trimmed
  std::string sender;        // trimmed
  std::string mailSubject;   // trimmed
  std::string filePath;      // trimmed
  std::string fuJianPath;    // trimmed
  std::string refuseFujian;  // trimmed
  std::string fujian;        // trimmed
  std::string receiver;      // as stored
  std::string content;       // as stored
};

DraftRecord ReadDraftRecord(const store::MessageRecord& record);

struct DraftFields {
  std::string recipients;  // To, then "<抄送>" Cc, then "<密送>" Bcc
  std::string subject;
  std::string sender;                    // the sender selector's text
  std::string body;                      // editor HTML
  std::vector<std::string> attachments;  // full paths
};

// The recipient field: receiver, then "<抄送>" + cc unless cc is "no", then "<密送>" + bcc
// unless bcc is "no".
std::string RecipientField(const std::string& receiver, const std::string& cc,
                           const std::string& bcc);

// Inserts folder + "/" right after every src=" of the HTML, so the pictures of a message's
// own sub-folder resolve wherever the HTML is shown.
std::string AddPicPath(const std::string& html, const std::string& folder);

DraftFields BuildDraftFields(const DraftRecord& draft, const std::string& mailFileFolder);

}  // namespace boxes
