// examdesk: the teacher's window. Usage: examdesk [SOURCE.md]
#include <QApplication>
#include <QStringList>

#include "DeskWindow.h"
#include "Translations.h"
#include "UiResources.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setOrganizationName(QStringLiteral("Exam"));
  QApplication::setApplicationName(QStringLiteral("examdesk"));
  // Shown after the source's file name in the window's title.
  QApplication::setApplicationDisplayName(QStringLiteral("Редактор тестов"));
  QApplication::setDesktopFileName(QStringLiteral("examdesk"));
  InstallRussianTranslation(app);
  InitUiResources();
  InitDeskResources();

  QStringList arguments = QApplication::arguments();
  arguments.removeFirst();
  TDeskWindow window(arguments);
  window.show();
  return QApplication::exec();
}
