// The load-test-answers note: the teacher's file shows the grade and the right answers.
#include "LoadTestAnswersWarningDialogUnit.h"

#include <QFrame>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

#include "DialogParts.h"

namespace {

// The blanks inside and at the ends of the lines, and the empty last line, are the text's own.
const QStringList kLines = {
    QStringLiteral("Вы     можете     загрузить     выданный "),
    QStringLiteral("Вам преподавателем файл с ответами "),
    QStringLiteral("к тесту, чтобы  узнать  свою  оценку  и"),
    QStringLiteral("сравнить свои ответы с правильными."),
    QString(),
};

}  // namespace

TLoadTestAnswersWarningDialog::TLoadTestAnswersWarningDialog(QWidget* Parent)
    : TDialogForm(Parent, QStringLiteral("Загрузка ответов к тесту"), QSize(330, 89)) {
  Bevel1 = AddBevel(this, QStringLiteral("Bevel1"), QRect(8, 8, 225, 73), TBevelShape::bsBox);
  Memo1 = AddHiddenMemo(this, QStringLiteral("Memo1"), QRect(16, 16, 209, 57), kLines);
  Label1 = new QLabel(this);
  Label1->setObjectName(QStringLiteral("Label1"));
  AddOkCancelButtons(244, OKBtn, CancelBtn);
  FormCreate();
}

void TLoadTestAnswersWarningDialog::FormCreate() {
  CopyMemoToLabel(Memo1, Label1);
}
