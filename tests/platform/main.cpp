// The platform suites need one application object for the whole run.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  // The browser engine refuses to run as root inside its sandbox.
  if (::geteuid() == 0) qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--no-sandbox");
  QApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
