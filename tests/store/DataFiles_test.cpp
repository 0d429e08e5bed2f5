#include "store/DataFiles.h"

#include <sys/stat.h>

#include <cerrno>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/store/TempFolder.h"

namespace store {
namespace {

using store_test::ReadFileBytes;
using store_test::TempFolder;
using store_test::WriteFileBytes;
using Lines = std::vector<std::string>;

unsigned Mode(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 ? info.st_mode & 0777 : 0;
}

TEST(DataFiles, FoldersAreCreatedOwnerOnlyAndExistingOnesKept) {
  TempFolder root;
  std::filesystem::create_directory(root.File("DB"));
  ::chmod(root.File("DB").c_str(), 0755);
  WriteFileBytes(root.File("DB/Default.db"), "a@b\n");
  std::string error;
  ASSERT_TRUE(EnsureProgramFolders(root.Path(), &error)) << error;
  ASSERT_TRUE(EnsureProgramFolders(root.Path(), &error)) << error;
  EXPECT_EQ(Mode(root.File("DB")), 0755u);
  EXPECT_EQ(Mode(MailFileFolder(root.Path())), 0700u);
  EXPECT_EQ(Mode(TempFileFolder(root.Path())), 0700u);
  EXPECT_EQ(Mode(ToolsFolder(root.Path())), 0700u);
  EXPECT_EQ(TempFileFolder(root.Path()), root.File("DB/EMF/TemFile"));
  EXPECT_EQ(DefaultAccount(root.Path()), "a@b");
}

TEST(DataFiles, FolderBlockedByAFileIsAnError) {
  TempFolder root;
  WriteFileBytes(root.File("DB2"), "x");
  std::string error;
  EXPECT_FALSE(EnsureProgramFolders(root.Path(), &error));
  EXPECT_EQ(error.rfind(root.File("DB2"), 0), 0u) << error;
}

TEST(DataFiles, TextLinesFromLfCrLfMissingAndEmptyFiles) {
  TempFolder root;
  const std::string path = root.File("lines.txt");
  EXPECT_EQ(ReadTextLines(path), Lines{});
  EXPECT_EQ(ReadLine(path, 0), "");
  WriteFileBytes(path, "one\r\ntwo\n\nlast");
  EXPECT_EQ(ReadTextLines(path), (Lines{"one", "two", "", "last"}));
  EXPECT_EQ(ReadLine(path, 3), "last");
  EXPECT_EQ(ReadLine(path, 4), "");
  WriteFileBytes(path, "");
  EXPECT_EQ(ReadTextLines(path), Lines{});
  EXPECT_EQ(ReadTextLines(root.Path()), Lines{});  // a folder reads as nothing
}

TEST(DataFiles, HugeFileIsCutAtTheLimitWithoutAPartialLine) {
  TempFolder root;
  const std::string path = root.File("huge.txt");
  std::string data = "first\n";
  data += std::string(kMaxTextFileBytes, 'z');
  data += "\nafter\n";
  WriteFileBytes(path, data);
  EXPECT_EQ(ReadTextLines(path), Lines{"first"});
}

TEST(DataFiles, WriteReplacesTheFileOwnerOnly) {
  TempFolder root;
  const std::string path = root.File("out.txt");
  WriteFileBytes(path, "old content that is longer\n");
  ASSERT_TRUE(WriteTextLines(path, {"a", "", "b"}));
  EXPECT_EQ(ReadFileBytes(path), "a\n\nb\n");
  EXPECT_EQ(Mode(path), 0600u);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(root.Path()),
                          std::filesystem::directory_iterator()),
            1);  // no temporary file left behind
  EXPECT_FALSE(WriteTextLines(root.File("missing/out.txt"), {"a"}));
}

TEST(DataFiles, NewFileHoldsExactlyItsBytesAndNeverReplacesAnother) {
  TempFolder root;
  const std::string path = root.File("a.bin");
  const std::string bytes("\0\x01binary\r\n", 10);
  ASSERT_TRUE(WriteNewFile(path, bytes));
  EXPECT_EQ(ReadFileBytes(path), bytes);
  EXPECT_EQ(Mode(path), 0600u);
  // An existing file, perhaps another message's, is left as it is.
  EXPECT_FALSE(WriteNewFile(path, "other"));
  EXPECT_EQ(errno, EEXIST);
  EXPECT_EQ(ReadFileBytes(path), bytes);
  EXPECT_TRUE(SyncFolder(root.Path()));
  EXPECT_FALSE(SyncFolder(root.File("missing")));
}

TEST(DataFiles, RecentRecipientsSkipEmptyLinesAndStopAfterEight) {
  TempFolder root;
  std::string error;
  ASSERT_TRUE(EnsureProgramFolders(root.Path(), &error)) << error;
  EXPECT_EQ(RecentRecipients(root.Path()), Lines{});
  WriteFileBytes(RecentRecipientsPath(root.Path()), "r1\n\nr2\r\n  \nr3\n\n\nr4\nr9\nr10\n");
  EXPECT_EQ(RecentRecipients(root.Path()), (Lines{"r1", "r2", "r3", "r4"}));
  WriteFileBytes(RecentRecipientsPath(root.Path()), "only\n");
  EXPECT_EQ(RecentRecipients(root.Path()), Lines{"only"});
}

TEST(DataFiles, ToolSeatReadsOddLinesAsClosed) {
  TempFolder root;
  std::string error;
  ASSERT_TRUE(EnsureProgramFolders(root.Path(), &error)) << error;
  EXPECT_EQ(ReadToolSeat(root.Path()), (std::array<bool, 6>{}));
  WriteFileBytes(ToolSeatPath(root.Path()), "0\r\n1\r\nyes\n 1 \n");
  EXPECT_EQ(ReadToolSeat(root.Path()), (std::array<bool, 6>{false, true, false, true}));
  ASSERT_TRUE(WriteToolSeat(root.Path(), {false, false, false, false, true, false}));
  EXPECT_EQ(ReadFileBytes(ToolSeatPath(root.Path())), "0\n0\n0\n0\n1\n0\n");
  EXPECT_EQ(ReadToolSeat(root.Path()), (std::array<bool, 6>{false, false, false, false, true}));
}

}  // namespace
}  // namespace store
