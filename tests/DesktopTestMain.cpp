// The desktop suites (app, receive, accounts) need one application object for the whole run.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>

#include "platform/HtmlView.h"
#include "platform/ScriptedDialogs.h"
#include "platform/Shell.h"

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  // The browser engine refuses to run as root inside its sandbox.
  if (::geteuid() == 0) qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--no-sandbox");
  QApplication application(argc, argv);
  // Mail views are the light text view unless a test asks for the browser engine.
  platform::SetDefaultHtmlViewKind(platform::HtmlViewKind::Text);
  // No test may wait on a modal box: unless a test installs its own script, every box is
  // answered as if closed.
  platform::ScriptedDialogs quiet;
  platform::InstallDialogs(&quiet);
  // Nor may a test start the desktop's browser or mail program: links go nowhere unless a test
  // captures them.
  platform::SetUrlOpener([](const QUrl&) { return false; });
  ::testing::InitGoogleTest(&argc, argv);
  const int result = RUN_ALL_TESTS();
  platform::InstallDialogs(nullptr);
  return result;
}
