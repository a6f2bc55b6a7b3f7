// The identification dialog: the student's surname, first name and patronymic before a save.
#pragma once

#include <QString>

#include "DialogForm.h"

class QLabel;
class QLineEdit;
class QPushButton;
class TBevel;
class TDialogPicture;

class TUserNameDialog : public TDialogForm {
  Q_OBJECT

 public:
  explicit TUserNameDialog(QWidget* Parent = nullptr);

  // The typed name without its leading and trailing characters of code 32 or below.
  QString GetUserName() const;
  // Puts Value into the name field as it is; the field keeps it across showings.
  void SetUserName(const QString& Value);
  // OK (the button, or Enter anywhere but on Cancel): closes with mrOk when the name is not
  // empty, otherwise keeps the dialog open and puts the focus into the name field.
  void OKBtnClick();

 private:
  QWidget* Panel1;
  TDialogPicture* Image1;
  QLabel* Label1;
  QLabel* Label2;
  TBevel* Bevel1;
  TBevel* Bevel2;
  QLabel* Label3;
  QLineEdit* edUserName;
  QPushButton* OKBtn;
  QPushButton* CancelBtn;
};
