// The shared dialog frame: window flags, palette, font, centring and the Enter and Escape keys.
#include "DialogForm.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QPalette>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>

#include "DialogParts.h"
#include "ModalResult.h"

QColor DialogColor() {
  return QColor(237, 231, 208);
}

QFont DialogFont(int PixelSize, bool Bold) {
  QFont font;
  font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans")});
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(PixelSize);
  font.setBold(Bold);
  return font;
}

TDialogForm::TDialogForm(QWidget* Parent, const QString& Caption, QSize ClientSize,
                         TDialogPosition Position)
    : QDialog(Parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      FPosition(Position) {
  setWindowTitle(Caption);
  setFixedSize(ClientSize);
  setFont(DialogFont());
  QPalette palette = this->palette();
  palette.setColor(QPalette::Window, DialogColor());
  setPalette(palette);
  setAutoFillBackground(true);
}

void TDialogForm::AddOkCancelButtons(int Left, QPushButton*& OK, QPushButton*& Cancel) {
  OK = AddResultButton(this, this, QStringLiteral("OKBtn"), QStringLiteral("OK"),
                       QRect(Left, 8, 75, 25), mrOk, true);
  Cancel = AddResultButton(this, this, QStringLiteral("CancelBtn"), QStringLiteral("Cancel"),
                           QRect(Left, 38, 75, 25), mrCancel);
  setTabOrder(OK, Cancel);
  SetFirstFocus(OK);
}

void TDialogForm::reject() {
  done(mrCancel);
}

void TDialogForm::showEvent(QShowEvent* Event) {
  QDialog::showEvent(Event);
  // Spontaneous show events come from the window system (a restore), not from exec().
  if (Event->spontaneous()) return;
  MoveToCenter();
  // Each showing starts at the first control, whatever had the focus when it last closed; a tab
  // reason makes the name field select its text, so typing replaces the last name.
  if (FFirstFocus) FFirstFocus->setFocus(Qt::TabFocusReason);
}

void TDialogForm::MoveToCenter() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return;
  const QRect area = FPosition == TDialogPosition::poDesktopCenter ? screen->virtualGeometry()
                                                                   : screen->geometry();
  const QSize outer = frameGeometry().size();
  move(area.x() + (area.width() - outer.width()) / 2,
       area.y() + (area.height() - outer.height()) / 2);
}

void TDialogForm::keyPressEvent(QKeyEvent* Event) {
  const bool enter = Event->key() == Qt::Key_Return || Event->key() == Qt::Key_Enter;
  const Qt::KeyboardModifiers mods = Event->modifiers() & ~Qt::KeypadModifier;
  if (enter && mods == Qt::NoModifier) {
    // The buttons have Qt's auto-default off, so that no button turns default on its own; a
    // focused button still answers Enter itself, as a focused button does on Windows.
    auto* button = qobject_cast<QPushButton*>(focusWidget());
    if (button != nullptr && button->isVisible() && button->isEnabled()) {
      button->click();
      return;
    }
  }
  QDialog::keyPressEvent(Event);
}
