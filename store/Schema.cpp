#include "store/Schema.h"

#include <string_view>
#include <vector>

#include "store/JetSql.h"
#include "store/MessageRecord.h"
#include "store/Query.h"
#include "store/SearchIndex.h"
#include "store/TextCase.h"
#include "store/Transaction.h"

namespace store {

namespace {

struct Column {
  const char* name;
  const char* definition;
};

struct Table {
  const char* name;
  std::vector<Column> columns;
};

constexpr const char* kCounter = "INTEGER PRIMARY KEY AUTOINCREMENT";
constexpr const char* kText = "TEXT DEFAULT ''";
constexpr const char* kNameText = "TEXT COLLATE NOCASE DEFAULT ''";
constexpr const char* kNewAccountDate = "TEXT DEFAULT '1989-1-14 16:04:48'";
constexpr const char* kZeroText = "TEXT DEFAULT '0'";
constexpr const char* kBoxTables[] = {"Historys",       "MailSendBox",   "MailWaitDoBox",
                                      "MailOutlineBox", "MailBackupBox", "MailDelBox",
                                      "BianQianBox"};

const char* DefinitionOf(ColumnType type) {
  switch (type) {
    case ColumnType::Counter:
      return kCounter;
    case ColumnType::NameText:
      return kNameText;
    case ColumnType::Integer:
      return "INTEGER";
    case ColumnType::DateTime:
      return "TEXT";
    case ColumnType::NoText:
      return "TEXT DEFAULT 'no'";
    case ColumnType::Text:
      break;
  }
  return kText;
}

// A box table: the message record's columns.
Table BoxTable(const char* name) {
  Table table{name, {}};
  for (const MessageColumn& column : MessageColumns())
    table.columns.push_back({column.name, DefinitionOf(column.type)});
  return table;
}

std::string ColumnList(const Table& table) {
  std::string list;
  for (const Column& column : table.columns) {
    if (!list.empty()) list += ", ";
    list += std::string("\"") + column.name + "\" " + column.definition;
  }
  return list;
}

// Columns of an existing table that an older file lacks are added (a counter cannot be).
bool AddMissingColumns(Database& database, const Table& table, std::string* error) {
  Query query(database);
  query.AddLine(std::string("PRAGMA table_info(\"") + table.name + "\")");
  if (!query.Open()) return *error = query.Error(), false;
  std::vector<std::string> present;
  for (; !query.Eof(); query.Next())
    present.push_back(query.FieldText("name"));
  for (const Column& column : table.columns) {
    bool found = false;
    for (const std::string& name : present)
      found = found || EqualsNoCase(name, column.name);
    if (found || std::string_view(column.definition) == kCounter) continue;
    const std::string sql = std::string("ALTER TABLE \"") + table.name + "\" ADD COLUMN \"" +
                            column.name + "\" " + column.definition;
    if (!database.Execute(sql, error)) return false;
  }
  return true;
}

bool EnsureTable(Database& database, const Table& table, std::string* error) {
  const std::string sql =
      std::string("CREATE TABLE IF NOT EXISTS \"") + table.name + "\" (" + ColumnList(table) + ")";
  return database.Execute(sql, error) && AddMissingColumns(database, table, error);
}

struct Index {
  std::string name;
  std::string table;
  std::string columns;
  bool unique = false;
};

bool EnsureIndex(Database& database, const Index& index, std::string* error) {
  return database.Execute(std::string(index.unique ? "CREATE UNIQUE INDEX" : "CREATE INDEX") +
                              " IF NOT EXISTS \"" + index.name + "\" ON \"" + index.table + "\" (" +
                              index.columns + ")",
                          error);
}

// What a box list reads of every row, in two indexes per box table: one led by the date (the
// open of a box whose list shows two kinds, "kind A or kind B order by SendDateTime") and one
// led by the kind (a box of one kind, and the move statements that look rows up by kind). A
// fill then walks one of them alone, and never steps through the table, where each row's body
// (Content, stored before the later list columns) lies on overflow pages. The rowid (ID) is
// part of every index entry. They replace the narrow date and kind indexes of older files.
constexpr const char* kListColumns = "Sender, Receiver, FuJianPath, MailSubject, biaoqian";

std::string BoxIndexName(const char* box, const char* what) {
  return std::string(box) + "_" + what;
}

// Fixed planner statistics for the box indexes: a box table holds almost only rows of its
// own kinds. With them SQLite walks the date-led index in order for "kind A or kind B order
// by SendDateTime" instead of collecting the rows by kind and sorting them, and uses the
// kind-led index for one kind.
std::vector<std::string> BoxStatistics() {
  std::vector<std::string> statements = {"ANALYZE sqlite_schema"};  // creates sqlite_stat1
  for (const char* box : kBoxTables) {
    const std::string table = QuoteText(box);
    for (const char* old : {"date", "kind_date"})
      statements.push_back("DROP INDEX IF EXISTS \"" + BoxIndexName(box, old) + "\"");
    statements.push_back("DELETE FROM sqlite_stat1 WHERE tbl = " + table);
    statements.push_back("INSERT INTO sqlite_stat1 VALUES (" + table + ", " +
                         QuoteText(BoxIndexName(box, "kind_list")) +
                         ", '1000000 500000 1 1 1 1 1 1'), (" + table + ", " +
                         QuoteText(BoxIndexName(box, "list")) + ", '1000000 1 1 1 1 1 1 1')");
  }
  statements.push_back("ANALYZE sqlite_schema");  // loads them into this connection
  return statements;
}

// Creates the tables and indexes and runs the further statements (statistics, initial rows),
// as one unit.
bool EnsureAll(Database& database, const std::vector<Table>& tables,
               const std::vector<Index>& indexes, const std::vector<std::string>& statements,
               std::string* error) {
  Transaction unit(database);
  if (!unit.Active()) return *error = unit.Error(), false;
  for (const Table& table : tables) {
    if (!EnsureTable(database, table, error)) return false;
  }
  for (const Index& index : indexes) {
    if (!EnsureIndex(database, index, error)) return false;
  }
  for (const std::string& sql : statements) {
    if (!database.Execute(sql, error)) return false;
  }
  if (!unit.Commit()) return *error = unit.Error(), false;
  return true;
}

std::string RenameRow() {
  std::string values = QuoteText("zgq");
  for (const char* name : kDefaultGroupNames)
    values += ", " + QuoteText(name);
  return "INSERT INTO Rename (id, fz1, fz2, fz3, fz4, fz5) SELECT " + values +
         " WHERE NOT EXISTS (SELECT 1 FROM Rename WHERE id = 'zgq')";
}

bool HasTable(Database& database, const char* name) {
  Query query(database);
  query.AddLine("SELECT name FROM sqlite_schema WHERE type = 'table' AND name = :name");
  query.SetText("name", name);
  return query.Open() && !query.Eof();
}

// The built-in quick replies of a new table, so that a new user's menu is not empty. A table
// the user has emptied stays empty (and one with rows is never added to).
std::string QuickReplyRows() {
  std::string rows;
  for (const QuickReplyRow& row : kBuiltInQuickReplies) {
    if (!rows.empty()) rows += " UNION ALL ";
    rows += "SELECT " + QuoteText(row.subject) + " AS s, " + QuoteText(row.content) + " AS c";
  }
  return "INSERT INTO kuaihuifu (Subject, content) SELECT s, c FROM (" + rows +
         ") WHERE NOT EXISTS (SELECT 1 FROM kuaihuifu)";
}

}  // namespace

bool EnsureMailSchema(Database& database, std::string* error) {
  std::vector<Table> tables;
  std::vector<Index> indexes;
  for (const char* box : kBoxTables) {
    tables.push_back(BoxTable(box));
    indexes.push_back({BoxIndexName(box, "kind_list"), box,
                       std::string("MessageKind, SendDateTime, ") + kListColumns});
    indexes.push_back({BoxIndexName(box, "list"), box,
                       std::string("SendDateTime, MessageKind, ") + kListColumns});
  }
  // A receive looks up the Message-ID of every fetched message, so a receive cut short is
  // not stored twice when it runs again.
  indexes.push_back({"Historys_message_id", "Historys", "AcceptFuJian"});
  tables.push_back({"Friend",
                    {{"ID", kCounter},
                     {"QXHaoMa", kNameText},
                     {"NiCheng", kNameText},
                     {"GroupName", kText},
                     {"BeiZhu", kText}}});
  tables.push_back({"Rename",
                    {{"id", kText},
                     {"fz1", kText},
                     {"fz2", kText},
                     {"fz3", kText},
                     {"fz4", kText},
                     {"fz5", kText}}});
  tables.push_back({"kuaihuifu", {{"ID", kCounter}, {"Subject", kNameText}, {"content", kText}}});
  indexes.push_back({"Friend_address", "Friend", "QXHaoMa"});
  indexes.push_back({"Friend_group", "Friend", "GroupName"});
  indexes.push_back({"kuaihuifu_subject", "kuaihuifu", "Subject"});
  // The ledger of the server's unique ids (store/UidlLedger.h): one row per account and id.
  tables.push_back(
      {"UidlLedger", {{"MailAccount", kNameText}, {"Uidl", kText}, {"StoredAt", "TEXT"}}});
  indexes.push_back({"UidlLedger_account_uidl", "UidlLedger", "MailAccount, Uidl", true});
  std::vector<std::string> statements = BoxStatistics();
  statements.push_back(RenameRow());
  if (!HasTable(database, "kuaihuifu")) statements.push_back(QuickReplyRows());
  for (std::string& sql : SearchSchemaStatements())
    statements.push_back(std::move(sql));
  return EnsureAll(database, tables, indexes, statements, error);
}

bool EnsureAccountSchema(Database& database, std::string* error) {
  const std::vector<Table> tables = {{"MailAcc",
                                      {{"ID", kCounter},
                                       {"MailAccount", kNameText},
                                       {"PasswordPw", kText},
                                       {"popServer", kText},
                                       {"smtpServer", kText},
                                       {"Mail_Date", kNewAccountDate},
                                       {"Delect_Mail", kText},
                                       {"AutoRecTime", kZeroText},
                                       {"NiCheng", kNameText},
                                       {"TypeTag", kText}}},
                                     {"MailAccCheck",
                                      {{"ID", kCounter},
                                       {"MailAccount", kNameText},
                                       {"Password", kText},
                                       {"popServer", kText},
                                       {"smtpServer", kText},
                                       {"Mail_Date", kNewAccountDate},
                                       {"AutoRecTime", kZeroText},
                                       {"TypeTag", kText},
                                       {"TemMailCount", kText}}},
                                     {"PersonalSet",
                                      {{"ID", kCounter},
                                       {"IsPlaySound", kText},
                                       {"IsAutoRecMail", kText},
                                       {"SetPassword", kText},
                                       {"PasswordPWsys", kText}}}};
  const std::string personalRow =
      "INSERT INTO PersonalSet (IsPlaySound, IsAutoRecMail, SetPassword, PasswordPWsys) "
      "SELECT 'y', 'n', 'False', 'No' WHERE NOT EXISTS (SELECT 1 FROM PersonalSet)";
  const std::vector<Index> indexes = {{"MailAcc_account", "MailAcc", "MailAccount"},
                                      {"MailAccCheck_account", "MailAccCheck", "MailAccount"}};
  return EnsureAll(database, tables, indexes, {personalRow}, error);
}

bool EnsureToolsSchema(Database& database, std::string* error) {
  const std::vector<Table> tables = {{"eventtip",
                                      {{"ID", kCounter},
                                       {"date", "TEXT"},
                                       {"timeH", kText},
                                       {"timeM", kText},
                                       {"tipfrequency", kText},
                                       {"tagshow", kZeroText},
                                       {"pagekey", kText},
                                       {"content", kText}}}};
  return EnsureAll(database, tables, {}, {}, error);
}

}  // namespace store
