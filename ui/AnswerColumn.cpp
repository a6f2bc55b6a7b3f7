// Stacking of the answer buttons in their column.
#include "AnswerColumn.h"

#include <QChildEvent>
#include <QEvent>

#include "XPCtrls.h"

TAnswerColumn::TAnswerColumn(QWidget* Parent) : QWidget(Parent) {
  setAutoFillBackground(true);
}

void TAnswerColumn::Restack() {
  if (FRestacking) return;
  FRestacking = true;
  int y = 0;
  for (QObject* child : children()) {
    auto* button = qobject_cast<TCustomXPCheckButton*>(child);
    if (button == nullptr || button->Align() != TAlign::alTop || button->isHidden()) continue;
    button->setGeometry(0, y, width(), button->height());
    y += button->height();
  }
  setMinimumHeight(y);
  FRestacking = false;
}

bool TAnswerColumn::eventFilter(QObject* Watched, QEvent* Event) {
  if (Watched->parent() == this && (Event->type() == QEvent::Resize ||
                                    Event->type() == QEvent::Show || Event->type() == QEvent::Hide))
    Restack();
  return QWidget::eventFilter(Watched, Event);
}

void TAnswerColumn::childEvent(QChildEvent* Event) {
  QWidget::childEvent(Event);
  if (Event->added() && Event->child()->isWidgetType()) Event->child()->installEventFilter(this);
  // A removed child is half destroyed already: only the stack of the others changes.
  if (Event->removed()) Restack();
}

void TAnswerColumn::resizeEvent(QResizeEvent* Event) {
  QWidget::resizeEvent(Event);
  Restack();
}
