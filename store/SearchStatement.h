// A prepared SQLite statement for the search index's own code, finalized at the end of its
// scope. No Qt here.
#pragma once

#include <sqlite3.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "store/Database.h"

namespace store {

class SearchStatement {
 public:
  SearchStatement(Database& database, const std::string& sql) {
    if (sqlite3_prepare_v2(database.Handle(), sql.c_str(), -1, &statement_, nullptr) != SQLITE_OK)
      statement_ = nullptr;
  }
  ~SearchStatement() { sqlite3_finalize(statement_); }
  SearchStatement(const SearchStatement&) = delete;
  SearchStatement& operator=(const SearchStatement&) = delete;

  bool Ready() const { return statement_ != nullptr; }
  void Reset() {
    sqlite3_reset(statement_);
    sqlite3_clear_bindings(statement_);
  }
  void Bind(int at, std::int64_t value) { sqlite3_bind_int64(statement_, at, value); }
  void Bind(int at, std::string_view text) {
    sqlite3_bind_text(statement_, at, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
  }
  // SQLITE_ROW, SQLITE_DONE or an error code.
  int Step() { return sqlite3_step(statement_); }
  bool Run() { return Step() == SQLITE_DONE; }
  // Resets, binds the one value and runs the statement.
  bool RunWith(std::int64_t value) {
    Reset();
    Bind(1, value);
    return Run();
  }
  std::int64_t Int(int column) const { return sqlite3_column_int64(statement_, column); }
  std::string Text(int column) const {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement_, column));
    return text == nullptr
               ? std::string()
               : std::string(text,
                             static_cast<std::size_t>(sqlite3_column_bytes(statement_, column)));
  }

 private:
  sqlite3_stmt* statement_ = nullptr;
};

}  // namespace store
