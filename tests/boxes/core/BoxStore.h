// A program folder with its mail database for the tests of the moves and purges: message rows
// as the box tables hold them, rows read back column by column, and a trash that records every
// folder it is handed.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <system_error>
#include <vector>

#include "boxes/BoxMoves.h"
#include "store/DataFiles.h"
#include "store/MessageRecord.h"
#include "store/Query.h"
#include "store/Stores.h"
#include "tests/store/MailStore.h"
#include "tests/store/TempFolder.h"

namespace boxes_test {

// A row of a box table: column name to its text, ID included.
using Row = std::map<std::string, std::string>;

// A received message with every column filled and no Length (received mail has none).
inline store::MessageRecord ReceivedRecord(const std::string& kind, const std::string& subject) {
  store::MessageRecord r;
  r.sender = "张三 <z@a.cn>";
  r.receiver = "me@x.cn;";
  r.sendDateTime = "2024-03-05 10:00:00";
  r.content = "<P>正文 " + subject + "</P>";
  r.messageKind = kind;
  r.fuJianPath = "/20240305100000/附件.doc*";
  r.acceptFujian = "<" + subject + "@mail.x.cn>";
  r.refuseFujian = "me@x.cn";
  r.filePath = store::kNoExtractFile;
  r.mailSubject = subject;
  r.fujian = store::kReceivedMail;
  r.biaoqian = "MarkRed";
  r.mailFolder = "/20240305100000";
  return r;
}

// Stands in for the desktop trash: moves each folder it is handed into a folder of its own and
// records it, so a test sees exactly which folders went. Only a folder below the program folder
// is moved; anything else is recorded and refused, so a fault cannot take files from elsewhere
// on the disk.
class RecordingTrash {
 public:
  explicit RecordingTrash(std::string programFolder) : programFolder_(std::move(programFolder)) {}

  boxes::Recycler Recycler() {
    return [this](const std::string& path) { return Take(path); };
  }
  // Every path handed over, in order, whether it went or not.
  const std::vector<std::string>& Asked() const { return asked_; }
  // Where a file of a recycled folder is now: relative starts with the folder's own name.
  std::string InTrash(const std::string& relative) const { return bin_.File(relative); }

 private:
  bool Take(const std::string& path) {
    asked_.push_back(path);
    namespace fs = std::filesystem;
    const std::string normal = fs::path(path).lexically_normal().string();
    if (programFolder_.empty() || normal.rfind(programFolder_ + "/", 0) != 0) return false;
    const fs::path target = fs::path(bin_.Path()) / fs::path(normal).filename();
    std::error_code ec;
    if (fs::exists(target, ec)) return false;  // a name taken in the bin
    fs::rename(normal, target, ec);
    return !ec;
  }

  std::string programFolder_;
  store_test::TempFolder bin_;
  std::vector<std::string> asked_;
};

// The mail database of a program folder (DB/MsgEx.mdb beside DB/EMF and its TemFile folder),
// opened the way the program opens it.
class BoxStoreTest : public store_test::MailStoreTest {
 protected:
  void SetUp() override {
    ASSERT_FALSE(Root().empty());
    std::string error;
    ASSERT_TRUE(store::EnsureProgramFolders(Root(), &error)) << error;
    db_ = store::OpenMailStore(Root(), &error);
    ASSERT_NE(db_, nullptr) << error;
  }

  const std::string& Root() const { return folder_.Path(); }
  // A folder or file below DB/EMF, by its name relative to it ("m1", "m1/a.doc").
  std::string MailFile(const std::string& relative) const {
    return store::MailFileFolder(Root()) + "/" + relative;
  }

  // Every row of table in ID order, each with all the columns of the record.
  std::vector<Row> Rows(const std::string& table) {
    store::Query select(*db_);
    select.AddLine("select * from " + table + " order by ID");
    EXPECT_TRUE(select.Open()) << select.Error();
    std::vector<Row> rows;
    for (; !select.Eof(); select.Next()) {
      Row row;
      for (const store::MessageColumn& column : store::MessageColumns())
        row[column.name] = select.FieldText(column.name);
      rows.push_back(row);
    }
    return rows;
  }

  bool Raw(const std::string& sql) {
    std::string error;
    const bool done = db_->Execute(sql, &error);
    EXPECT_TRUE(done) << error;
    return done;
  }

  // From now on every delete on the table fails, as on a locked or damaged database.
  bool RefuseDeletes(const std::string& table) {
    return Raw("CREATE TRIGGER keep BEFORE DELETE ON " + table +
               " BEGIN SELECT RAISE(ABORT, 'refused'); END");
  }

  // A file with one byte below the program folder, with the folders it needs.
  std::string Put(const std::string& relative) {
    const std::string path = Root() + "/" + relative;
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
    EXPECT_FALSE(ec) << ec.message();
    store_test::WriteFileBytes(path, "x");
    return path;
  }
  bool Exists(const std::string& relative) const {
    std::error_code ec;
    return std::filesystem::exists(Root() + "/" + relative, ec);
  }

  RecordingTrash trash_{folder_.Path()};
};

}  // namespace boxes_test
