// The name dialog: a white heading band, the name field (cp1251 characters only), OK and Cancel.
#include "UserNameDialogUnit.h"

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>

#include "Cp1251Validator.h"
#include "DialogParts.h"
#include "DialogPicture.h"
#include "ModalResult.h"

namespace {

QLabel* AddHeading(QWidget* Parent, const QString& Name, const QString& Text, const QPoint& Pos) {
  QLabel* label = AddLabel(Parent, Name, QString(), Pos);
  label->setFont(DialogFont(19, true));
  label->setText(Text);
  label->adjustSize();
  return label;
}

}  // namespace

TUserNameDialog::TUserNameDialog(QWidget* Parent)
    : TDialogForm(Parent, QStringLiteral("Идентификация пользователя"), QSize(313, 160)) {
  Panel1 = new QWidget(this);
  Panel1->setObjectName(QStringLiteral("Panel1"));
  Panel1->setGeometry(0, 0, 313, 49);
  QPalette white = Panel1->palette();
  white.setColor(QPalette::Window, Qt::white);
  Panel1->setPalette(white);
  Panel1->setAutoFillBackground(true);
  Image1 = new TDialogPicture(Panel1, QStringLiteral("Image1"), QRect(0, 0, 44, 49),
                              QStringLiteral(":/dialogs/UserName.jpg"));
  Label1 =
      AddHeading(Panel1, QStringLiteral("Label1"), QStringLiteral("Идентификация"), QPoint(64, 3));
  Label2 =
      AddHeading(Panel1, QStringLiteral("Label2"), QStringLiteral("пользователя"), QPoint(144, 19));

  Bevel1 = AddBevel(this, QStringLiteral("Bevel1"), QRect(0, 49, 313, 2), TBevelShape::bsTopLine);
  Label3 = AddLabel(this, QStringLiteral("Label3"),
                    QStringLiteral("Укажите свои фамилию, имя и очество"), QPoint(8, 64));
  edUserName = new QLineEdit(this);
  edUserName->setObjectName(QStringLiteral("edUserName"));
  edUserName->setGeometry(8, 80, 297, 21);
  // The name is stored in cp1251: what the code page cannot hold is refused as it is typed.
  edUserName->setValidator(new TCp1251Validator(edUserName));
  Label3->setBuddy(edUserName);
  edUserName->setAccessibleName(Label3->text());
  Bevel2 = AddBevel(this, QStringLiteral("Bevel2"), QRect(0, 114, 313, 2), TBevelShape::bsTopLine);

  OKBtn =
      AddButton(this, QStringLiteral("OKBtn"), QStringLiteral("OK"), QRect(151, 128, 75, 25), true);
  connect(OKBtn, &QPushButton::clicked, this, &TUserNameDialog::OKBtnClick);
  CancelBtn = AddResultButton(this, this, QStringLiteral("CancelBtn"), QStringLiteral("Отмена"),
                              QRect(231, 128, 75, 25), mrCancel);
  setTabOrder(edUserName, OKBtn);
  setTabOrder(OKBtn, CancelBtn);
  SetFirstFocus(edUserName);
}

QString TUserNameDialog::GetUserName() const {
  const QString text = edUserName->text();
  qsizetype first = 0;
  qsizetype last = text.size();
  while (first < last && text.at(first).unicode() <= 32) ++first;
  while (last > first && text.at(last - 1).unicode() <= 32) --last;
  return text.mid(first, last - first);
}

void TUserNameDialog::SetUserName(const QString& Value) {
  edUserName->setText(Value);
}

void TUserNameDialog::OKBtnClick() {
  if (GetUserName().isEmpty()) {
    edUserName->setFocus(Qt::OtherFocusReason);
    return;
  }
  done(mrOk);
}
