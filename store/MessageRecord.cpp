#include "store/MessageRecord.h"

#include <ctime>

#include "store/DateTimeText.h"
#include "store/Query.h"

namespace store {
namespace {

constexpr MessageColumn kColumns[] = {{"ID", ColumnType::Counter},
                                      {"Sender", ColumnType::NameText},
                                      {"Receiver", ColumnType::NameText},
                                      {"Length", ColumnType::Integer},
                                      {"SendDateTime", ColumnType::DateTime},
                                      {"Content", ColumnType::Text},
                                      {"MessageKind", ColumnType::Text},
                                      {"FuJianPath", ColumnType::Text},
                                      {"AcceptFujian", ColumnType::Text},
                                      {"RefuseFujian", ColumnType::Text},
                                      {"FilePath", ColumnType::Text},
                                      {"Mailcc", ColumnType::NoText},
                                      {"MailBcc", ColumnType::NoText},
                                      {"MailSubject", ColumnType::NameText},
                                      {"Fujian", ColumnType::Text},
                                      {"biaoqian", ColumnType::Text},
                                      {"MailFolder", ColumnType::Text}};

// The text fields of a record in column order, from Sender on (Length and ID excepted).
template <typename Record, typename Visit>
void ForEachText(Record& r, Visit visit) {
  visit("Sender", r.sender);
  visit("Receiver", r.receiver);
  visit("SendDateTime", r.sendDateTime);
  visit("Content", r.content);
  visit("MessageKind", r.messageKind);
  visit("FuJianPath", r.fuJianPath);
  visit("AcceptFujian", r.acceptFujian);
  visit("RefuseFujian", r.refuseFujian);
  visit("FilePath", r.filePath);
  visit("Mailcc", r.mailcc);
  visit("MailBcc", r.mailBcc);
  visit("MailSubject", r.mailSubject);
  visit("Fujian", r.fujian);
  visit("biaoqian", r.biaoqian);
  visit("MailFolder", r.mailFolder);
}

std::string InsertStatement(std::string_view table, bool withLength) {
  std::string names, values;
  for (const MessageColumn& column : kColumns) {
    if (column.type == ColumnType::Counter) continue;
    if (column.type == ColumnType::Integer && !withLength) continue;
    if (!names.empty()) names += ",", values += ",";
    names += column.name;
    values += std::string(":") + column.name;
  }
  return "insert into " + std::string(table) + " (" + names + ") values(" + values + ")";
}

}  // namespace

std::span<const MessageColumn> MessageColumns() {
  return kColumns;
}

MessageRecord ReadMessageRecord(const Query& row) {
  MessageRecord record;
  record.id = row.FieldInt("ID");
  record.length = row.FieldInt("Length");  // an empty length reads as 0
  ForEachText(record,
              [&row](const char* name, std::string& field) { field = row.FieldText(name); });
  return record;
}

bool InsertMessageRecord(Query& insert, std::string_view table, const MessageRecord& record) {
  insert.ClearSql();
  insert.AddLine(InsertStatement(table, record.length.has_value()));
  if (record.length) insert.SetInt("Length", *record.length);
  ForEachText(record, [&insert](const char* name, const std::string& field) {
    insert.SetText(name, field);
  });
  // The date travels as a date-time; a text that is no date-time is copied as it stands rather
  // than turned into some fixed day.
  std::time_t when = 0;
  if (ParseDateTime(record.sendDateTime, &when)) insert.SetDateTime("SendDateTime", when);
  return insert.ExecSql();
}

}  // namespace store
