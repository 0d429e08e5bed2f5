// The browser-engine view runs no script, fetches nothing from the network, reads no file
// outside the message's folder, goes nowhere but its own page, and hands links on.

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTcpServer>
#include <QTest>

#include "platform/HtmlView.h"

#ifdef TENVEL_HAVE_WEBENGINE
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineView>
#include <algorithm>

#include "platform/ScriptedDialogs.h"
#include "tests/platform/MailFolder.h"

namespace {

constexpr int kLoadWaitMs = 20000;
constexpr int kEventWaitMs = 5000;

class WebView : public ::testing::Test {
 protected:
  void SetUp() override {
    view_ = platform::CreateHtmlView(platform::HtmlViewKind::Web, &window_);
    window_.resize(400, 300);
    view_->resize(400, 300);
    window_.show();
    engine_ = view_->findChild<QWebEngineView*>();
    ASSERT_NE(engine_, nullptr);
  }

  // Shows a page and waits until it has loaded.
  template <typename Load>
  void Show(Load load) {
    QSignalSpy loaded(view_, &platform::HtmlView::loadFinished);
    load();
    ASSERT_TRUE(loaded.wait(kLoadWaitMs));
    ASSERT_TRUE(loaded.at(0).at(0).toBool());
  }

  // Evaluates an expression in a world of its own (the page's scripts stay off).
  QVariant Evaluate(const QString& expression) {
    QVariant result;
    bool done = false;
    engine_->page()->runJavaScript(expression, QWebEngineScript::ApplicationWorld,
                                   [&](const QVariant& value) {
                                     result = value;
                                     done = true;
                                   });
    EXPECT_TRUE(QTest::qWaitFor([&] { return done; }, kEventWaitMs)) << expression.toStdString();
    return result;
  }

  QWidget* Surface() const { return engine_->focusProxy(); }

  QWidget window_;
  platform::HtmlView* view_ = nullptr;
  QWebEngineView* engine_ = nullptr;
};

std::vector<QUrl> Urls(const QSignalSpy& spy) {
  std::vector<QUrl> urls;
  for (const QList<QVariant>& call : spy)
    urls.push_back(call.at(0).toUrl());
  return urls;
}

TEST_F(WebView, ScriptsDoNotRunAndRemotePicturesAreNotFetched) {
  QTcpServer server;
  ASSERT_TRUE(server.listen(QHostAddress::LocalHost));
  const QString remote = QStringLiteral("http://127.0.0.1:%1/x.png").arg(server.serverPort());
  Show([&] {
    view_->SetHtml(
        "<html><head><title>mail</title></head><body><p>text</p>"
        "<img src=\"" +
        remote +
        "\"><script>document.title = 'ran';</script>"
        "</body></html>");
  });
  QTest::qWait(500);  // give a stray request time to arrive
  EXPECT_EQ(engine_->title(), "mail");
  EXPECT_FALSE(server.hasPendingConnections());
  EXPECT_FALSE(server.waitForNewConnection(100));
}

TEST_F(WebView, MailLoadsItsOwnPictureAndNothingOutsideItsFolder) {
  testsupport::MailFolder folder;
  QSignalSpy refused(view_, &platform::HtmlView::loadRefused);
  Show([&] { view_->LoadFile(folder.WriteHostileMail()); });
  EXPECT_EQ(view_->AllowedFolder(), folder.Folder());
  const QUrl outsideHtml = folder.Outside("outside.html");
  // The frame and the refresh both try the outside page.
  ASSERT_TRUE(QTest::qWaitFor(
      [&] {
        const std::vector<QUrl> urls = Urls(refused);
        return std::count(urls.begin(), urls.end(), outsideHtml) >= 2;
      },
      kEventWaitMs));
  QTest::qWait(300);  // time for a refresh that was let through to show

  const std::vector<QUrl> urls = Urls(refused);
  auto refusedUrl = [&](const QUrl& url) {
    return std::find(urls.begin(), urls.end(), url) != urls.end();
  };
  EXPECT_TRUE(refusedUrl(folder.Outside("outside.png")));
  EXPECT_TRUE(refusedUrl(folder.Outside("outside.css")));
  EXPECT_TRUE(refusedUrl(QUrl::fromLocalFile(folder.Folder() + "/link.png")));
  for (const QUrl& url : urls) {
    EXPECT_FALSE(url.path().startsWith(folder.Folder() + "/in.png"))
        << url.toString().toStdString();
    EXPECT_FALSE(url.path().endsWith("Tenvel.htm")) << url.toString().toStdString();
  }
  // Still the mail, showing its own picture only.
  EXPECT_EQ(engine_->url(), QUrl::fromLocalFile(folder.Mail()));
  EXPECT_EQ(engine_->title(), "mail");
  EXPECT_EQ(Evaluate("['in', 'abs', 'rel', 'link'].map(function (id) {"
                     "  return document.getElementById(id).naturalWidth; }).join()")
                .toString(),
            "40,0,0,0");
  EXPECT_EQ(Evaluate("window.frames.length ? String(window.frames[0].location) : 'none'")
                .toString()
                .toStdString(),
            "about:blank");
}

TEST_F(WebView, HtmlTextWithoutAFolderLoadsNoFile) {
  testsupport::MailFolder folder;
  const QString inside = QUrl::fromLocalFile(folder.Folder() + "/in.png").toString();
  Show([&] { view_->SetHtml("<img id=\"p\" src=\"" + inside + "\">"); });
  EXPECT_TRUE(view_->AllowedFolder().isEmpty());
  QTest::qWait(200);  // the picture had it been let through
  EXPECT_EQ(Evaluate("document.getElementById('p').naturalWidth").toInt(), 0);
  Show([&] { view_->SetHtml("<img id=\"p\" src=\"in.png\">", folder.Folder()); });
  EXPECT_EQ(Evaluate("document.getElementById('p').naturalWidth").toInt(), 40);
}

TEST_F(WebView, ClickedWebAndMailLinksGoToTheDesktopOthersNowhere) {
  testsupport::CapturedUrls desktop;
  const QStringList hrefs = {
      "href=\"https://127.0.0.1:9/a\"",
      "href=\"http://127.0.0.1:9/b\" target=_blank",
      "href=\"mailto:someone@example.org\"",
      "href=\"file:///etc/passwd\"",
      "href=\"ftp://127.0.0.1/f\"",
      "href=\"tenvel:open\"",
      "href=\"file:///etc/passwd\" target=_blank",
  };
  QString html = "<html><body style=\"margin:0\">";
  for (const QString& href : hrefs) {
    html += "<A style=\"display:block;height:30px\" " + href + ">link</A>";
  }
  html += "<p style=\"height:600px\">text</p></body></html>";
  Show([&] { view_->SetHtml(html, QDir::tempPath()); });
  const QUrl page = engine_->url();
  QSignalSpy links(view_, &platform::HtmlView::linkActivated);
  QSignalSpy hovered(view_, &platform::HtmlView::linkHovered);

  QTest::mouseMove(Surface(), QPoint(100, 15));
  EXPECT_TRUE(QTest::qWaitFor([&] { return !hovered.isEmpty(); }, kEventWaitMs));
  QTest::mouseMove(Surface(), QPoint(100, 30 * static_cast<int>(hrefs.size()) + 100));
  EXPECT_TRUE(QTest::qWaitFor([&] { return hovered.size() >= 2; }, kEventWaitMs));
  ASSERT_GE(hovered.size(), 2);
  EXPECT_EQ(hovered.first().at(0).toString(), "https://127.0.0.1:9/a");
  EXPECT_EQ(hovered.last().at(0).toString(), "");

  for (int i = 0; i < hrefs.size(); ++i) {
    const qsizetype before = links.size();
    QTest::mouseClick(Surface(), Qt::LeftButton, {}, QPoint(100, 15 + 30 * i));
    EXPECT_TRUE(QTest::qWaitFor([&] { return links.size() > before; }, kEventWaitMs))
        << hrefs[i].toStdString();
  }
  ASSERT_EQ(desktop.urls.size(), 3u);
  EXPECT_EQ(desktop.urls[0], QUrl("https://127.0.0.1:9/a"));
  EXPECT_EQ(desktop.urls[1], QUrl("http://127.0.0.1:9/b"));
  EXPECT_EQ(desktop.urls[2], QUrl("mailto:someone@example.org"));
  ASSERT_EQ(links.size(), hrefs.size());
  EXPECT_EQ(links.at(3).at(0).toUrl(), QUrl("file:///etc/passwd"));
  QTest::qWait(200);
  EXPECT_EQ(engine_->url(), page);
}

TEST_F(WebView, LinkToAPlaceInTheMailScrollsWithinIt) {
  testsupport::MailFolder folder;
  testsupport::WriteFile(folder.Mail(),
                         "<html><head><title>mail</title></head><body style=\"margin:0\">"
                         "<a style=\"display:block;height:30px\" href=\"#end\">down</a>"
                         "<p style=\"height:2000px\">text</p><p id=\"end\">end</p></body></html>");
  Show([&] { view_->LoadFile(folder.Mail()); });
  testsupport::CapturedUrls desktop;
  QSignalSpy links(view_, &platform::HtmlView::linkActivated);
  QSignalSpy refused(view_, &platform::HtmlView::loadRefused);
  QTest::mouseClick(Surface(), Qt::LeftButton, {}, QPoint(100, 15));
  EXPECT_TRUE(
      QTest::qWaitFor([&] { return engine_->page()->scrollPosition().y() > 0; }, kEventWaitMs));
  EXPECT_EQ(engine_->url().adjusted(QUrl::RemoveFragment), QUrl::fromLocalFile(folder.Mail()));
  EXPECT_EQ(engine_->title(), "mail");
  EXPECT_TRUE(links.isEmpty());
  EXPECT_TRUE(refused.isEmpty());
  EXPECT_TRUE(desktop.urls.empty());
}

TEST_F(WebView, PrintsThePageIntoThePdfFileChosenInTheDialog) {
  QTemporaryDir dir;
  platform::ScriptedDialogs dialogs;
  platform::ScopedDialogs use(&dialogs);
  Show([&] { view_->SetHtml("<h1>Printed mail</h1><p>body</p>"); });
  QSignalSpy finished(view_, &platform::HtmlView::printFinished);

  dialogs.texts = {dir.path() + "/mail.pdf", dir.path() + "/second.pdf"};
  ASSERT_TRUE(view_->Print(nullptr));
  // The engine prints in the background; a second print waits for the first.
  EXPECT_TRUE(view_->IsPrinting());
  EXPECT_FALSE(view_->Print(nullptr));
  ASSERT_TRUE(finished.wait(kLoadWaitMs));
  EXPECT_TRUE(finished.at(0).at(0).toBool());
  EXPECT_FALSE(view_->IsPrinting());
  EXPECT_EQ(testsupport::FileStart(dir.path() + "/mail.pdf", 4), "%PDF");
  EXPECT_EQ(dialogs.texts.size(), 1u);  // the refused second print asked nothing

  ASSERT_TRUE(view_->PrintToPdf(dir.path() + "/no-such-folder/mail.pdf"));
  ASSERT_TRUE(finished.wait(kLoadWaitMs));
  EXPECT_FALSE(finished.at(1).at(0).toBool());
}

}  // namespace
#endif
