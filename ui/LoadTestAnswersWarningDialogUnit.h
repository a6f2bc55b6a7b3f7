// The note before the teacher's test-answers file is loaded: it shows the grade and the right
// answers.
#pragma once

#include "DialogForm.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;
class TBevel;

class TLoadTestAnswersWarningDialog : public TDialogForm {
  Q_OBJECT

 public:
  explicit TLoadTestAnswersWarningDialog(QWidget* Parent = nullptr);

 private:
  // The memo-to-label copy, once, at creation.
  void FormCreate();

  TBevel* Bevel1;
  QPlainTextEdit* Memo1;
  QLabel* Label1;
  QPushButton* OKBtn;
  QPushButton* CancelBtn;
};
