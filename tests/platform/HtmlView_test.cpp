#include "platform/HtmlView.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <QFile>
#include <QImage>
#include <QPixmap>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>

#include "platform/ScriptedDialogs.h"
#include "platform/TextHtmlView.h"
#include "tests/platform/MailFolder.h"

namespace {

void Write(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(bytes);
}

class TextView : public ::testing::Test {
 protected:
  QTemporaryDir dir_;
  platform::TextHtmlView view_;
};

TEST_F(TextView, LoadsALocalFileWithItsCharsetAndStartsBlank) {
  EXPECT_TRUE(view_.IsBlank());
  Write(dir_.path() + "/Tenvel.htm",
        "<html><head><meta charset=\"gb18030\"></head><body>\xc4\xe3\xba\xc3</body></html>");
  QSignalSpy loaded(&view_, &platform::HtmlView::loadFinished);
  view_.LoadFile(dir_.path() + "/Tenvel.htm");
  ASSERT_EQ(loaded.size(), 1);
  EXPECT_TRUE(loaded.at(0).at(0).toBool());
  EXPECT_FALSE(view_.IsBlank());
  EXPECT_EQ(view_.CurrentFile(), dir_.path() + "/Tenvel.htm");
  EXPECT_EQ(view_.Browser()->toPlainText().toStdString(), "你好");

  view_.Clear();
  EXPECT_TRUE(view_.IsBlank());
  EXPECT_TRUE(view_.CurrentFile().isEmpty());
}

TEST_F(TextView, MissingFileReportsFailureAndShowsBlank) {
  view_.SetHtml("<p>old</p>");
  QSignalSpy loaded(&view_, &platform::HtmlView::loadFinished);
  view_.LoadFile(dir_.path() + "/none.htm");
  ASSERT_EQ(loaded.size(), 1);
  EXPECT_FALSE(loaded.at(0).at(0).toBool());
  EXPECT_TRUE(view_.IsBlank());
}

TEST_F(TextView, FetchesLocalPicturesButNothingFromTheNetwork) {
  QImage picture(8, 6, QImage::Format_RGB32);
  picture.fill(Qt::green);
  ASSERT_TRUE(picture.save(dir_.path() + "/p.png", "PNG"));
  view_.SetHtml("<p>page</p>", dir_.path());  // the files of this folder may be loaded
  QTextBrowser* browser = view_.Browser();
  QSignalSpy refused(&view_, &platform::HtmlView::loadRefused);
  EXPECT_EQ(
      browser
          ->loadResource(QTextDocument::ImageResource, QUrl::fromLocalFile(dir_.path() + "/p.png"))
          .value<QImage>()
          .size(),
      QSize(8, 6));
  const std::vector<const char*> remotes = {"http://127.0.0.1:9/x.png", "https://127.0.0.1:9/x.png",
                                            "ftp://127.0.0.1/x.png"};
  for (const char* remote : remotes) {
    EXPECT_NE(
        browser->loadResource(QTextDocument::ImageResource, QUrl(remote)).value<QImage>().size(),
        QSize(8, 6))
        << remote;
  }
  EXPECT_EQ(refused.size(), static_cast<qsizetype>(remotes.size()));
}

TEST_F(TextView, ClickedLinkIsReportedNotFollowed) {
  testsupport::CapturedUrls desktop;
  view_.SetHtml("<a href=\"http://127.0.0.1:9/page\">link</a>");
  QSignalSpy links(&view_, &platform::HtmlView::linkActivated);
  emit view_.Browser()->anchorClicked(QUrl("http://127.0.0.1:9/page"));
  ASSERT_EQ(links.size(), 1);
  EXPECT_EQ(links.at(0).at(0).toUrl(), QUrl("http://127.0.0.1:9/page"));
  EXPECT_EQ(view_.Browser()->toPlainText(), "link");
  EXPECT_EQ(desktop.urls.size(), 1u);  // handed to the desktop's browser
}

TEST_F(TextView, SelectAllThenSelectedTextIsThePage) {
  view_.SetHtml("<p>abc</p>");
  view_.SelectAll();
  EXPECT_EQ(view_.SelectedText(), "abc");
}

// The picture the page shows for the name written in its HTML.
QImage Picture(QTextDocument* doc, const QString& name) {
  const QVariant v = doc->resource(QTextDocument::ImageResource, QUrl(name));
  return v.userType() == QMetaType::QPixmap ? v.value<QPixmap>().toImage() : v.value<QImage>();
}

// The URLs of every loadRefused signal a spy caught.
std::vector<QUrl> Refused(const QSignalSpy& spy) {
  std::vector<QUrl> urls;
  for (const QList<QVariant>& call : spy)
    urls.push_back(call.at(0).toUrl());
  return urls;
}

TEST(TextViewFiles, MailLoadsItsOwnPictureAndNothingOutsideItsFolder) {
  testsupport::MailFolder folder;
  platform::TextHtmlView view;
  QSignalSpy refused(&view, &platform::HtmlView::loadRefused);
  view.LoadFile(folder.WriteHostileMail());
  EXPECT_EQ(view.AllowedFolder(), folder.Folder());
  view.resize(400, 300);
  view.grab();  // paints the page, which fetches its pictures

  const std::vector<QUrl> urls = Refused(refused);
  const QUrl outsidePng = folder.Outside("outside.png");
  const QUrl link = QUrl::fromLocalFile(folder.Folder() + "/link.png");
  // By address and by "..": one address, which the document asks for once.
  EXPECT_GE(std::count(urls.begin(), urls.end(), outsidePng), 1);
  EXPECT_EQ(std::count(urls.begin(), urls.end(), link), 1);
  for (const QUrl& url : urls)
    EXPECT_FALSE(url.path().endsWith("/in.png")) << url.toString().toStdString();

  // What the page shows: its own picture, and in place of the others not theirs.
  QTextDocument* doc = view.Browser()->document();
  EXPECT_EQ(Picture(doc, "in.png").size(), QSize(40, 30));
  for (const QString& name : {QString("../outside.png"), outsidePng.toString(), QString("link.png"),
                              folder.Root() + "/outside.png"}) {
    EXPECT_NE(Picture(doc, name).size(), QSize(64, 48)) << name.toStdString();
  }
}

TEST(TextViewFiles, PictureNamedByAPathIsNotReadAroundTheRule) {
  testsupport::MailFolder folder;
  platform::TextHtmlView view;
  // A plain path, and names the working folder would resolve: none may reach outside.png.
  const QString workingFolder = QDir::currentPath();
  QDir::setCurrent(folder.Root());
  view.SetHtml("<img src=\"" + folder.Root() +
                   "/outside.png\"><img src=\"missing/../outside.png\">"
                   "<img src=\"outside.png\">",
               folder.Folder());
  QTextDocument* doc = view.Browser()->document();
  view.resize(400, 300);
  view.grab();
  EXPECT_NE(Picture(doc, folder.Root() + "/outside.png").size(), QSize(64, 48));
  EXPECT_NE(Picture(doc, "outside.png").size(), QSize(64, 48));
  QDir::setCurrent(workingFolder);
}

TEST(TextViewFiles, HtmlTextLoadsFilesOfItsBaseFolderOnly) {
  testsupport::MailFolder folder;
  folder.WriteHostileMail();
  platform::TextHtmlView view;
  QTextDocument* doc = view.Browser()->document();
  view.SetHtml("<img src=\"in.png\">", folder.Folder());
  EXPECT_EQ(Picture(doc, "in.png").size(), QSize(40, 30));
  // Without a base folder no file is loaded, not even one given by its full address.
  view.SetHtml("<p>start</p>");
  EXPECT_TRUE(view.AllowedFolder().isEmpty());
  QSignalSpy refused(&view, &platform::HtmlView::loadRefused);
  EXPECT_NE(view.Browser()
                ->loadResource(QTextDocument::ImageResource,
                               QUrl::fromLocalFile(folder.Folder() + "/in.png"))
                .value<QImage>()
                .size(),
            QSize(40, 30));
  EXPECT_EQ(refused.size(), 1);
  view.LoadFile(folder.Mail());
  view.Clear();
  EXPECT_TRUE(view.AllowedFolder().isEmpty());
}

TEST(TextViewLinks, WebAndMailLinksGoToTheDesktopOthersOnlyReported) {
  testsupport::CapturedUrls desktop;
  platform::TextHtmlView view;
  view.SetHtml("<p>links</p>", QDir::tempPath());
  QSignalSpy links(&view, &platform::HtmlView::linkActivated);
  const QStringList clicked = {"http://127.0.0.1:9/a",
                               "https://127.0.0.1:9/b",
                               "mailto:someone@example.org",
                               "file:///etc/passwd",
                               "javascript:alert(1)",
                               "ftp://127.0.0.1/f",
                               "tenvel:open",
                               "page.htm"};
  for (const QString& url : clicked)
    emit view.Browser()->anchorClicked(QUrl(url));
  ASSERT_EQ(desktop.urls.size(), 3u);
  EXPECT_EQ(desktop.urls[0], QUrl("http://127.0.0.1:9/a"));
  EXPECT_EQ(desktop.urls[1], QUrl("https://127.0.0.1:9/b"));
  EXPECT_EQ(desktop.urls[2], QUrl("mailto:someone@example.org"));
  ASSERT_EQ(links.size(), clicked.size());
  // A relative link is reported with the address it names, not as written.
  EXPECT_EQ(links.last().at(0).toUrl(), QUrl::fromLocalFile(QDir::tempPath() + "/page.htm"));
}

TEST(TextViewLinks, HoverTellsTheRealAddressAndAnEmptyOneOnLeaving) {
  platform::TextHtmlView view;
  view.resize(400, 200);
  view.SetHtml(
      "<p><a href=\"https://127.0.0.1:9/real\">https://bank.example/</a></p>"
      "<p><a href=\"more.htm\">more</a></p><p>plain text below</p>",
      QDir::tempPath());
  view.show();
  QSignalSpy hovered(&view, &platform::HtmlView::linkHovered);
  QTextBrowser* browser = view.Browser();
  // The pointer over the first link, the plain text, the second link, the plain text.
  for (const int block : {0, 2, 1, 2}) {
    QTextCursor cursor(browser->document()->findBlockByNumber(block));
    cursor.movePosition(QTextCursor::NextCharacter);
    QTest::mouseMove(browser->viewport(), browser->cursorRect(cursor).center());
  }
  QStringList seen;
  for (const QList<QVariant>& call : hovered)
    seen << call.at(0).toString();
  EXPECT_EQ(seen, (QStringList{"https://127.0.0.1:9/real", "",
                               QUrl::fromLocalFile(QDir::tempPath() + "/more.htm").toString(), ""}))
      << seen.join(" | ").toStdString();
}

TEST(TextViewPrint, PrintsThePageIntoThePdfFileChosenInTheDialog) {
  QTemporaryDir dir;
  platform::ScriptedDialogs dialogs;
  platform::ScopedDialogs use(&dialogs);
  platform::TextHtmlView view;
  view.SetHtml("<h1>Printed mail</h1><p>body</p>");
  QSignalSpy finished(&view, &platform::HtmlView::printFinished);

  dialogs.texts = {dir.path() + "/mail.pdf"};
  EXPECT_TRUE(view.Print(nullptr));
  ASSERT_EQ(finished.size(), 1);
  EXPECT_TRUE(finished.at(0).at(0).toBool());
  EXPECT_FALSE(view.IsPrinting());
  EXPECT_EQ(testsupport::FileStart(dir.path() + "/mail.pdf", 4), "%PDF");
  ASSERT_EQ(dialogs.asked.size(), 1u);
  EXPECT_EQ(dialogs.asked[0].kind, platform::ScriptedDialogs::Kind::Printer);

  // Cancelled: nothing printed, nothing reported.
  EXPECT_FALSE(view.Print(nullptr));
  EXPECT_EQ(finished.size(), 1);

  // A file that cannot be written is a failure, not a silent success.
  dialogs.texts = {dir.path() + "/no-such-folder/mail.pdf"};
  EXPECT_TRUE(view.Print(nullptr));
  ASSERT_EQ(finished.size(), 2);
  EXPECT_FALSE(finished.at(1).at(0).toBool());

  EXPECT_TRUE(view.PrintToPdf(dir.path() + "/direct.pdf"));
  ASSERT_EQ(finished.size(), 3);
  EXPECT_TRUE(finished.at(2).at(0).toBool());
  EXPECT_EQ(testsupport::FileStart(dir.path() + "/direct.pdf", 4), "%PDF");
}

TEST(HtmlViewKind, ChosenKindWinsAndTextIsAlwaysAvailable) {
  platform::SetDefaultHtmlViewKind(platform::HtmlViewKind::Text);
  EXPECT_EQ(platform::DefaultHtmlViewKind(), platform::HtmlViewKind::Text);
  QWidget parent;
  EXPECT_NE(dynamic_cast<platform::TextHtmlView*>(platform::CreateHtmlView(&parent)), nullptr);
  if (!platform::WebEngineAvailable()) {
    platform::SetDefaultHtmlViewKind(platform::HtmlViewKind::Web);
    EXPECT_EQ(platform::DefaultHtmlViewKind(), platform::HtmlViewKind::Text);
  }
}

}  // namespace
