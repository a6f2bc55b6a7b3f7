// The cp1251 input check, over Unicode code points (surrogate pairs taken whole).
#include "Cp1251Validator.h"

#include "Cp1251.h"

QValidator::State TCp1251Validator::validate(QString& Input, int& /*Pos*/) const {
  for (const char32_t u : Input.toUcs4()) {
    // toUcs4 turns an unpaired surrogate into U+FFFD, which cp1251 has no byte for either.
    if (!UnicodeToCp1251(u).has_value()) return Invalid;
  }
  return Acceptable;
}
