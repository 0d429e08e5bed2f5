#include "boxes/DraftOpen.h"

#include "app/Global.h"
#include "boxes/StoredMessage.h"
#include "maillib/TextUtil.h"
#include "store/MessageRecord.h"

namespace boxes {

DraftRecord ReadDraftRecord(const store::MessageRecord& record) {
  DraftRecord d;
  d.mailcc = maillib::Trim(record.mailcc);
  d.mailBcc = maillib::Trim(record.mailBcc);
  d.sender = maillib::Trim(record.sender);
  d.mailSubject = maillib::Trim(record.mailSubject);
  d.filePath = maillib::Trim(record.filePath);
  d.fuJianPath = maillib::Trim(record.fuJianPath);
  d.refuseFujian = maillib::Trim(record.refuseFujian);
  d.fujian = maillib::Trim(record.fujian);
  d.receiver = record.receiver;
  d.content = record.content;
  return d;
}

std::string RecipientField(const std::string& receiver, const std::string& cc,
                           const std::string& bcc) {
  std::string field = receiver;
  if (cc != "no") field += "<抄送>" + cc;
  if (bcc != "no") field += "<密送>" + bcc;
  return field;
}

std::string AddPicPath(const std::string& html, const std::string& folder) {
  static constexpr std::string_view kSrc = "src=\"";
  std::string out;
  out.reserve(html.size());
  std::size_t from = 0;
  for (std::size_t at = html.find(kSrc); at != std::string::npos; at = html.find(kSrc, from)) {
    out.append(html, from, at + kSrc.size() - from);
    out += folder + "/";
    from = at + kSrc.size();
  }
  out.append(html, from, std::string::npos);
  return out;
}

DraftFields BuildDraftFields(const DraftRecord& draft, const std::string& mailFileFolder) {
  DraftFields f;
  f.body = app::AddLinkTargets(draft.content);
  if (!draft.filePath.empty() && draft.filePath != "NOHAVEExtractFile") {
    f.body = AddPicPath(f.body, mailFileFolder + draft.filePath);
  }
  for (const std::string& item : app::SplitStarList(draft.fuJianPath)) {
    f.attachments.push_back(AttachmentPath(item, draft.fujian, mailFileFolder));
  }
  f.recipients = RecipientField(draft.receiver, draft.mailcc, draft.mailBcc);
  f.subject = draft.mailSubject;
  f.sender = draft.fujian == "F" ? draft.sender : draft.refuseFujian;
  return f;
}

}  // namespace boxes
