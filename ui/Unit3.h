// The notice that the clock ended the exam; its one button, "Зарыть", closes it with mrCancel.
#pragma once

#include "DialogForm.h"

class QPlainTextEdit;
class QPushButton;
class TBevel;

class TTestOverDialog : public TDialogForm {
  Q_OBJECT

 public:
  explicit TTestOverDialog(QWidget* Parent = nullptr);

 private:
  TBevel* Bevel1;
  QPlainTextEdit* Memo1;
  QPushButton* CancelBtn;
};
