#pragma once
// How the box windows reach the mail database: the program opens it after its windows exist,
// so they ask for it each time; null until it is open.

#include <functional>

namespace store {
class Database;
}

namespace boxes {

using MailDatabase = std::function<store::Database*()>;

}  // namespace boxes
