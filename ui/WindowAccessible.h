// What screen readers see of the main window's own parts beyond the painted controls.
#pragma once

#include <QLabel>
#include <QString>

class QAbstractButton;
class QTimer;

// Installs the interfaces below. Called once after the application object exists; calling it
// again does no harm.
void InstallWindowAccessibility();

// The button's accessible press runs its click after the accessibility call has returned, so a
// command that opens a dialog never keeps a screen reader waiting for the dialog to close.
void DeferAccessiblePress(QAbstractButton& Button);

// A line of the window that tells something once: shown with its text for a while, then hidden.
// Screen readers get it as a notification, which they speak when it appears.
class TNoticeLabel : public QLabel {
  Q_OBJECT

 public:
  explicit TNoticeLabel(QWidget* Parent = nullptr);
  // Shows Text for Milliseconds, or until cleared when 0; told again when already showing.
  void Tell(const QString& Text, int Milliseconds);
  // Hides the text now.
  void Clear();

 private:
  QTimer* FHide;
};
