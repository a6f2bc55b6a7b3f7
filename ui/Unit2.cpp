// The stop confirmation: what stopping means, "OK" to stop, "Cancel" (focused) to go on.
#include "Unit2.h"

#include <QFrame>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

#include "DialogParts.h"
#include "ModalResult.h"

namespace {

// The blanks inside and at the ends of the lines are the text's own.
const QStringList kLines = {
    QStringLiteral("После  окончания  тестирования  дальнейший"),
    QStringLiteral("ответ    на     вопросы     станет    невозможен."),
    QStringLiteral("Если  Вы  хотите   продолжить   тестирование,"),
    QStringLiteral("нажмите кнопку \"Отмена\"."),
    QString(),
    QStringLiteral("После  окончания  тестирования, Вы сможете"),
    QStringLiteral("сохнанить   свои  ответы  в  файл  и  сдать  их "),
    QStringLiteral("преподавателю.  Преподаватель  выдаст  вам"),
    QStringLiteral("файл  с  ответами  к  тесту, загрузив который,"),
    QStringLiteral("Вы  сможете  узнать  свою  оценку и сравнить"),
    QStringLiteral("свои ответы с правильными. Для выполнения"),
    QStringLiteral("этих действий нажмте кнопку \"ОК\"."),
};

}  // namespace

TStopTestDialog::TStopTestDialog(QWidget* Parent)
    : TDialogForm(Parent, QStringLiteral("Окончание тестирования"), QSize(381, 194),
                  TDialogPosition::poDesktopCenter) {
  Bevel1 = AddBevel(this, QStringLiteral("Bevel1"), QRect(8, 8, 257, 177), TBevelShape::bsBox);
  Memo1 = AddHiddenMemo(this, QStringLiteral("Memo1"), QRect(16, 16, 241, 161), kLines);
  Label1 = new QLabel(this);
  Label1->setObjectName(QStringLiteral("Label1"));
  // Neither button is the default: Enter answers whichever has the focus.
  Button1 = AddResultButton(this, this, QStringLiteral("Button1"), QStringLiteral("OK"),
                            QRect(288, 16, 75, 25), mrOk);
  Button2 = AddResultButton(this, this, QStringLiteral("Button2"), QStringLiteral("Cancel"),
                            QRect(288, 48, 75, 25), mrCancel);
  setTabOrder(Button2, Button1);
  SetFirstFocus(Button2);
  FormCreate();
}

void TStopTestDialog::FormCreate() {
  CopyMemoToLabel(Memo1, Label1);
}
