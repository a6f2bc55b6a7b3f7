// The load-my-answers note: what loading is for, and in red that it replaces the current answers.
#include "LoadMyAnswersWarningDialogUnit.h"

#include <QFrame>
#include <QLabel>
#include <QPalette>
#include <QPlainTextEdit>
#include <QPushButton>

#include "DialogParts.h"

namespace {

// The blanks inside and at the ends of the lines are the text's own.
const QStringList kLines1 = {
    QStringLiteral("Вы    можете   открыть  файл  со  своими "),
    QStringLiteral("ответами, чтобы просмотреть и сравнить "),
    QStringLiteral("их с правильными."),
};
const QStringList kLines2 = {
    QStringLiteral("ПРЕДУПРЕЖДЕНИЕ:ПРОДОЛЖЕНИЕ "),
    QStringLiteral("ПРИВЕДЕТ К ЗАМЕНЕ ТЕКУЩИХ "),
    QStringLiteral("ОТВЕТОВ ОТВЕТАМИ ИЗ ФАЙЛА!"),
};

}  // namespace

TLoadMyAnswersWarningDialog::TLoadMyAnswersWarningDialog(QWidget* Parent)
    : TDialogForm(Parent, QStringLiteral("Загрузить мои ответы"), QSize(357, 146)) {
  Bevel1 = AddBevel(this, QStringLiteral("Bevel1"), QRect(8, 8, 249, 129), TBevelShape::bsBox);
  Memo1 = AddHiddenMemo(this, QStringLiteral("Memo1"), QRect(16, 16, 233, 57), kLines1);
  Label1 = new QLabel(this);
  Label1->setObjectName(QStringLiteral("Label1"));
  Memo2 = AddHiddenMemo(this, QStringLiteral("Memo2"), QRect(16, 80, 233, 49), kLines2);
  Label2 = new QLabel(this);
  Label2->setObjectName(QStringLiteral("Label2"));
  QPalette red = Label2->palette();
  red.setColor(QPalette::WindowText, QColor(255, 0, 0));
  Label2->setPalette(red);
  AddOkCancelButtons(268, OKBtn, CancelBtn);
  FormCreate();
}

void TLoadMyAnswersWarningDialog::FormCreate() {
  CopyMemoToLabel(Memo1, Label1);
  CopyMemoToLabel(Memo2, Label2);
}
