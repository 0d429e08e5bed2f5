#include "store/Database.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

namespace store {

namespace {

constexpr int kBusyTimeoutMs = 5000;
constexpr char kSqliteMagic[16] = "SQLite format 3";  // 15 letters and the NUL of the header.

std::string SystemError(int code) {
  return std::strerror(code);
}

// A non-empty file must start with the SQLite header. Checked before SQLite sees the file, so
// a foreign file (a text file put there by mistake) is refused before anything could be
// written into it or beside it.
bool HasDatabaseHeader(const std::string& path, std::string* what) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    *what = "cannot be read: " + SystemError(errno);
    return false;
  }
  char header[sizeof kSqliteMagic] = {};
  const ssize_t got = ::read(fd, header, sizeof header);
  ::close(fd);
  if (got != static_cast<ssize_t>(sizeof header) ||
      std::memcmp(header, kSqliteMagic, sizeof header) != 0) {
    *what = "is not a database file";
    return false;
  }
  return true;
}

bool CreateEmptyFile(const std::string& path, std::string* what) {
  const std::filesystem::path parent = std::filesystem::path(path).parent_path();
  std::error_code ec;
  if (!parent.empty() && !std::filesystem::is_directory(parent, ec)) {
    *what = "its folder " + parent.string() + " does not exist";
    return false;
  }
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0 && errno != EEXIST) {
    *what = "cannot be created: " + SystemError(errno);
    return false;
  }
  if (fd >= 0) ::close(fd);
  return true;
}

// Makes sure path names a regular file SQLite may open without harming anything.
bool CheckOrCreateFile(const std::string& path, std::string* what) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) {
    if (errno == ENOENT) return CreateEmptyFile(path, what);
    *what = "cannot be reached: " + SystemError(errno);
    return false;
  }
  if (S_ISDIR(info.st_mode)) {
    *what = "is a folder, not a database file";
    return false;
  }
  if (!S_ISREG(info.st_mode)) {
    *what = "is not a regular file";
    return false;
  }
  if (::access(path.c_str(), R_OK | W_OK) != 0) {
    *what = "cannot be read and written: " + SystemError(errno);
    return false;
  }
  return info.st_size == 0 || HasDatabaseHeader(path, what);
}

void SetError(std::string* error, std::string text) {
  if (error != nullptr) *error = std::move(text);
}

}  // namespace

std::unique_ptr<Database> Database::Open(const std::string& path, std::string* error) {
  std::string what;
  if (!CheckOrCreateFile(path, &what)) {
    SetError(error, path + ": " + what);
    return nullptr;
  }
  sqlite3* db = nullptr;
  const int rc =
      sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_FULLMUTEX, nullptr);
  if (rc != SQLITE_OK) {
    SetError(error, path + ": cannot be opened: " +
                        (db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(rc)));
    sqlite3_close(db);
    return nullptr;
  }
  std::unique_ptr<Database> database(new Database(path, db));
  if (!database->Configure(error)) return nullptr;
  return database;
}

Database::~Database() {
  auto lock = Lock();
  sqlite3_close_v2(db_);
}

// Reads the schema first (fails on a damaged or foreign file before anything is written),
// then switches to WAL. synchronous=FULL syncs the log at every commit: a message counts as
// stored (and may be deleted from the server) only once it survives a power loss.
bool Database::Configure(std::string* error) {
  sqlite3_extended_result_codes(db_, 1);
  sqlite3_busy_timeout(db_, kBusyTimeoutMs);
  std::string message;
  if (!RunRaw("PRAGMA schema_version", &message)) {
    SetError(error, ErrorText("is not a usable database (" + message + ")"));
    return false;
  }
  if (sqlite3_db_readonly(db_, "main") == 1) {
    SetError(error, ErrorText("can only be read, not written"));
    return false;
  }
  if (!Execute("PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL", error)) return false;
  return true;
}

bool Database::Execute(std::string_view sql, std::string* error) {
  std::string message;
  if (RunRaw(sql, &message)) return true;
  SetError(error, ErrorText(message));
  return false;
}

bool Database::RunRaw(std::string_view sql, std::string* message) {
  auto lock = Lock();
  FinishPendingExcept(nullptr);
  const std::string text(sql);
  char* raw = nullptr;
  if (sqlite3_exec(db_, text.c_str(), nullptr, nullptr, &raw) == SQLITE_OK) return true;
  *message = raw != nullptr ? raw : sqlite3_errmsg(db_);
  sqlite3_free(raw);
  return false;
}

std::string Database::ErrorText(std::string_view what) const {
  std::string text = path_;
  text += ": ";
  text += what;
  return text;
}

void Database::AddPending(PendingResult* result) {
  if (std::find(pending_.begin(), pending_.end(), result) == pending_.end()) {
    pending_.push_back(result);
  }
}

void Database::RemovePending(PendingResult* result) {
  pending_.erase(std::remove(pending_.begin(), pending_.end(), result), pending_.end());
}

void Database::FinishPendingExcept(const PendingResult* keep) {
  const std::vector<PendingResult*> open = pending_;
  for (PendingResult* result : open) {
    if (result != keep) result->ReadToEnd();
  }
}

}  // namespace store
