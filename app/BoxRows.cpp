#include "app/BoxRows.h"

#include "app/Global.h"
#include "maillib/TextUtil.h"
#include "store/Query.h"

namespace app {

bool RunBoxQuery(store::Query& query, const std::string& sql, std::string* error) {
  query.Close();
  query.ClearSql();
  query.AddLine(sql);
  if (query.Open()) return true;
  *error = query.Error();
  return false;
}

RowImage MarkImage(const std::string& kind, const std::string& label) {
  if (kind == "MailUn") return RowImage::Unread;
  if (label == "MarkRed") return RowImage::RedMark;
  if (label == "MarkBlue") return RowImage::BlueMark;
  return RowImage::None;
}

BoxRow MakeBoxRow(const store::Query& query, Box box, int recordIndex) {
  BoxRow row;
  row.kind = maillib::Trim(query.FieldText("MessageKind"));
  if (!maillib::Trim(query.FieldText("FuJianPath")).empty()) row.attachment = RowImage::Clip;
  if (box == Box::Sent && row.kind == "MailSendFail") row.attachment = RowImage::Failed;
  row.mark = MarkImage(row.kind, query.FieldText("biaoqian"));
  row.third =
      box == Box::Sent ? DisplayNames(query.FieldText("Receiver")) : query.FieldText("Sender");
  row.subject = query.FieldText("MailSubject");
  row.time = query.FieldText("SendDateTime");
  row.id = query.FieldInt("ID");
  row.recordIndex = recordIndex;
  return row;
}

std::vector<BoxRow> ReadBoxRows(store::Query& query, Box box) {
  std::vector<BoxRow> rows;
  query.First();
  for (int n = 1; !query.Eof(); ++n) {
    rows.push_back(MakeBoxRow(query, box, n));
    query.Next();
  }
  return rows;
}

std::string ReadBodyAt(store::Query& query, int recordIndex) {
  const int saved = query.RecNo();
  std::string body;
  if (recordIndex >= 1 && query.MoveTo(recordIndex - 1)) body = query.FieldText("Content");
  query.MoveTo(saved);
  return body;
}

}  // namespace app
