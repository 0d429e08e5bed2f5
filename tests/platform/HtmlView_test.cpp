#include "platform/HtmlView.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTextDocument>

#include "platform/TextHtmlView.h"

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
  Write(dir_.path() + "/p.txt", "local");
  QTextBrowser* browser = view_.Browser();
  EXPECT_TRUE(
      browser
          ->loadResource(QTextDocument::ImageResource, QUrl::fromLocalFile(dir_.path() + "/p.txt"))
          .isValid());
  for (const char* remote :
       {"http://127.0.0.1:9/x.png", "https://127.0.0.1:9/x.png", "ftp://127.0.0.1/x.png"}) {
    EXPECT_FALSE(browser->loadResource(QTextDocument::ImageResource, QUrl(remote)).isValid())
        << remote;
  }
}

TEST_F(TextView, ClickedLinkIsReportedNotFollowed) {
  view_.SetHtml("<a href=\"http://127.0.0.1:9/page\">link</a>");
  QSignalSpy links(&view_, &platform::HtmlView::linkActivated);
  emit view_.Browser()->anchorClicked(QUrl("http://127.0.0.1:9/page"));
  ASSERT_EQ(links.size(), 1);
  EXPECT_EQ(links.at(0).at(0).toUrl(), QUrl("http://127.0.0.1:9/page"));
  EXPECT_EQ(view_.Browser()->toPlainText(), "link");
}

TEST_F(TextView, SelectAllThenSelectedTextIsThePage) {
  view_.SetHtml("<p>abc</p>");
  view_.SelectAll();
  EXPECT_EQ(view_.SelectedText(), "abc");
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
