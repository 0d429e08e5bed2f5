#include "store/Database.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "store/Query.h"
#include "tests/store/TempFolder.h"

namespace store {
namespace {

using store_test::ReadFileBytes;
using store_test::TempFolder;
using store_test::WriteFileBytes;

bool StartsWith(const std::string& text, const std::string& prefix) {
  return text.rfind(prefix, 0) == 0;
}

TEST(Database, CreatesAMissingFileForItsOwnerOnlyAndKeepsData) {
  TempFolder folder;
  const std::string path = folder.File("new.mdb");
  std::string error;
  {
    auto db = Database::Open(path, &error);
    ASSERT_NE(db, nullptr) << error;
    EXPECT_EQ(db->Path(), path);
    ASSERT_TRUE(db->Execute("create table t (v text); insert into t values ('kept')", &error));
    Query mode(*db);
    mode.AddLine("PRAGMA journal_mode");
    ASSERT_TRUE(mode.Open());
    EXPECT_EQ(mode.FieldText("journal_mode"), "wal");
  }
  struct stat info {};
  ASSERT_EQ(::stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  auto again = Database::Open(path, &error);
  ASSERT_NE(again, nullptr) << error;
  Query read(*again);
  read.AddLine("select v from t");
  ASSERT_TRUE(read.Open());
  EXPECT_EQ(read.FieldText("v"), "kept");
}

TEST(Database, MissingFolderIsAnErrorAndCreatesNothing) {
  TempFolder folder;
  const std::string path = folder.File("DB/MsgEx.mdb");
  std::string error;
  EXPECT_EQ(Database::Open(path, &error), nullptr);
  EXPECT_TRUE(StartsWith(error, path)) << error;
  EXPECT_FALSE(std::filesystem::exists(folder.File("DB")));
}

// A file that is not a database is reported and left byte for byte as it was, whatever its
// size (SQLite alone would take a file shorter than a page for an empty database).
TEST(Database, ForeignFileIsReportedAndLeftUnchanged) {
  TempFolder folder;
  std::string large(20000, '\0');
  for (std::size_t i = 0; i < large.size(); ++i)
    large[i] = static_cast<char>(i * 7 + 3);
  for (const std::string& content :
       {std::string("hello\n"), large, std::string("SQLite format 3") /* header cut short */}) {
    const std::string path = folder.File("foreign.mdb");
    WriteFileBytes(path, content);
    std::string error;
    EXPECT_EQ(Database::Open(path, &error), nullptr);
    EXPECT_TRUE(StartsWith(error, path + ": ")) << error;
    EXPECT_EQ(ReadFileBytes(path), content);
    EXPECT_FALSE(std::filesystem::exists(path + "-wal"));
  }
}

TEST(Database, FolderInPlaceOfTheFileIsAnError) {
  TempFolder folder;
  const std::string path = folder.File("MsgEx.mdb");
  std::filesystem::create_directory(path);
  std::string error;
  EXPECT_EQ(Database::Open(path, &error), nullptr);
  EXPECT_TRUE(StartsWith(error, path + ": ")) << error;
  EXPECT_TRUE(std::filesystem::is_directory(path));
}

TEST(Database, ExecuteReportsErrorsWithThePath) {
  TempFolder folder;
  std::string error;
  auto db = Database::Open(folder.File("a.mdb"), &error);
  ASSERT_NE(db, nullptr) << error;
  EXPECT_FALSE(db->Execute("this is not sql", &error));
  EXPECT_TRUE(StartsWith(error, db->Path() + ": ")) << error;
  EXPECT_NE(error.find("syntax error"), std::string::npos) << error;
}

}  // namespace
}  // namespace store
