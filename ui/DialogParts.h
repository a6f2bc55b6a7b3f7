// Builders for the pieces the dialogs are made of: buttons, bevels, labels and memos.
#pragma once

#include <QFrame>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QStringList>

class QDialog;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QWidget;

// A push button; Default makes it the one Enter presses while no other button has the focus.
QPushButton* AddButton(QWidget* Parent, const QString& Name, const QString& Caption,
                       const QRect& Rect, bool Default = false);
// A button that closes Dialog with Result.
QPushButton* AddResultButton(QDialog* Dialog, QWidget* Parent, const QString& Name,
                             const QString& Caption, const QRect& Rect, int Result,
                             bool Default = false);

// A lowered bevel: a one-pixel box (shadow at the top and left, light at the bottom and right)
// or a two-pixel etched line across Rect's top.
enum class TBevelShape { bsBox, bsTopLine };

// Drawing only: a screen reader meets a line as a separator and a box as a plain filler, not as
// the window frame Qt reports for a QFrame.
class TBevel : public QFrame {
  Q_OBJECT

 public:
  TBevel(QWidget* Parent, TBevelShape Shape);
  TBevelShape Shape() const { return FShape; }

 private:
  TBevelShape FShape;
};

TBevel* AddBevel(QWidget* Parent, const QString& Name, const QRect& Rect, TBevelShape Shape);

// A plain-text label at Pos, sized to its text.
QLabel* AddLabel(QWidget* Parent, const QString& Name, const QString& Text, const QPoint& Pos);

// A read-only multi-line text box holding Lines (trailing blanks and empty lines kept).
QPlainTextEdit* AddMemo(QWidget* Parent, const QString& Name, const QRect& Rect,
                        const QStringList& Lines);
// A memo that is never shown: the store of a text that a label shows. It is a window of its own,
// owned by Parent, so that it is not among the dialog's accessible children.
QPlainTextEdit* AddHiddenMemo(QWidget* Parent, const QString& Name, const QRect& Rect,
                              const QStringList& Lines);
// Gives Label, with its automatic sizing off, Memo's place, size and whole text (lines joined
// by line breaks).
void CopyMemoToLabel(const QPlainTextEdit* Memo, QLabel* Label);
// Centred lines on the parent's background, without a border or scroll bars.
void MakeFlatCentredMemo(QPlainTextEdit* Memo);
