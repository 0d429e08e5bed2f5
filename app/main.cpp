// Entry of the desktop program: one running copy, the program folder, the data module and the
// main window.

#include <unistd.h>

#include <QApplication>

#include "app/DataQX.h"
#include "app/ProgramFolder.h"
#include "app/Unit1.h"
#include "platform/FileIcons.h"
#include "platform/HtmlView.h"
#include "platform/Shell.h"
#include "platform/SingleInstance.h"

int main(int argc, char** argv) {
  // A second copy tells the running one and ends before it creates a window or opens a file.
  platform::SingleInstance instance;
  if (!instance.Claim()) return 0;

  // The browser engine refuses to start inside its sandbox when run as root.
  if (::geteuid() == 0 && !qEnvironmentVariableIsSet("QTWEBENGINE_CHROMIUM_FLAGS"))
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--no-sandbox");
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  QApplication application(argc, argv);
  instance.Listen();
  QApplication::setApplicationName(QStringLiteral("Tenvel202"));
  // Lets the desktop match the windows to the installed menu entry and its icon.
  QGuiApplication::setDesktopFileName(QStringLiteral("org.tenvel202.Tenvel202"));
  platform::UseDesktopIconTheme();
  // Closing the main window hides it to the notification area; the program ends only
  // through "退出程序".
  QApplication::setQuitOnLastWindowClosed(false);

  const QString executableFolder = QApplication::applicationDirPath();
  const QString programFolder = app::ResolveProgramFolder(executableFolder);
  app::CopyShippedResources(app::ShippedResourceFolder(executableFolder), programFolder);
  app::TDataQX dataModule;
  app::TForm1 mainWindow(programFolder, &dataModule);
  // Starting the program again shows this window, also from the notification area.
  mainWindow.FollowLaterStarts(&instance);
  // A mailto: link of a shown message is written on the compose page; other addresses go to
  // the desktop.
  platform::SetUrlOpener([&mainWindow](const QUrl& url) {
    return mainWindow.ComposeMailto(url) || platform::OpenUrlOnDesktop(url);
  });
  mainWindow.show();
  mainWindow.raise();
  return QApplication::exec();
}
