// Input check for texts that are stored in the Windows Cyrillic code page (1251).
#pragma once

#include <QValidator>

// Accepts a text only when every character has a cp1251 byte; anything else (a letter of
// another alphabet, an emoji, a lone surrogate) makes the whole edit invalid, so it is refused.
class TCp1251Validator : public QValidator {
  Q_OBJECT

 public:
  using QValidator::QValidator;
  State validate(QString& Input, int& Pos) const override;
};
