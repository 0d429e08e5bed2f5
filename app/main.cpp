// Entry of the desktop program: the program folder, the data module and the main window.

#include <QApplication>

#include "app/DataQX.h"
#include "app/ProgramFolder.h"
#include "app/Unit1.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Tenvel202"));
  QApplication::setApplicationDisplayName(QStringLiteral("Tenvel"));

  const QString programFolder = app::ResolveProgramFolder(QApplication::applicationDirPath());
  app::TDataQX dataModule;
  app::TForm1 mainWindow(programFolder, &dataModule);
  mainWindow.show();
  return QApplication::exec();
}
