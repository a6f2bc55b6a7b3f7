// Conversions through the project's cp1251 codec.
#include "Cp1251Text.h"

#include "Cp1251.h"

QString FromCp1251(std::string_view Text) {
  return QString::fromStdString(Cp1251ToUtf8(Text));
}

std::string ToCp1251(const QString& Text) {
  return Utf8ToCp1251(Text.toStdString()).Text;
}
