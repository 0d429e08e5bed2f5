// The browser-engine view runs no script and fetches nothing from the network.

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTcpServer>
#include <QTest>

#include "platform/HtmlView.h"

#ifdef TENVEL_HAVE_WEBENGINE
#include <QWebEngineView>

namespace {

constexpr int kLoadWaitMs = 20000;

TEST(WebView, ScriptsDoNotRunAndRemotePicturesAreNotFetched) {
  QTcpServer server;
  ASSERT_TRUE(server.listen(QHostAddress::LocalHost));
  const QString remote = QStringLiteral("http://127.0.0.1:%1/x.png").arg(server.serverPort());

  QWidget window;
  platform::HtmlView* view = platform::CreateHtmlView(platform::HtmlViewKind::Web, &window);
  window.resize(400, 300);
  window.show();
  QSignalSpy loaded(view, &platform::HtmlView::loadFinished);
  view->SetHtml(
      "<html><head><title>mail</title></head><body><p>text</p>"
      "<img src=\"" +
      remote +
      "\"><script>document.title = 'ran';</script>"
      "</body></html>");
  ASSERT_TRUE(loaded.wait(kLoadWaitMs));
  QTest::qWait(500);  // give a stray request time to arrive
  auto* engine = view->findChild<QWebEngineView*>();
  ASSERT_NE(engine, nullptr);
  EXPECT_EQ(engine->title(), "mail");
  EXPECT_FALSE(server.hasPendingConnections());
  EXPECT_FALSE(server.waitForNewConnection(100));
}

}  // namespace
#endif
