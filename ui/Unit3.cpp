// The end-of-time notice: greyed, centred lines in a lowered frame and a single close button.
#include "Unit3.h"

#include <QFrame>
#include <QPalette>
#include <QPlainTextEdit>
#include <QPushButton>

#include "DialogParts.h"
#include "ModalResult.h"

namespace {

// The blanks at the ends of the lines, and the empty last line, are the text's own.
const QStringList kLines = {
    QStringLiteral("Тестирование было закончено автоматически"),
    QStringLiteral("вследствии истечения отведенного на него времени"),
    QString(),
    QStringLiteral("Теперь вам следует сохранить ваши ответы в"),
    QStringLiteral("файл и сдать их. Получите взамен фалй с "),
    QStringLiteral("ответами, загрузив который вы сможете"),
    QStringLiteral("узнать свою оценку и сравнить свои ответы"),
    QStringLiteral("с правильными."),
    QString(),
};

}  // namespace

TTestOverDialog::TTestOverDialog(QWidget* Parent)
    : TDialogForm(Parent, QStringLiteral("Тестирование завершено"), QSize(420, 143)) {
  Bevel1 = AddBevel(this, QStringLiteral("Bevel1"), QRect(8, 8, 305, 129), TBevelShape::bsBox);
  Memo1 = AddMemo(this, QStringLiteral("Memo1"), QRect(16, 16, 289, 113), kLines);
  MakeFlatCentredMemo(Memo1);
  // Disabled, so the text is drawn greyed: the grey of disabled text on Windows.
  QPalette palette = Memo1->palette();
  palette.setColor(QPalette::Disabled, QPalette::Text, QColor(128, 128, 128));
  Memo1->setPalette(palette);
  Memo1->setEnabled(false);
  CancelBtn = AddResultButton(this, this, QStringLiteral("CancelBtn"), QStringLiteral("Зарыть"),
                              QRect(332, 14, 75, 25), mrCancel);
  SetFirstFocus(CancelBtn);
}
