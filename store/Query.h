// The query protocol: one object reused for many statements. Close, clear the SQL, add the
// statement line by line, set named parameters, then Open (rows) or ExecSql (changes), walk
// the rows and read fields by name.
#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "store/Database.h"
#include "store/ResultRows.h"

struct sqlite3_stmt;

namespace store {

// One row of a walk with Query::ReadRows: the fields asked for, by their place in the list of
// names given. Valid only while the visitor runs.
class FieldRow {
 public:
  // The value as text (numbers in decimal, as FieldText reads them); "" for NULL and for a name
  // the statement has no column of. The text stays valid until the visitor returns.
  std::string_view Text(std::size_t field) const;
  std::int32_t Int(std::size_t field) const;  // see TextToInt

 private:
  friend class Query;
  FieldRow(sqlite3_stmt* statement, std::span<const int> columns)
      : statement_(statement), columns_(columns) {}
  sqlite3_stmt* statement_;
  std::span<const int> columns_;
};

// Statements are written in the Jet dialect (see TranslateJet). Parameter names are matched
// without regard to letter case and may be given with or without the leading colon; a
// parameter the statement uses but nobody set is NULL, and setting a name the statement does
// not use is harmless. Parameters keep their values over Close and Open; ClearSql drops them.
//
// The result of Open is read from the database lazily and kept, so the cursor can move back
// (First, MoveTo). Before any statement that changes the database runs on the same connection,
// every other open result reads its remaining rows: an open result is a snapshot of the moment
// it was opened, never a mix of before and after.
//
// A Query is used by one thread at a time; several Query objects on different threads may share
// one Database. Every operation holds the Database lock while it runs. The Query must not
// outlive its Database.
class Query : private PendingResult {
 public:
  explicit Query(Database& database);
  ~Query();
  Query(const Query&) = delete;
  Query& operator=(const Query&) = delete;

  Database& GetDatabase() const { return database_; }

  // Ends the open statement and drops its result. SQL text and parameters stay.
  void Close();
  // Closes and empties the SQL text and the parameters.
  void ClearSql();
  // Closes and appends one line to the SQL text (lines are joined with "\n").
  void AddLine(std::string_view line);
  const std::string& Sql() const { return sql_; }

  void SetText(std::string_view name, std::string_view value);
  void SetInt(std::string_view name, std::int32_t value);
  // Bound as the date-time text of FormatDateTime.
  void SetDateTime(std::string_view name, std::time_t value);

  // Runs a statement that returns rows and moves to the first one. On failure returns false,
  // Error() says why and the query is at its end (Eof).
  bool Open();
  // Runs a statement that returns rows and hands each row in turn to visit, with the fields of
  // these names (any letter case), keeping none of them: for reading many rows once, as a list
  // fill does, without a copy of the whole result. The walk holds the Database lock from start
  // to end, so it reads the database as it was when it began; visit must not change the
  // database. False with Error() set when the statement fails, before or during the walk (the
  // rows visited until then stay visited). The query is closed when it returns.
  bool ReadRows(std::span<const std::string_view> names,
                const std::function<void(const FieldRow&)>& visit);
  // Runs a statement that changes data (insert, update, delete). On failure returns false and
  // Error() says why.
  bool ExecSql();
  // The reason of the last failure, beginning with the database path; empty after a success.
  const std::string& Error() const { return error_; }
  // Rows changed by the last ExecSql, and the ID given to the row it inserted last.
  int RowsAffected() const { return rowsAffected_; }
  std::int64_t LastInsertId() const { return lastInsertId_; }

  void First();
  void Next();
  bool Eof() const;
  // Moves to the row at this 0-based position ("first, then index rows further"). Returns
  // false and leaves the query at its end when there is no such row.
  bool MoveTo(int index);
  // The 0-based position of the current row; -1 at the end.
  int RecNo() const;
  // Number of rows of the result (reads all of them; the current row stays).
  int RecordCount();

  // Fields of the current row by column name in any letter case. An unknown name, or no
  // current row, reads as NULL: "", 0, false.
  std::string FieldText(std::string_view name) const;      // NULL → "", numbers as decimal text
  std::int32_t FieldInt(std::string_view name) const;      // see TextToInt
  std::time_t FieldDateTime(std::string_view name) const;  // see ParseDateTime; else 0
  bool FieldBool(std::string_view name) const;             // see TextToBool
  bool FieldIsNull(std::string_view name) const;
  // Whether the open statement has a column of this name.
  bool HasField(std::string_view name) const;

 private:
  struct Parameter {
    std::string name;  // lower case, without the colon
    bool isInt = false;
    std::int32_t intValue = 0;
    std::string text;
  };

  void ReadToEnd() override;
  Parameter& ParameterFor(std::string_view name);
  const Parameter* FindParameter(std::string_view name) const;
  bool Prepare();
  bool Compile(std::string* sql, const char** tail);
  void BindParameters();
  bool Fail(std::string_view what);
  bool StepRow();
  bool EnsureRow(int index);
  void FinishStatement();
  // The column of name when there is a current row, else -1.
  int CurrentColumn(std::string_view name) const;

  Database& database_;
  std::string sql_;
  std::vector<Parameter> parameters_;
  sqlite3_stmt* statement_ = nullptr;
  ResultRows rows_;
  int cursor_ = 0;
  std::string error_;
  int rowsAffected_ = 0;
  std::int64_t lastInsertId_ = 0;
};

}  // namespace store
