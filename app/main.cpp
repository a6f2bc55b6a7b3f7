// The student's program: the application, its windows in their order, and the message loop.
#include <QApplication>
#include <QStringList>

#include "Translations.h"
#include "UiResources.h"
#include "Unit1.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("exam"));
  // Shown with every window's title, and alone while no test gives the window its title.
  QApplication::setApplicationDisplayName(QStringLiteral("Тестирование"));
  QApplication::setDesktopFileName(QStringLiteral("exam"));
  InstallRussianTranslation(app);
  InitUiResources();

  QStringList arguments = QApplication::arguments();
  arguments.removeFirst();
  TForm1 Form1(arguments);
  Form1.CreateDialogs();
  Form1.showMaximized();
  return QApplication::exec();
}
