#include "boxes/BoxRows.h"

#include <algorithm>

#include "app/Global.h"
#include "maillib/TextUtil.h"
#include "store/MessageRecord.h"
#include "store/Query.h"

namespace boxes {
namespace {

unsigned char FoldAz(unsigned char c) {
  return (c >= 'a' && c <= 'z') ? c - 'a' + 'A' : c;
}

// What a list row reads, in the order of kListFields; the body, the Message-ID and the rest
// stay in the table. The box tables' list indexes (store/Schema.cpp) hold exactly these columns.
enum ListField {
  kId,
  kSender,
  kReceiver,
  kSendDateTime,
  kMessageKind,
  kFuJianPath,
  kSubject,
  kLabel
};
constexpr std::string_view kListFields[] = {"ID",           "Sender",      "Receiver",
                                            "SendDateTime", "MessageKind", "FuJianPath",
                                            "MailSubject",  "biaoqian"};

// Whether the text holds anything but blanks and control bytes (a stored list of files).
bool HasNonBlank(std::string_view text) {
  return std::any_of(text.begin(), text.end(),
                     [](char c) { return static_cast<unsigned char>(c) > ' '; });
}

// The list row of a fill's row; recordIndex is its 1-based position.
BoxRow MakeBoxRow(const store::FieldRow& fields, Box box, int recordIndex) {
  BoxRow row;
  row.kind = maillib::Trim(fields.Text(kMessageKind));
  if (HasNonBlank(fields.Text(kFuJianPath))) row.attachment = RowImage::Clip;
  if (box == Box::Sent && row.kind == store::kind::kSendFailed) row.attachment = RowImage::Failed;
  row.mark = MarkImage(row.kind, fields.Text(kLabel));
  row.third = box == Box::Sent ? app::DisplayNames(fields.Text(kReceiver))
                               : app::ShownAddresses(fields.Text(kSender));
  row.subject = fields.Text(kSubject);
  row.time = fields.Text(kSendDateTime);
  row.id = fields.Int(kId);
  row.recordIndex = recordIndex;
  return row;
}

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

RowImage MarkImage(std::string_view kind, std::string_view label) {
  if (kind == store::kind::kUnread) return RowImage::Unread;
  if (label == "MarkRed") return RowImage::RedMark;
  if (label == "MarkBlue") return RowImage::BlueMark;
  return RowImage::None;
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
  std::string narrowed = "select ";
  for (const std::string_view field : kListFields) {
    if (field != kListFields[0]) narrowed += ", ";
    narrowed += field;
  }
  return narrowed + " from" + std::string(sql.substr(kAll.size()));
}

bool ReadBoxRows(store::Database& mail, Box box, std::string_view sql, std::vector<BoxRow>* rows,
                 std::string* error) {
  rows->clear();
  store::Query query(mail);
  query.AddLine(ListSql(sql));
  int n = 0;
  if (query.ReadRows(kListFields, [&](const store::FieldRow& fields) {
        rows->push_back(MakeBoxRow(fields, box, ++n));
      })) {
    return true;
  }
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
