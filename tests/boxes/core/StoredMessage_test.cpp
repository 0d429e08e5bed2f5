// Turning a stored message into its page: captions, pictures and the attachment list, the page
// file's place, and writing it.
#include "boxes/StoredMessage.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <filesystem>
#include <string>

#include "tests/store/TempFolder.h"

namespace {

// A file of size bytes, with the folders it needs.
void WriteBytes(const std::string& path, std::size_t size) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  store_test::WriteFileBytes(path, std::string(size, 'x'));
}

TEST(AttachmentCaption, SizeInBytesUpTo1024ThenKilobytesByKind) {
  EXPECT_EQ(boxes::AttachmentCaption("a.txt", 1024, "F"), "a.txt[1024]字节");
  EXPECT_EQ(boxes::AttachmentCaption("a.txt", 1024, "S"), "a.txt[1024]字节");
  EXPECT_EQ(boxes::AttachmentCaption("a.txt", 1025, "F"), "a.txt[1K]");
  EXPECT_EQ(boxes::AttachmentCaption("a.txt", 1025, "S"), "a.txt(1)K");
  EXPECT_EQ(boxes::AttachmentCaption("a.txt", 0, "S"), "a.txt[0]字节");
  EXPECT_EQ(boxes::AttachmentCaption("big.zip", 5 * 1024 * 1024 + 1023, "F"), "big.zip[5120K]");
}

TEST(StoredPage, ReadingPageListsExistingAttachmentsWithSizesAndLeavesOutMissingOnes) {
  store_test::TempFolder dir;
  ASSERT_FALSE(dir.Path().empty());
  const std::string emf = dir.File("DB/EMF");
  WriteBytes(emf + "/20240305/exact.txt", 1024);
  WriteBytes(emf + "/20240305/over.txt", 1025);
  boxes::StoredRecord received;
  received.fujian = "S";
  received.mailcc = "no";
  received.fuJianPath = "/20240305/exact.txt*/20240305/over.txt*/20240305/gone.txt*";
  const boxes::StoredPage page = boxes::BuildStoredPage(received, boxes::StoredView::Reading, emf);
  ASSERT_EQ(page.attachments.size(), 2u);
  EXPECT_EQ(page.attachments[0].caption, "exact.txt[1024]字节");
  EXPECT_EQ(page.attachments[0].path, emf + "/20240305/exact.txt");
  EXPECT_EQ(page.attachments[1].caption, "over.txt(1)K");
  EXPECT_TRUE(page.showAttachments);
  EXPECT_FALSE(page.showCc);

  boxes::StoredRecord written;
  written.fujian = "F";
  written.mailcc = "cc@x.cn";
  written.fuJianPath = emf + "/20240305/over.txt*";
  const boxes::StoredPage own = boxes::BuildStoredPage(written, boxes::StoredView::Reading, emf);
  ASSERT_EQ(own.attachments.size(), 1u);
  EXPECT_EQ(own.attachments[0].caption, "over.txt[1K]");
  EXPECT_TRUE(own.showCc);
  EXPECT_EQ(own.cc, "cc@x.cn");
}

TEST(StoredPage, PicturesFollowTheBodyOnBoxPagesButNotOnTheNotesPage) {
  boxes::StoredRecord r;
  r.content = "<A href=\"http://x\">x</A>";
  r.fujian = "F";
  r.mailcc = "no";
  r.fuJianPath = "/home/u/p.PNG*/home/u/doc.pdf*";
  const boxes::StoredPage box = boxes::BuildStoredPage(r, boxes::StoredView::BoxPreview, "/emf");
  EXPECT_EQ(box.html,
            "<A href=\"http://x\" target=_blank>x</A>"
            "<P><HR></P><P><CENTER><P><CENTER><IMG src=\"file:///home/u/p.PNG\"></P>");
  EXPECT_TRUE(box.attachments.empty());
  EXPECT_FALSE(box.showAttachments);
  const boxes::StoredPage notes =
      boxes::BuildStoredPage(r, boxes::StoredView::NotesPreview, "/emf");
  EXPECT_EQ(notes.html, "<A href=\"http://x\" target=_blank>x</A>");

  r.fujian = "S";
  r.fuJianPath = "/m1/a.gif*";
  EXPECT_EQ(boxes::BuildStoredPage(r, boxes::StoredView::BoxPreview, "/emf").html,
            "<A href=\"http://x\" target=_blank>x</A>"
            "<P><HR></P><P><CENTER><P><CENTER><IMG src=\"/emf/m1/a.gif\"></P>");
}

TEST(StoredPage, NoAttachmentsMeansNoPanelAndNoPictureHtml) {
  boxes::StoredRecord r;
  r.content = "<p>hi</p>";
  r.fujian = "S";
  r.mailcc = "no";
  const boxes::StoredPage page = boxes::BuildStoredPage(r, boxes::StoredView::Reading, "/emf");
  EXPECT_EQ(page.html, "<p>hi</p>");
  EXPECT_FALSE(page.showAttachments);
  EXPECT_TRUE(page.attachments.empty());
}

TEST(StoredPage, AttachmentNamesCannotBreakOutOfThePictureTag) {
  boxes::StoredRecord r;
  r.fujian = "F";
  r.mailcc = "no";
  r.fuJianPath = "/t/x\"><script>alert(1)</script>.png*";
  const std::string html = boxes::BuildStoredPage(r, boxes::StoredView::BoxPreview, "/emf").html;
  EXPECT_EQ(html.find("<script>"), std::string::npos);
  EXPECT_NE(html.find("&quot;&gt;&lt;script&gt;"), std::string::npos);
}

TEST(StoredPage, ReceiverDisplayFormOnlyForMailWrittenHere) {
  boxes::StoredRecord r;
  r.receiver = "Li <li@x.cn>;";
  r.mailcc = "no";
  r.fujian = "F";
  const boxes::StoredPage own = boxes::BuildStoredPage(r, boxes::StoredView::Reading, "/emf");
  EXPECT_EQ(own.receiverField, "Li <li@x.cn>;");
  EXPECT_EQ(own.receiverDisplay, "Li; ");
  r.fujian = "S";
  EXPECT_EQ(boxes::BuildStoredPage(r, boxes::StoredView::Reading, "/emf").receiverDisplay,
            "Li <li@x.cn>;");
}

TEST(PageFilePath, MessageSubFolderOrTheSharedTemFile) {
  EXPECT_EQ(boxes::PageFilePath("/20240305101010", "/p/DB/EMF"),
            "/p/DB/EMF/20240305101010/Tenvel.htm");
  EXPECT_EQ(boxes::PageFilePath("NOHAVEExtractFile", "/p/DB/EMF"), "/p/DB/EMF/TemFile/Tenvel.htm");
  EXPECT_EQ(boxes::PageFilePath("", "/p/DB/EMF"), "/p/DB/EMF/TemFile/Tenvel.htm");
  EXPECT_EQ(boxes::PageFilePath("/../../etc", "/p/DB/EMF"), "/p/DB/EMF/TemFile/Tenvel.htm");
}

TEST(WritePageFile, ReplacesTheFileAndCreatesOnlyWhenAsked) {
  store_test::TempFolder dir;
  ASSERT_FALSE(dir.Path().empty());
  const std::string folder = dir.File("TemFile");
  std::string error;
  EXPECT_FALSE(boxes::WritePageFile(folder + "/Tenvel.htm", "<p>1</p>", false, &error));
  ASSERT_TRUE(boxes::WritePageFile(folder + "/Tenvel.htm", "<p>1</p>", true, &error)) << error;
  ASSERT_TRUE(boxes::WritePageFile(folder + "/Tenvel.htm", "<p>2</p>", false, &error)) << error;
  // The mark makes the browser read the converted text as UTF-8, never as the charset that a
  // <meta> tag of the original mail names.
  EXPECT_EQ(store_test::ReadFileBytes(folder + "/Tenvel.htm"), "\xEF\xBB\xBF<p>2</p>");
  EXPECT_FALSE(std::filesystem::exists(folder + "/Tenvel.htm.part"));
}

TEST(IsPicturePath, OnlyTheFileNamesOwnExtensionCounts) {
  for (const char* picture : {"/a/B.JPG", "/a/b.jpeg", "/a/b.Png", "/a/b.gif", "/a/fav.ICO",
                              "/a/b.bmp", "/a/report.final.png", "b.jpg"}) {
    EXPECT_TRUE(boxes::IsPicturePath(picture)) << picture;
  }
  // Marks elsewhere in the path, or inside the name, make no picture of it.
  for (const char* other : {"/home/nicole/DB/EMF/m1/Unicode.pdf", "/a/favicon", "/gifts/list.txt",
                            "/a/pictures.png/notes.txt", "/a/b.png.exe", "/a/b.txt", "/a/.png",
                            "/a/png", "/a/b.", ""}) {
    EXPECT_FALSE(boxes::IsPicturePath(other)) << other;
  }
}

TEST(StoredPage, AttachmentsBelowAFolderNamedLikeAPictureAreNoPictures) {
  // A data folder below /home/nicole ("ico") and a name with "gif" inside it gave broken
  // pictures after the body.
  boxes::StoredRecord r;
  r.content = "<p>x</p>";
  r.fujian = "S";
  r.mailcc = "no";
  r.fuJianPath = "/m1/Unicode.pdf*/m1/gifts.doc*/m1/photo.JPEG*";
  const boxes::StoredPage page =
      boxes::BuildStoredPage(r, boxes::StoredView::BoxPreview, "/home/nicole/DB/EMF");
  EXPECT_EQ(page.html,
            "<p>x</p><P><HR></P><P><CENTER><P><CENTER>"
            "<IMG src=\"/home/nicole/DB/EMF/m1/photo.JPEG\"></P>");
}

}  // namespace
