#include "receive/ReceiveRow.h"

#include "maillib/RapMsg.h"
#include "maillib/TextUtil.h"
#include "receive/ReceiveInfo.h"
#include "store/DateTimeText.h"

namespace receive {

namespace {

// One entry of a list ("\"Name\" <addr>") flattened to "Name <addr>;"; "" without "<".
std::string FlattenEntry(const std::string& entry) {
  const std::size_t lt = entry.find('<');
  if (lt == std::string::npos) return {};
  const std::size_t gt = entry.find('>', lt);
  const std::size_t end = gt == std::string::npos ? entry.size() : gt + 1;
  // "<>": the parser's form of an item that had no address; nothing to show or reply to.
  if (maillib::Trim(entry.substr(lt + 1, end - lt - 1)).find_first_not_of('>') ==
      std::string::npos) {
    return {};
  }
  const std::string name = maillib::RemoveAllChar(maillib::Trim(entry.substr(0, lt)), '"');
  std::string out = name;
  if (!name.empty()) out += ' ';
  out.append(entry, lt, end - lt);
  out += ';';
  return out;
}

// Plain text as HTML: the markup characters as entities, each line break as "<br>".
std::string PlainTextAsHtml(std::string_view text) {
  std::string out;
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n') continue;
    out += maillib::EscapeHtml(text.substr(start, i - start));
    out += "<br>";
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  out += maillib::EscapeHtml(text.substr(start));
  return out;
}

std::string OrNo(const std::string& text) {
  return text.empty() ? "no" : text;
}

}  // namespace

std::string GetBccStr(std::string_view list) {
  std::string out;
  for (const std::string& entry : maillib::SplitCommaText(list))
    out += FlattenEntry(entry);
  return out;
}

std::string StoredContent(const maillib::TRapMsg& msg) {
  const std::string html = maillib::Trim(maillib::JoinLines(msg.HtmlLines, "\n"));
  if (!html.empty()) return html;
  const std::string text = maillib::Trim(maillib::JoinLines(msg.Text, "\n"));
  if (!text.empty()) return PlainTextAsHtml(text);
  return kEmptyContent;
}

std::time_t MessageDate(const maillib::TRapMsg& msg) {
  // Parse gives a message without a Date header the start of 1980 already; 0 is a message
  // that was cleared and never parsed.
  return msg.Date == 0 ? StartOf1980() : msg.Date;
}

std::string SubFolderName(std::time_t now) {
  std::string name;
  for (const char c : store::FormatDateTime(now)) {
    if (c != ' ' && c != ':' && c != '-') name += c;
  }
  return name;
}

std::string RawMessageBytes(const maillib::TRapMsg& msg) {
  if (msg.RawLines.empty()) return {};
  // JoinLines reserves room for a separator after every line, so the last CRLF fits.
  std::string bytes = maillib::JoinLines(msg.RawLines, "\r\n");
  bytes += "\r\n";
  return bytes;
}

HistorysRow MakeHistorysRow(const maillib::TRapMsg& msg, const std::string& account,
                            const MessageFiles& files) {
  HistorysRow row;
  row.Sender = msg.From();
  row.Receiver = GetBccStr(msg.SendTo());
  row.SendDateTime = store::FormatDateTime(MessageDate(msg));
  row.Content = StoredContent(msg);
  row.FuJianPath = files.FuJianPath;
  row.AcceptFuJian = msg.MessageId;
  row.RefuseFuJIan = account;
  row.FilePath = files.FilePath;
  row.MailFolder = files.MailFolder;
  const std::string subject = msg.Subject();
  row.MailSubject = subject.empty() ? kNoSubject : subject;
  row.MailBcc = OrNo(msg.BCC());
  row.Mailcc = OrNo(GetBccStr(msg.CC()));
  return row;
}

}  // namespace receive
