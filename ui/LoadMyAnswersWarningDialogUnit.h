// The note before saved answers are loaded back, warning in red that they replace the current.
#pragma once

#include "DialogForm.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;
class TBevel;

class TLoadMyAnswersWarningDialog : public TDialogForm {
  Q_OBJECT

 public:
  explicit TLoadMyAnswersWarningDialog(QWidget* Parent = nullptr);

 private:
  // The memo-to-label copy, once, at creation.
  void FormCreate();

  TBevel* Bevel1;
  QPlainTextEdit* Memo1;
  QLabel* Label1;
  QPlainTextEdit* Memo2;
  QLabel* Label2;
  QPushButton* OKBtn;
  QPushButton* CancelBtn;
};
