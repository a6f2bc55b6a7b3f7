// Loads qtbase_ru from Qt's translations folder.
#include "Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

bool InstallRussianTranslation(QCoreApplication& App) {
  // Parented to the application, so it lives as long as the texts it translates.
  auto* translator = new QTranslator(&App);
  if (!translator->load(QLocale(QLocale::Russian, QLocale::Russia), "qtbase", "_",
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    delete translator;
    return false;
  }
  return QCoreApplication::installTranslator(translator);
}
