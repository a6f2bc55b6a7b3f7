// The save note: the file goes to the teacher, who hands back the test's answers.
#include "SaveMyAnswersWarningDialogUnit.h"

#include <QFrame>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

#include "DialogParts.h"

namespace {

// The blanks inside and at the ends of the lines are the text's own.
const QStringList kLines = {
    QStringLiteral("После сохранения, файл с вашими ответами "),
    QStringLiteral("следует  передать  преподавателю,  который "),
    QStringLiteral("выдаст вам файл с ответами к тесту."),
    QString(),
    QStringLiteral("Открыв файл с ответами к тесту Вы сможете "),
    QStringLiteral("узнать свою оценку за тест, и  сравнить свои"),
    QStringLiteral("ответы с правильными."),
};

}  // namespace

TSaveMyAnswersWarningDialog::TSaveMyAnswersWarningDialog(QWidget* Parent)
    : TDialogForm(Parent, QStringLiteral("Сохранить мои ответы"), QSize(363, 127)) {
  Bevel1 = AddBevel(this, QStringLiteral("Bevel1"), QRect(8, 8, 257, 113), TBevelShape::bsBox);
  Memo1 = AddHiddenMemo(this, QStringLiteral("Memo1"), QRect(16, 16, 241, 97), kLines);
  Label1 = new QLabel(this);
  Label1->setObjectName(QStringLiteral("Label1"));
  AddOkCancelButtons(276, OKBtn, CancelBtn);
  FormCreate();
}

void TSaveMyAnswersWarningDialog::FormCreate() {
  CopyMemoToLabel(Memo1, Label1);
}
