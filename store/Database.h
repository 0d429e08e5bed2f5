// One SQLite connection per database file, with the lock that makes a series of statements
// one unit among the threads sharing the connection.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3;

namespace store {

// A query whose result is read row by row while its statement stays open. The connection
// asks it to read the rest of its rows before a statement that changes the database runs,
// so that an open result never sees a change made after it was opened half-way through.
class PendingResult {
 public:
  virtual void ReadToEnd() = 0;

 protected:
  ~PendingResult() = default;
};

class Database {
 public:
  // Opens the database file at path, creating an empty one (mode 0600) when it is missing.
  // Its folder must exist. A file that is not a database, cannot be read or written, or is
  // not a regular file yields nullptr and a plain error text beginning with the path; such
  // a file is left exactly as it was.
  static std::unique_ptr<Database> Open(const std::string& path, std::string* error);

  ~Database();
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  // Holds the connection for a series of statements; other threads wait. Recursive, so a
  // unit may call code that locks again.
  std::unique_lock<std::recursive_mutex> Lock() { return std::unique_lock(mutex_); }

  // Runs raw SQLite statements (several allowed, no Jet translation, no parameters).
  bool Execute(std::string_view sql, std::string* error);

  const std::string& Path() const { return path_; }

  // The path followed by what went wrong, for error texts.
  std::string ErrorText(std::string_view what) const;

  // For Query and Transaction: the raw connection and the bookkeeping around it. Callers
  // hold Lock() while they use these.
  sqlite3* Handle() const { return db_; }
  void AddPending(PendingResult* result);
  void RemovePending(PendingResult* result);
  void FinishPendingExcept(const PendingResult* keep);
  int& TransactionDepth() { return transactionDepth_; }

 private:
  Database(std::string path, sqlite3* db) : path_(std::move(path)), db_(db) {}
  bool Configure(std::string* error);
  bool RunRaw(std::string_view sql, std::string* message);

  std::string path_;
  sqlite3* db_;
  std::recursive_mutex mutex_;
  std::vector<PendingResult*> pending_;
  int transactionDepth_ = 0;
};

}  // namespace store
