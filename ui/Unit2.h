// The confirmation before the student stops the exam; it opens with the focus on "Cancel".
#pragma once

#include "DialogForm.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;
class TBevel;

class TStopTestDialog : public TDialogForm {
  Q_OBJECT

 public:
  explicit TStopTestDialog(QWidget* Parent = nullptr);

 private:
  // The memo-to-label copy, once, at creation.
  void FormCreate();

  TBevel* Bevel1;
  QPlainTextEdit* Memo1;
  QLabel* Label1;
  QPushButton* Button1;
  QPushButton* Button2;
};
