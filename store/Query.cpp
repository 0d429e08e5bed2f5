#include "store/Query.h"

#include <sqlite3.h>

#include <cctype>
#include <climits>

#include "store/DateTimeText.h"
#include "store/FieldValue.h"
#include "store/JetSql.h"
#include "store/TextCase.h"

namespace store {

namespace {

// "k", ":k", ":K" all name the parameter "k".
std::string ParameterKey(std::string_view name) {
  if (!name.empty() && (name.front() == ':' || name.front() == '@' || name.front() == '$')) {
    name.remove_prefix(1);
  }
  return ToLowerAscii(name);
}

constexpr char kNoSuchColumn[] = "no such column: ";

bool OnlyBlanksOrSemicolons(const char* text) {
  for (; text != nullptr && *text != '\0'; ++text) {
    if (*text != ';' && !std::isspace(static_cast<unsigned char>(*text))) return false;
  }
  return true;
}

// Holds SQLite's own lock of the connection for a series of calls: the calls inside then only
// enter it again, which costs far less than taking it each time (a row read takes it once per
// row instead of three times per column).
class ConnectionHold {
 public:
  explicit ConnectionHold(sqlite3* db) : mutex_(sqlite3_db_mutex(db)) {
    sqlite3_mutex_enter(mutex_);
  }
  ~ConnectionHold() { sqlite3_mutex_leave(mutex_); }
  ConnectionHold(const ConnectionHold&) = delete;
  ConnectionHold& operator=(const ConnectionHold&) = delete;

 private:
  sqlite3_mutex* mutex_;
};

}  // namespace

std::string_view FieldRow::Text(std::size_t field) const {
  const int column = columns_[field];
  if (column < 0) return {};
  // The text of a BLOB is its bytes, as FieldText reads it.
  const unsigned char* text = sqlite3_column_text(statement_, column);
  if (text == nullptr) return {};
  return {reinterpret_cast<const char*>(text),
          static_cast<std::size_t>(sqlite3_column_bytes(statement_, column))};
}

std::int32_t FieldRow::Int(std::size_t field) const {
  return TextToInt(Text(field));
}

Query::Query(Database& database) : database_(database) {}

Query::~Query() {
  Close();
}

void Query::Close() {
  auto lock = database_.Lock();
  FinishStatement();
  rows_.Reset(nullptr);
  cursor_ = 0;
}

void Query::ClearSql() {
  auto lock = database_.Lock();
  Close();
  sql_.clear();
  parameters_.clear();
}

void Query::AddLine(std::string_view line) {
  auto lock = database_.Lock();
  Close();
  if (!sql_.empty()) sql_ += '\n';
  sql_ += line;
}

Query::Parameter& Query::ParameterFor(std::string_view name) {
  std::string key = ParameterKey(name);
  for (Parameter& parameter : parameters_) {
    if (parameter.name == key) return parameter;
  }
  parameters_.push_back(Parameter{std::move(key), false, 0, std::string()});
  return parameters_.back();
}

const Query::Parameter* Query::FindParameter(std::string_view name) const {
  const std::string key = ParameterKey(name);
  for (const Parameter& parameter : parameters_) {
    if (parameter.name == key) return &parameter;
  }
  return nullptr;
}

void Query::SetText(std::string_view name, std::string_view value) {
  auto lock = database_.Lock();
  Parameter& parameter = ParameterFor(name);
  parameter.isInt = false;
  parameter.text.assign(value);
}

void Query::SetInt(std::string_view name, std::int32_t value) {
  auto lock = database_.Lock();
  Parameter& parameter = ParameterFor(name);
  parameter.isInt = true;
  parameter.intValue = value;
  parameter.text.clear();
}

void Query::SetDateTime(std::string_view name, std::time_t value) {
  SetText(name, FormatDateTime(value));
}

bool Query::Fail(std::string_view what) {
  FinishStatement();
  rows_.Reset(nullptr);
  cursor_ = 0;
  error_ = database_.ErrorText(what);
  return false;
}

// Prepares the translated SQL text as exactly one statement and binds the parameters.
bool Query::Prepare() {
  Close();
  error_.clear();
  rowsAffected_ = 0;
  std::string sql = TranslateJet(sql_);
  const char* tail = nullptr;  // points into sql
  if (!Compile(&sql, &tail)) return false;
  if (statement_ == nullptr) return Fail("the statement is empty");
  if (!OnlyBlanksOrSemicolons(tail)) return Fail("only one statement may be run at a time");
  BindParameters();
  rows_.Reset(statement_);
  return true;
}

// A name that is no column but is the name of a parameter that was set becomes that
// parameter, as Jet reads it; each retry resolves one more name.
bool Query::Compile(std::string* sql, const char** tail) {
  sqlite3* db = database_.Handle();
  for (std::size_t tries = 0;; ++tries) {
    if (sqlite3_prepare_v2(db, sql->c_str(), static_cast<int>(sql->size()), &statement_, tail) ==
        SQLITE_OK) {
      return true;
    }
    const std::string message = sqlite3_errmsg(db);
    const std::string name = message.starts_with(kNoSuchColumn)
                                 ? message.substr(std::string_view(kNoSuchColumn).size())
                                 : std::string();
    if (name.empty() || FindParameter(name) == nullptr || tries >= parameters_.size()) {
      return Fail(message);
    }
    *sql = NameToParameter(*sql, name);
  }
}

void Query::BindParameters() {
  const int count = sqlite3_bind_parameter_count(statement_);
  for (int i = 1; i <= count; ++i) {
    const char* name = sqlite3_bind_parameter_name(statement_, i);
    const Parameter* parameter = name != nullptr ? FindParameter(name) : nullptr;
    if (parameter == nullptr) continue;  // unbound parameters are NULL
    if (parameter->isInt) {
      sqlite3_bind_int(statement_, i, parameter->intValue);
    } else {
      sqlite3_bind_text64(statement_, i, parameter->text.data(), parameter->text.size(),
                          SQLITE_TRANSIENT, SQLITE_UTF8);
    }
  }
}

bool Query::Open() {
  auto lock = database_.Lock();
  if (!Prepare()) return false;
  if (sqlite3_stmt_readonly(statement_) == 0) database_.FinishPendingExcept(this);
  database_.AddPending(this);
  cursor_ = 0;
  EnsureRow(0);
  return error_.empty();
}

bool Query::ReadRows(std::span<const std::string_view> names,
                     const std::function<void(const FieldRow&)>& visit) {
  auto lock = database_.Lock();
  if (!Prepare()) return false;
  if (sqlite3_stmt_readonly(statement_) == 0) database_.FinishPendingExcept(this);
  std::vector<int> columns;
  columns.reserve(names.size());
  for (const std::string_view name : names)
    columns.push_back(rows_.ColumnIndex(name));
  {
    const ConnectionHold hold(database_.Handle());
    const FieldRow row(statement_, columns);
    int rc = SQLITE_ROW;
    while ((rc = sqlite3_step(statement_)) == SQLITE_ROW)
      visit(row);
    if (rc != SQLITE_DONE) error_ = database_.ErrorText(sqlite3_errmsg(database_.Handle()));
  }
  Close();
  return error_.empty();
}

bool Query::ExecSql() {
  auto lock = database_.Lock();
  if (!Prepare()) return false;
  database_.FinishPendingExcept(this);
  int rc = SQLITE_ROW;
  while (rc == SQLITE_ROW)
    rc = sqlite3_step(statement_);
  if (rc != SQLITE_DONE) return Fail(sqlite3_errmsg(database_.Handle()));
  rowsAffected_ = sqlite3_changes(database_.Handle());
  lastInsertId_ = sqlite3_last_insert_rowid(database_.Handle());
  FinishStatement();
  return true;
}

// Reads one more row into the result; false at the end or on an error (kept in Error()).
bool Query::StepRow() {
  if (statement_ == nullptr) return false;
  const ConnectionHold hold(database_.Handle());
  const int rc = sqlite3_step(statement_);
  if (rc == SQLITE_ROW) {
    rows_.Append(statement_);
    return true;
  }
  if (rc != SQLITE_DONE) error_ = database_.ErrorText(sqlite3_errmsg(database_.Handle()));
  FinishStatement();
  return false;
}

bool Query::EnsureRow(int index) {
  while (rows_.Count() <= index && StepRow()) {
  }
  return index < rows_.Count();
}

void Query::FinishStatement() {
  if (statement_ == nullptr) return;
  sqlite3_finalize(statement_);
  statement_ = nullptr;
  database_.RemovePending(this);
}

void Query::ReadToEnd() {
  EnsureRow(INT_MAX);
}

void Query::First() {
  MoveTo(0);
}

void Query::Next() {
  auto lock = database_.Lock();
  if (cursor_ < rows_.Count()) ++cursor_;
  EnsureRow(cursor_);
}

bool Query::Eof() const {
  auto lock = database_.Lock();
  return cursor_ >= rows_.Count();
}

bool Query::MoveTo(int index) {
  auto lock = database_.Lock();
  if (index < 0) index = INT_MAX;
  cursor_ = EnsureRow(index) ? index : rows_.Count();
  return cursor_ < rows_.Count();
}

int Query::RecNo() const {
  auto lock = database_.Lock();
  return cursor_ < rows_.Count() ? cursor_ : -1;
}

int Query::RecordCount() {
  auto lock = database_.Lock();
  EnsureRow(INT_MAX);
  return rows_.Count();
}

int Query::CurrentColumn(std::string_view name) const {
  return cursor_ < rows_.Count() ? rows_.ColumnIndex(name) : -1;
}

std::string Query::FieldText(std::string_view name) const {
  auto lock = database_.Lock();
  const int column = CurrentColumn(name);
  return column < 0 ? std::string() : std::string(rows_.Text(cursor_, column));
}

std::int32_t Query::FieldInt(std::string_view name) const {
  auto lock = database_.Lock();
  const int column = CurrentColumn(name);
  return column < 0 ? 0 : TextToInt(rows_.Text(cursor_, column));
}

std::time_t Query::FieldDateTime(std::string_view name) const {
  auto lock = database_.Lock();
  const int column = CurrentColumn(name);
  std::time_t value = 0;
  if (column >= 0 && !ParseDateTime(rows_.Text(cursor_, column), &value)) value = 0;
  return value;
}

bool Query::FieldBool(std::string_view name) const {
  auto lock = database_.Lock();
  const int column = CurrentColumn(name);
  return column >= 0 && TextToBool(rows_.Text(cursor_, column));
}

bool Query::FieldIsNull(std::string_view name) const {
  auto lock = database_.Lock();
  const int column = CurrentColumn(name);
  return column < 0 || rows_.IsNull(cursor_, column);
}

bool Query::HasField(std::string_view name) const {
  auto lock = database_.Lock();
  return rows_.ColumnIndex(name) >= 0;
}

}  // namespace store
