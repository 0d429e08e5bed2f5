#include "maillib/AttachedFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "maillib/Base64.h"
#include "maillib/MailLimits.h"
#include "tests/store/TempFolder.h"

using namespace maillib;

namespace {

// A fresh folder of its own for each test: the tests of this file run as parallel processes.
class TempDir {
 public:
  std::string File(const std::string& name, const std::string& bytes = {}) const {
    const std::string path = folder_.File(name);
    if (!bytes.empty()) std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }
  static std::string Read(const std::string& path) { return store_test::ReadFileBytes(path); }

 private:
  store_test::TempFolder folder_;
};

TAttachedFile Item(const std::string& type, const std::string& encoding, StringList lines) {
  TAttachedFile item;
  item.ContentType = type;
  item.ContentTransferEncoding = encoding;
  item.Lines = std::move(lines);
  return item;
}

}  // namespace

TEST(AttachedFile, SaveNameFallsBackFromFileNameToNameToContentIdToType) {
  TAttachedFile item = Item("IMAGE/JPEG", "BASE64", {"AAAA", "BBBB"});
  EXPECT_EQ(item.FileNameForSave(), "Default.jpeg");
  EXPECT_EQ(item.Size, 6);  // 8 base64 characters
  item.ContentType = "APPLICATION/VND.MS-POWERPOINT";
  EXPECT_EQ(item.FileNameForSave(), "Default.vnd.ms-p");
  item.ContentType = "MESSAGE/RFC822";
  EXPECT_EQ(item.FileNameForSave(), "Default.eml");
  item.ContentType = "WEIRD";
  EXPECT_EQ(item.FileNameForSave(), "Default");
  item.ContentID = "part1@x";
  EXPECT_EQ(item.FileNameForSave(), "part1@x");
  item.Name = "dir/sub\\报告.pdf";
  EXPECT_EQ(item.FileNameForSave(), "报告.pdf");
  item.FileName = " a:b?.txt ";
  EXPECT_EQ(item.FileNameForSave(), "ab.txt");
}

TEST(AttachedFile, SavesEachTransferEncoding) {
  TempDir dir;
  const std::pair<TAttachedFile, std::string> cases[] = {
      {Item("APPLICATION/X", "BASE64", {"aGVs", "bG8=", ""}), "hello"},
      {Item("TEXT/PLAIN", "QUOTED-PRINTABLE", {"caf=C3=A9 =", "ok"}), "caf\xC3\xA9 ok"},
      {Item("TEXT/PLAIN", "7BIT", {"line 1", "line 2"}), "line 1\r\nline 2"},
      {Item("APPLICATION/X", "X-UUENCODE", {"begin 644 a", "#86)C", "`", "end"}), "abc"},
  };
  for (const auto& [item, expected] : cases) {
    const std::string path = dir.File("out.bin");
    ASSERT_TRUE(item.SaveToFile(path)) << item.ContentTransferEncoding;
    EXPECT_EQ(TempDir::Read(path), expected) << item.ContentTransferEncoding;
  }
}

TEST(AttachedFile, HzTextIsDecodedWhenSaved) {
  TAttachedFile item = Item("TEXT/PLAIN", "7BIT", {"~{<:Ky~}"});
  item.CharSet = "HZ-GB-2312";
  EXPECT_EQ(item.DecodedBytes(), "\xBC\xBA\xCB\xF9");
}

TEST(AttachedFile, JunkLinesAtTheEndOfLongBase64AreDroppedOnRequest) {
  StringList lines(12, "QUJD");  // "ABC" twelve times
  lines.push_back(" junk footer ");
  lines.push_back("QQ==");
  const TAttachedFile item = Item("APPLICATION/X", "BASE64", lines);
  TempDir dir;
  const std::string path = dir.File("junk.bin");
  ASSERT_TRUE(item.SaveToFile(path, true));
  std::string expected;
  for (int i = 0; i < 12; ++i)
    expected += "ABC";
  EXPECT_EQ(TempDir::Read(path), expected + "A");
  ASSERT_TRUE(item.SaveToFile(path, false));
  EXPECT_NE(TempDir::Read(path).substr(36), "A");
}

TEST(AttachedFile, SavingIntoAMissingFolderReportsFailure) {
  const TAttachedFile plain = Item("TEXT/PLAIN", "7BIT", {"x"});
  const TAttachedFile encoded = Item("APPLICATION/X", "BASE64", {"eA=="});
  EXPECT_FALSE(plain.SaveToFile("/nonexistent-folder/x.txt"));
  EXPECT_FALSE(encoded.SaveToFile("/nonexistent-folder/x.bin"));
}

TEST(AttachedFile, EncodeFromFileReadsFileNameOrSourcePath) {
  TempDir dir;
  TAttachedFile item;
  item.FileName = dir.File("missing.txt");
  item.SourcePath = dir.File("there.txt", "hello");
  ASSERT_TRUE(item.EncodeFromFile());
  EXPECT_EQ(item.ContentTransferEncoding, "BASE64");
  EXPECT_EQ(item.Lines, StringList{"aGVsbG8="});
  EXPECT_EQ(item.DecodedBytes(), "hello");
  TAttachedFile none;
  none.FileName = dir.File("nothing.txt");
  none.Lines = {"kept"};
  EXPECT_FALSE(none.EncodeFromFile());
  EXPECT_EQ(none.Lines, StringList{"kept"});
}

TEST(AttachedFiles, AddFileTakesSizeTypeAndAUniqueName) {
  TempDir dir;
  TAttachedFiles files;
  const std::string path = dir.File("a.txt", "12345");
  TAttachedFile& first = files.AddFile(path);
  EXPECT_EQ(first.Name, "a.txt");
  EXPECT_EQ(first.Size, 5);
  EXPECT_EQ(first.ContentType, "text/plain");
  EXPECT_EQ(first.FileName, path);
  EXPECT_EQ(first.SourcePath, path);
  EXPECT_EQ(files.AddFile(dir.File("A.TXT", "x")).Name, "A(1).TXT");
  EXPECT_EQ(files.AddFile(dir.File("missing.bin"), 77).Size, 77);
  EXPECT_EQ(files.Count(), 3);
}

TEST(AttachedFiles, UniqueNamesWithoutExtensionAndOnRepeatedClashes) {
  TAttachedFiles files;
  EXPECT_EQ(files.AddFile("/x/README").Name, "README");
  EXPECT_EQ(files.AddFile("/y/readme").Name, "readme(1)");
  EXPECT_EQ(files.AddFile("/x/b.").Name, "b.");
  EXPECT_EQ(files.AddFile("/y/b.").Name, "b.(3)");
  // The second "c.txt" arrives as item 6 while "c(6).txt" is taken: the count goes on.
  files.AddFile("/x/c.txt");
  files.AddFile("/x/c(6).txt");
  EXPECT_EQ(files.AddFile("/y/c.txt").Name, "c(7).txt");
}

TEST(AttachedFiles, AddFromPartCopiesTheHeaderAndNamesTheItem) {
  TAttachedFiles files;
  TSubHeaderInfo info;
  info.ContentType = "IMAGE/PNG";
  info.ContentID = "img1@x";
  info.CharSet = "GB2312";
  info.Disposition = "INLINE";
  info.ContentLocation = "http://x/img1.png";
  TAttachedFile& item = files.AddFromPart(info);
  EXPECT_EQ(item.Name, "img1@x");
  EXPECT_EQ(item.FileName, "img1@x");
  EXPECT_EQ(item.SourcePath, "img1@x");
  EXPECT_EQ(item.ContentType, "IMAGE/PNG");
  EXPECT_EQ(item.ContentTransferEncoding, "7BIT");
  EXPECT_EQ(item.Disposition, "INLINE");
  EXPECT_EQ(item.ContentLocation, "http://x/img1.png");
  info.FileName = "img1@x";
  EXPECT_EQ(files.AddFromPart(info).FileNameForSave(), "img1@x(1)");
  files.Delete(0);
  files.Delete(5);
  EXPECT_EQ(files.Count(), 1);
}

TEST(AttachedFiles, UniqueLongNameStillFitsInAFileName) {
  TAttachedFiles files;
  TSubHeaderInfo info;
  std::string name;
  for (int i = 0; i < 83; ++i)
    name += "中";
  info.Name = name + "a.txt";  // 254 bytes
  EXPECT_EQ(files.AddFromPart(info).Name, info.Name);
  const std::string second = files.AddFromPart(info).Name;
  EXPECT_LE(second.size(), kMaxFileNameBytes);
  EXPECT_EQ(second, name.substr(0, 82 * 3) + "(1).txt");  // no character cut in two
  files.Delete(0);
  EXPECT_EQ(files.AddFromPart(info).Name, info.Name);  // a deleted item frees its name
}
