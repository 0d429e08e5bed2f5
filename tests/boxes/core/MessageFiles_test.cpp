#include "boxes/MessageFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "tests/store/TempFolder.h"

namespace {

namespace fs = std::filesystem;
using boxes::MessageFolderColumns;
using boxes::MessageFolders;
using Folders = std::vector<std::string>;

constexpr const char* kEmf = "/p/DB/EMF";

MessageFolderColumns Received(std::string fuJianPath, std::string filePath,
                              std::string mailFolder) {
  return {"S", std::move(fuJianPath), std::move(filePath), std::move(mailFolder)};
}

TEST(MessageFolders, EveryFolderOfAReceivedMessageOnce) {
  // Its own folder with the raw message, its pictures and its attachments in one folder.
  EXPECT_EQ(MessageFolders(kEmf, Received("/m1/a.doc*/m1/b.png*", "/m1", "/m1")),
            Folders{"/p/DB/EMF/m1"});
  // Only inline pictures; only the raw message.
  EXPECT_EQ(MessageFolders(kEmf, Received("", "/p1", "")), Folders{"/p/DB/EMF/p1"});
  EXPECT_EQ(MessageFolders(kEmf, Received("", "NOHAVEExtractFile", "/r1")),
            Folders{"/p/DB/EMF/r1"});
  // An older row: attachments, pictures and each attachment folder apart.
  EXPECT_EQ(MessageFolders(kEmf, Received("/a2/y.doc*/a1/x.doc*", "/p2", "")),
            (Folders{"/p/DB/EMF/a1", "/p/DB/EMF/a2", "/p/DB/EMF/p2"}));
  // Without "*" the text is no entry, as the reading page reads it.
  EXPECT_EQ(MessageFolders(kEmf, Received("/m1/a.doc", "NOHAVEExtractFile", "")), Folders{});
}

TEST(MessageFolders, FoldersInsideAnotherOfTheListAreLeftToIt) {
  EXPECT_EQ(MessageFolders(kEmf, Received("/m1/parts/a.doc*/m1-2/b.doc*", "/m1/pics", "/m1")),
            (Folders{"/p/DB/EMF/m1", "/p/DB/EMF/m1-2"}));
  const MessageFolderColumns many[] = {Received("/m1/a.doc*", "/m1", "/m1"),
                                       Received("", "/m1/inner", ""),
                                       Received("/m2/a.doc*", "NOHAVEExtractFile", "/m2")};
  EXPECT_EQ(MessageFolders(kEmf, many), (Folders{"/p/DB/EMF/m1", "/p/DB/EMF/m2"}));
}

TEST(MessageFolders, MailWrittenHereKeepsTheUsersFiles) {
  EXPECT_EQ(MessageFolders(kEmf, {"F", "/home/u/report.pdf*/p/DB/EMF/m1/a.doc*", "/m1", "/m1"}),
            Folders{});
  EXPECT_EQ(MessageFolders(kEmf, {"", "/m1/a.doc*", "/m1", "/m1"}), Folders{});
}

TEST(MessageFolders, DamagedNamesReachNothingButTheMessagesOwnSubFolders) {
  for (const char* folder : {"/..", "/../..", "/m1/../..", "/m1/..", "/./m1", "/", "//", "/TemFile",
                             "/TemFile/x", "NOHAVEExtractFile", "", "m1"}) {
    EXPECT_EQ(MessageFolders(kEmf, Received("", folder, "")), Folders{}) << folder;
    EXPECT_EQ(MessageFolders(kEmf, Received("", "", folder)), Folders{}) << folder;
  }
  for (const char* entry : {"/../../etc/passwd*", "/x/../../y/a.doc*", "/a.doc*", "a.doc*",
                            "/TemFile/a.eml*", "/m1/*", "/m1/..*", "/m1/.*", "*", "/../a*"}) {
    EXPECT_EQ(MessageFolders(kEmf, Received(entry, "", "")), Folders{}) << entry;
  }
  // An empty mail-file folder would put the names at the root of the disk.
  EXPECT_EQ(MessageFolders("", Received("/m1/a.doc*", "/m1", "/m1")), Folders{});
  // The mail-file folder is spelled once, however it was given.
  EXPECT_EQ(MessageFolders("/p/DB//EMF/", Received("m1/a.doc*", "//m2", "")),
            (Folders{"/p/DB/EMF/m1", "/p/DB/EMF/m2"}));
}

class FreeFileNameTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_FALSE(dir_.Path().empty()); }
  std::string Folder() const { return dir_.Path(); }
  void Make(const std::string& name) { std::ofstream(Folder() + "/" + name) << "x"; }
  std::string Free(const std::string& name, int maxNumber = 9999) {
    return boxes::FreeFileName(Folder(), name, maxNumber);
  }
  store_test::TempFolder dir_;
};

TEST_F(FreeFileNameTest, TakenNamesGetTheFirstFreeNumberBeforeTheExtension) {
  EXPECT_EQ(Free("报告.pdf"), "报告.pdf");
  Make("报告.pdf");
  EXPECT_EQ(Free("报告.pdf"), "报告(1).pdf");
  Make("报告(1).pdf");
  EXPECT_EQ(Free("报告.pdf"), "报告(2).pdf");
  Make("archive.tar.gz");
  EXPECT_EQ(Free("archive.tar.gz"), "archive.tar(1).gz");
}

TEST_F(FreeFileNameTest, NamesWithoutExtensionAndDotFilesGetTheNumberAtTheEnd) {
  Make("README");
  Make(".bashrc");
  EXPECT_EQ(Free("README"), "README(1)");
  EXPECT_EQ(Free(".bashrc"), ".bashrc(1)");
}

TEST_F(FreeFileNameTest, FoldersAndDanglingLinksCountAsTaken) {
  fs::create_directory(Folder() + "/a.txt");
  fs::create_symlink(Folder() + "/nowhere", Folder() + "/b.txt");
  EXPECT_EQ(Free("a.txt"), "a(1).txt");
  EXPECT_EQ(Free("b.txt"), "b(1).txt");
}

TEST_F(FreeFileNameTest, ManyNumbersTakenAndNoneLeft) {
  Make("a.txt");
  for (int n = 1; n <= 40; ++n)
    Make("a(" + std::to_string(n) + ").txt");
  EXPECT_EQ(Free("a.txt"), "a(41).txt");
  EXPECT_EQ(Free("a.txt", 40), "");
  EXPECT_EQ(Free(""), "");
}

TEST_F(FreeFileNameTest, LongNamesAreShortenedToFitWithTheirNumber) {
  const std::string longName = std::string(251, 'x') + ".pdf";
  Make(longName);
  const std::string free = Free(longName);
  EXPECT_LE(free.size(), 255u);
  EXPECT_EQ(free.substr(free.size() - 7), "(1).pdf");
}

}  // namespace
