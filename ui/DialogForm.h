// The frame the student's seven modal dialogs share: size, colour, font, placement, results.
#pragma once

#include <QColor>
#include <QDialog>
#include <QFont>
#include <QPointer>
#include <QSize>
#include <QString>

class QKeyEvent;
class QPushButton;
class QShowEvent;

// Where a dialog appears each time it is shown: the middle of the primary screen, or of the
// whole desktop (all screens together).
enum class TDialogPosition { poScreenCenter, poDesktopCenter };

// 13690861: red 237, green 231, blue 208.
QColor DialogColor();
// The program's default font, "MS Sans Serif" with the given character height; where that
// family is missing the Arial-metric Liberation Sans stands in, whose widths keep the fixed
// lines inside their boxes (the usual substitute, DejaVu Sans, is a sixth wider).
QFont DialogFont(int PixelSize = 11, bool Bold = false);

// A fixed-size dialog without minimise and maximise boxes whose exec() answers mrOk or mrCancel.
class TDialogForm : public QDialog {
  Q_OBJECT

 public:
  TDialogForm(QWidget* Parent, const QString& Caption, QSize ClientSize,
              TDialogPosition Position = TDialogPosition::poScreenCenter);

  // Escape, the title bar's close box and every Cancel button end here: mrCancel.
  void reject() override;

 protected:
  // The control that holds the focus whenever the dialog opens (the first in tab order).
  void SetFirstFocus(QWidget* Control) { FFirstFocus = Control; }
  // The warnings' pair of 75 x 25 buttons at Left: "OK" at the top, the default and the first
  // in tab order with the focus, "Cancel" 30 pixels under it.
  void AddOkCancelButtons(int Left, QPushButton*& OK, QPushButton*& Cancel);

  void showEvent(QShowEvent* Event) override;
  // Enter presses the focused button, and the default button when the focus is elsewhere.
  void keyPressEvent(QKeyEvent* Event) override;

 private:
  void MoveToCenter();

  TDialogPosition FPosition;
  QPointer<QWidget> FFirstFocus;
};
