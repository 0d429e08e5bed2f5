#include "store/Transaction.h"

namespace store {

namespace {

std::string SavepointName(int depth) {
  return "unit" + std::to_string(depth);
}

}  // namespace

Transaction::Transaction(Database& database) : database_(database), lock_(database.Lock()) {
  depth_ = database_.TransactionDepth();
  const std::string begin =
      depth_ == 0 ? std::string("BEGIN IMMEDIATE") : "SAVEPOINT " + SavepointName(depth_);
  active_ = database_.Execute(begin, &error_);
  if (active_) ++database_.TransactionDepth();
}

Transaction::~Transaction() {
  if (active_) Rollback();
}

bool Transaction::Commit() {
  if (!active_) {
    if (error_.empty()) error_ = database_.ErrorText("the unit is not active");
    return false;
  }
  const std::string end = depth_ == 0 ? std::string("COMMIT") : "RELEASE " + SavepointName(depth_);
  if (!database_.Execute(end, &error_)) return false;  // the destructor rolls back
  active_ = false;
  --database_.TransactionDepth();
  return true;
}

void Transaction::Rollback() {
  std::string ignored;
  if (depth_ == 0) {
    database_.Execute("ROLLBACK", &ignored);
  } else {
    const std::string name = SavepointName(depth_);
    database_.Execute("ROLLBACK TO " + name + "; RELEASE " + name, &ignored);
  }
  active_ = false;
  --database_.TransactionDepth();
}

}  // namespace store
