// A unit of statements that takes effect entirely or not at all.
#pragma once

#include <mutex>
#include <string>

#include "store/Database.h"

namespace store {

// Holds the database lock for its whole life, so no other thread's statement runs inside the
// unit. The outermost Transaction begins with BEGIN IMMEDIATE; one created while another is
// active on the same database (the same thread, since the lock is held) becomes a SAVEPOINT
// inside it. Without Commit the destructor undoes the unit's changes.
class Transaction {
 public:
  explicit Transaction(Database& database);
  ~Transaction();
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;

  // False when the unit could not begin (Error() says why); Commit then fails too.
  bool Active() const { return active_; }
  bool Commit();
  const std::string& Error() const { return error_; }

 private:
  void Rollback();

  Database& database_;
  std::unique_lock<std::recursive_mutex> lock_;
  int depth_ = 0;  // 0 for the outermost unit
  bool active_ = false;
  std::string error_;
};

}  // namespace store
