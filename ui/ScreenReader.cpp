// What a screen reader follows: the focus. A new page brings it to the page, whose name says
// where the student is and whose description reads the page and its options; an answer key
// brings it to the option it changed.
#include <QAccessible>
#include <QEvent>
#include <QLabel>
#include <QStringList>

#include "AnswerColumn.h"
#include "PageImage.h"
#include "TestCheckboxes.h"
#include "Unit1.h"
#include "WindowAccessible.h"
#include "XPCtrls.h"

void TForm1::DescribePage() {
  const int count = FExam->QuestionCount();
  QString title =
      FPlaceShown ? QStringLiteral("Вопрос %1 из %2").arg(FExam->CurrentQuestion() + 1).arg(count)
                  : QStringLiteral("Страница вопроса");
  if (FPlaceShown && !Panel3->text().isEmpty()) title += QStringLiteral(", ") + Panel3->text();
  QImage->SetTitle(title);
  QStringList options;
  for (int32_t i = 0; i < FAnswerButtons->Count(); ++i) {
    QString option = FAnswerButtons->Button(i)->Caption() + QStringLiteral(", ") +
                     (FAnswerButtons->ButtonChecked(i) ? QStringLiteral("отмечен")
                                                       : QStringLiteral("не отмечен"));
    if (const QString right = FAnswerButtons->Rightness(i); !right.isEmpty())
      option += QStringLiteral(", ") + right;
    options << option;
  }
  QImage->SetTrailingDescription(options.isEmpty() ? QString()
                                                   : QStringLiteral("Варианты ответа: ") +
                                                         options.join("; ") + '.');
}

void TForm1::PresentPage() {
  DescribePage();
  // Embedded in another window (the teacher's preview), the page never takes the keyboard from
  // what the user types in.
  if (!isWindow()) return;
  if (!QImage->hasFocus()) {
    QImage->setFocus(Qt::OtherFocusReason);
    return;
  }
  RefocusPage();
}

void TForm1::RefocusPage() {
  // A screen reader presents an object when the focus comes to it, and speaks no name changes
  // of this toolkit's objects: the focused page comes back as a new accessible object (its old
  // interface dropped) that takes the focus.
  if (QAccessibleInterface* page = QAccessible::queryAccessibleInterface(QImage))
    QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(page));
  QAccessibleEvent event(QImage, QAccessible::Focus);
  QAccessible::updateAccessibility(&event);
}

void TForm1::changeEvent(QEvent* Event) {
  QMainWindow::changeEvent(Event);
  // Back from a dialog, the page the student is on is told again (a page turned meanwhile, by
  // loading answers, was not: the dialog had the screen reader then).
  if (Event->type() == QEvent::ActivationChange && isActiveWindow() && QImage->hasFocus())
    RefocusPage();
}

void TForm1::PresentOption(int32_t Option) {
  TCustomXPCheckButton* button = FAnswerButtons->Button(Option);
  if (button == nullptr) return;
  if (!button->hasFocus()) {
    button->setFocus(Qt::OtherFocusReason);
    return;
  }
  // A screen reader speaks the new state of the focused check box itself; of a focused radio
  // button only after the space bar, so the header tells it.
  if (qobject_cast<TCustomXPRadioButton*>(button) != nullptr)
    pnNotice->Tell(
        button->Caption() + QStringLiteral(": ") +
            (button->Checked() ? QStringLiteral("отмечен") : QStringLiteral("не отмечен")),
        3000);
}
