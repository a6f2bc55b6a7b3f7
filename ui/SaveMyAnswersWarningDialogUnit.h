// The note before the student's answers are saved: whom to give the file and what comes back.
#pragma once

#include "DialogForm.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;
class TBevel;

class TSaveMyAnswersWarningDialog : public TDialogForm {
  Q_OBJECT

 public:
  explicit TSaveMyAnswersWarningDialog(QWidget* Parent = nullptr);

 private:
  // The memo-to-label copy, once, at creation.
  void FormCreate();

  TBevel* Bevel1;
  QPlainTextEdit* Memo1;
  QLabel* Label1;
  QPushButton* OKBtn;
  QPushButton* CancelBtn;
};
