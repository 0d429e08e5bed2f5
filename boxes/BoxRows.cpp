#include "boxes/BoxRows.h"

#include <algorithm>

#include "app/Global.h"
#include "store/MessageRecord.h"
#include "store/Query.h"

namespace boxes {
namespace {

unsigned char FoldAz(unsigned char c) {
  return (c >= 'a' && c <= 'z') ? c - 'a' + 'A' : c;
}

// What a list row reads; the body, the Message-ID and the rest stay in the table.
constexpr std::string_view kListColumns =
    "ID, Sender, Receiver, SendDateTime, MessageKind, FuJianPath, MailSubject, biaoqian";

}  // namespace

bool LessFoldingAz(std::string_view a, std::string_view b) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    const unsigned char x = FoldAz(static_cast<unsigned char>(a[i]));
    const unsigned char y = FoldAz(static_cast<unsigned char>(b[i]));
    if (x != y) return x < y;
  }
  return a.size() < b.size();
}

RowImage MarkImage(const std::string& kind, const std::string& label) {
  if (kind == store::kind::kUnread) return RowImage::Unread;
  if (label == "MarkRed") return RowImage::RedMark;
  if (label == "MarkBlue") return RowImage::BlueMark;
  return RowImage::None;
}

BoxRow MakeBoxRow(const store::Query& query, Box box, int recordIndex) {
  BoxRow row;
  row.kind = store::TrimmedMarker(query.FieldText("MessageKind"));
  if (!store::TrimmedMarker(query.FieldText("FuJianPath")).empty()) row.attachment = RowImage::Clip;
  if (box == Box::Sent && row.kind == store::kind::kSendFailed) row.attachment = RowImage::Failed;
  row.mark = MarkImage(row.kind, query.FieldText("biaoqian"));
  row.third = box == Box::Sent ? app::DisplayNames(query.FieldText("Receiver"))
                               : app::ShownAddresses(query.FieldText("Sender"));
  row.subject = query.FieldText("MailSubject");
  row.time = query.FieldText("SendDateTime");
  row.id = query.FieldInt("ID");
  row.recordIndex = recordIndex;
  return row;
}

std::string ListSql(std::string_view sql) {
  constexpr std::string_view kAll = "select * from";
  if (sql.size() < kAll.size() ||
      !std::equal(kAll.begin(), kAll.end(), sql.begin(), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) ==
               std::tolower(static_cast<unsigned char>(b));
      })) {
    return std::string(sql);
  }
  return "select " + std::string(kListColumns) + " from" + std::string(sql.substr(kAll.size()));
}

bool ReadBoxRows(store::Database& mail, Box box, std::string_view sql, std::vector<BoxRow>* rows,
                 std::string* error) {
  rows->clear();
  store::Query query(mail);
  query.AddLine(ListSql(sql));
  if (!query.Open()) {
    *error = query.Error();
    return false;
  }
  for (int n = 1; !query.Eof(); ++n, query.Next())
    rows->push_back(MakeBoxRow(query, box, n));
  if (query.Error().empty()) return true;
  // A read that broke off half-way must not pass for the whole box.
  *error = query.Error();
  rows->clear();
  return false;
}

bool ReadRecordById(store::Database& mail, Box box, int id, store::MessageRecord* record,
                    std::string* error) {
  store::Query query(mail);
  query.AddLine("select * from  " + std::string(InfoOf(box).table) + " ");
  query.AddLine("where ID =:k");
  query.SetInt("k", id);
  if (!query.Open()) {
    *error = query.Error();
    return false;
  }
  if (query.Eof()) return false;
  *record = store::ReadMessageRecord(query);
  return true;
}

std::string ReadBodyById(store::Database& mail, Box box, int id) {
  store::Query query(mail);
  query.AddLine("select Content from " + std::string(InfoOf(box).table) + " where ID =:k");
  query.SetInt("k", id);
  return query.Open() && !query.Eof() ? query.FieldText("Content") : std::string();
}

}  // namespace boxes
