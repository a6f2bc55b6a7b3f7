// The dialogs' buttons, bevels, labels and memos, placed by position and size.
#include "DialogParts.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QDialog>
#include <QLabel>
#include <QPalette>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextDocument>
#include <QTextOption>

QPushButton* AddButton(QWidget* Parent, const QString& Name, const QString& Caption,
                       const QRect& Rect, bool Default) {
  auto* button = new QPushButton(Caption, Parent);
  button->setObjectName(Name);
  button->setGeometry(Rect);
  // Auto-default would let Qt promote a button to default by itself; the dialog frame makes a
  // focused button answer Enter instead.
  button->setAutoDefault(false);
  button->setDefault(Default);
  return button;
}

QPushButton* AddResultButton(QDialog* Dialog, QWidget* Parent, const QString& Name,
                             const QString& Caption, const QRect& Rect, int Result, bool Default) {
  QPushButton* button = AddButton(Parent, Name, Caption, Rect, Default);
  QObject::connect(button, &QPushButton::clicked, Dialog,
                   [Dialog, Result] { Dialog->done(Result); });
  return button;
}

namespace {

QAccessibleInterface* BevelAccessibleFactory(const QString& ClassName, QObject* Object) {
  if (ClassName != QLatin1String("TBevel")) return nullptr;
  auto* bevel = qobject_cast<TBevel*>(Object);
  if (bevel == nullptr) return nullptr;
  return new QAccessibleWidget(bevel, bevel->Shape() == TBevelShape::bsTopLine
                                          ? QAccessible::Separator
                                          : QAccessible::Client);
}

}  // namespace

TBevel::TBevel(QWidget* Parent, TBevelShape Shape) : QFrame(Parent), FShape(Shape) {
  static const bool installed = [] {
    QAccessible::installFactory(BevelAccessibleFactory);
    return true;
  }();
  (void)installed;
  QPalette palette = this->palette();
  palette.setColor(QPalette::Dark, QColor(128, 128, 128));
  palette.setColor(QPalette::Light, Qt::white);
  setPalette(palette);
  setFrameShape(Shape == TBevelShape::bsBox ? QFrame::Panel : QFrame::HLine);
  setFrameShadow(QFrame::Sunken);
  setLineWidth(1);
  setMidLineWidth(0);
  setFocusPolicy(Qt::NoFocus);
}

TBevel* AddBevel(QWidget* Parent, const QString& Name, const QRect& Rect, TBevelShape Shape) {
  auto* bevel = new TBevel(Parent, Shape);
  bevel->setObjectName(Name);
  bevel->setGeometry(Shape == TBevelShape::bsBox ? Rect
                                                 : QRect(Rect.topLeft(), QSize(Rect.width(), 2)));
  return bevel;
}

QLabel* AddLabel(QWidget* Parent, const QString& Name, const QString& Text, const QPoint& Pos) {
  auto* label = new QLabel(Parent);
  label->setObjectName(Name);
  label->setTextFormat(Qt::PlainText);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  label->setText(Text);
  label->move(Pos);
  label->adjustSize();
  return label;
}

static QPlainTextEdit* NewMemo(QWidget* Parent, Qt::WindowFlags Flags, const QString& Name,
                               const QRect& Rect, const QStringList& Lines) {
  auto* memo = new QPlainTextEdit(Parent);
  if (Flags != Qt::WindowFlags()) memo->setWindowFlags(Flags);
  memo->setObjectName(Name);
  memo->setReadOnly(true);
  memo->setTabChangesFocus(true);
  memo->setPlainText(Lines.join(QLatin1Char('\n')));
  memo->setGeometry(Rect);
  return memo;
}

QPlainTextEdit* AddMemo(QWidget* Parent, const QString& Name, const QRect& Rect,
                        const QStringList& Lines) {
  return NewMemo(Parent, Qt::WindowFlags(), Name, Rect, Lines);
}

QPlainTextEdit* AddHiddenMemo(QWidget* Parent, const QString& Name, const QRect& Rect,
                              const QStringList& Lines) {
  QPlainTextEdit* memo = NewMemo(Parent, Qt::Window, Name, Rect, Lines);
  memo->setFocusPolicy(Qt::NoFocus);
  memo->hide();
  return memo;
}

void CopyMemoToLabel(const QPlainTextEdit* Memo, QLabel* Label) {
  Label->setTextFormat(Qt::PlainText);
  Label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  Label->move(Memo->geometry().topLeft());
  Label->resize(Memo->size());
  Label->setText(Memo->toPlainText());
}

void MakeFlatCentredMemo(QPlainTextEdit* Memo) {
  Memo->setFrameShape(QFrame::NoFrame);
  Memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  Memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  Memo->document()->setDocumentMargin(1);
  QTextOption option = Memo->document()->defaultTextOption();
  option.setAlignment(Qt::AlignHCenter);
  Memo->document()->setDefaultTextOption(option);
  // The memo's face is the dialog's: the parent's window colour in every state.
  QPalette palette = Memo->palette();
  palette.setColor(QPalette::Base, palette.color(QPalette::Window));
  Memo->setPalette(palette);
}
