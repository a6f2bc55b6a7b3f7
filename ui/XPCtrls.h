// Painted check box, radio button and group box with a flat, rounded look.
#pragma once

#include <QColor>
#include <QFont>
#include <QGroupBox>
#include <QImage>
#include <QString>
#include <QWidget>

// How a control follows its parent's edges; a top-aligned control takes the parent's width and
// keeps its own height (the answer column stacks such controls).
enum class TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };

// The glyph of kind 0 (check box) or 1 (radio button) for the given state, decoded anew from
// the compiled-in JPEG each call (a null image for another kind or when the resources are not
// initialised).
QImage LoadGlyph(int Kind, bool Checked, bool Hot);
// The same for a screen of the given device pixel ratio: from 1.5 on, the picture drawn at twice
// the resolution, with its device pixel ratio set to 2 so that it paints at the same size.
QImage LoadGlyph(int Kind, bool Checked, bool Hot, qreal DevicePixelRatio);

// Gives screen readers the check boxes and radio buttons (role, caption, state, toggle action).
// Called once after the application object exists; calling it again does no harm.
void InstallXPCtrlsAccessibility();

class TCustomXPCheckButton : public QWidget {
  Q_OBJECT

 public:
  explicit TCustomXPCheckButton(QWidget* Parent = nullptr);

  bool Checked() const { return FChecked; }
  // Stores the state and repaints when it differs; the radio button clears its siblings.
  virtual void SetChecked(bool Value);
  bool Hot() const { return FHot; }
  void SetHot(bool Value);
  bool WantTextFrame() const { return FWantTextFrame; }
  void SetWantTextFrame(bool Value);

  QString Caption() const { return FCaption; }
  void SetCaption(const QString& Value);
  // The background colour (the system button face at creation).
  QColor Color() const { return FColor; }
  void SetColor(const QColor& Value);
  // The caption's colour (black at creation).
  QColor CaptionColor() const { return FCaptionColor; }
  void SetCaptionColor(const QColor& Value);
  // Placing an aligned control is its parent's work; the resize rule leaves alone the sides
  // the alignment controls.
  TAlign Align() const { return FAlign; }
  void SetAlign(TAlign Value);

  // What a press does (toggle, then focus) and the click it reports; the accessible
  // toggle action runs this too.
  void Toggle();

  // The size the resize rule gives it with its current font, for layouts.
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override { return sizeHint(); }

 signals:
  // OnClick: the mouse was released inside the control after a press on it.
  void Clicked();

 protected:
  // 0 for a check box, 1 for a radio button.
  virtual int Kind() const { return 0; }
  // A fresh picture for Kind, Checked and Hot; decoded anew on every paint.
  virtual QImage GetGlyph() const;
  // Resizes to the caption's extent + (23, 6) as far as the alignment lets it.
  void ApplyResizeRule();
  // The caption's extent in the font + (23, 6), the height at least the glyph's.
  QSize RuleSize(const QFont& Font) const;
  // Repaints and tells screen readers after FChecked changed.
  void CheckedChanged();

  void paintEvent(QPaintEvent* Event) override;
  void enterEvent(QEnterEvent* Event) override;
  void leaveEvent(QEvent* Event) override;
  void mousePressEvent(QMouseEvent* Event) override;
  void mouseReleaseEvent(QMouseEvent* Event) override;
  void mouseDoubleClickEvent(QMouseEvent* Event) override;
  void keyPressEvent(QKeyEvent* Event) override;
  void focusInEvent(QFocusEvent* Event) override;
  void focusOutEvent(QFocusEvent* Event) override;
  void moveEvent(QMoveEvent* Event) override;
  void resizeEvent(QResizeEvent* Event) override;
  bool event(QEvent* Event) override;

  bool FChecked = false;
  bool FHot = false;
  bool FWantTextFrame = false;

 private:
  QString FCaption;
  QColor FColor;
  QColor FCaptionColor = Qt::black;
  TAlign FAlign = TAlign::alNone;
  // The font the caption is measured with: the application's until the first paint, then the
  // control's as of its latest paint.
  QFont FCanvasFont;
  bool FPressed = false;
  bool FInResizeRule = false;
};

class TXPCheckButton : public TCustomXPCheckButton {
  Q_OBJECT

 public:
  using TCustomXPCheckButton::TCustomXPCheckButton;
};

class TXPCheckBox : public TXPCheckButton {
  Q_OBJECT

 public:
  using TXPCheckButton::TXPCheckButton;
};

class TCustomXPRadioButton : public TXPCheckButton {
  Q_OBJECT

 public:
  explicit TCustomXPRadioButton(QWidget* Parent = nullptr);
  // Also: tab stop only while checked; checking clears the TXPRadioButton siblings.
  void SetChecked(bool Value) override;

 protected:
  int Kind() const override { return 1; }
  void UncheckSiblings();
};

// The class sibling exclusion looks for.
class TXPRadioButton : public TCustomXPRadioButton {
  Q_OBJECT

 public:
  using TCustomXPRadioButton::TCustomXPRadioButton;
};

// A group box whose frame has cut corners; painting only.
class TXPGroupBox : public QGroupBox {
  Q_OBJECT

 public:
  using QGroupBox::QGroupBox;
  bool Ctl3D() const { return FCtl3D; }
  void SetCtl3D(bool Value);

 protected:
  void paintEvent(QPaintEvent* Event) override;

 private:
  bool FCtl3D = true;
};
