// The painted check box and radio button: state, input, sizing and painting.
#include "XPCtrls.h"

#include <QAccessible>
#include <QEnterEvent>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>
#include <algorithm>

#include "XPPaint.h"

namespace {

// The caption's width and the font's line height, as the caption is measured for sizing,
// placing and framing.
QSize TextExtent(const QFont& Font, const QString& Text) {
  const QFontMetrics metrics(Font);
  return {metrics.horizontalAdvance(Text), metrics.height()};
}

// Enter and space toggle; the character decides, not the key, as the keyboard layout would.
bool IsToggleKey(const QKeyEvent& Event) {
  const QString text = Event.text();
  if (text.size() == 1) return text[0] == QChar(13) || text[0] == QChar(32);
  // Events made by a program may carry no text.
  if (!text.isEmpty() || (Event.modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) return false;
  return Event.key() == Qt::Key_Return || Event.key() == Qt::Key_Enter ||
         Event.key() == Qt::Key_Space;
}

// The caption's frame: a one-pixel outline whose pixels alternate between the background and
// black, starting with the background at even x + y, with its four corners left out.
void DrawTextFrame(QPainter& Painter, const QColor& Back, int Left, int Top, int Right,
                   int Bottom) {
  if (Right <= Left || Bottom <= Top) return;
  QImage pattern(2, 2, QImage::Format_RGB32);
  pattern.setPixel(0, 0, Back.rgb());
  pattern.setPixel(1, 1, Back.rgb());
  pattern.setPixel(0, 1, qRgb(0, 0, 0));
  pattern.setPixel(1, 0, qRgb(0, 0, 0));
  Painter.setBrushOrigin(0, 0);
  DrawOutline(Painter, QRect(Left, Top, Right - Left, Bottom - Top), QBrush(pattern));
  for (const QPoint corner : {QPoint(Left, Top), QPoint(Right - 1, Top),
                              QPoint(Right - 1, Bottom - 1), QPoint(Left, Bottom - 1)})
    Painter.fillRect(QRect(corner, QSize(1, 1)), Back);
}

}  // namespace

TCustomXPCheckButton::TCustomXPCheckButton(QWidget* Parent) : QWidget(Parent) {
  // The paint covers every pixel, so nothing needs erasing first.
  setAttribute(Qt::WA_OpaquePaintEvent);
  setFocusPolicy(Qt::StrongFocus);
  FColor = palette().color(QPalette::Button);
  resize(97, 17);
}

void TCustomXPCheckButton::SetChecked(bool Value) {
  if (Value == FChecked) return;
  FChecked = Value;
  CheckedChanged();
}

void TCustomXPCheckButton::CheckedChanged() {
  update();
  QAccessible::State changed;
  changed.checked = true;
  QAccessibleStateChangeEvent event(this, changed);
  QAccessible::updateAccessibility(&event);
}

void TCustomXPCheckButton::SetHot(bool Value) {
  if (Value == FHot) return;
  FHot = Value;
  update();
}

void TCustomXPCheckButton::SetWantTextFrame(bool Value) {
  if (Value == FWantTextFrame) return;
  FWantTextFrame = Value;
  update();
}

void TCustomXPCheckButton::SetCaption(const QString& Value) {
  if (Value == FCaption) return;
  FCaption = Value;
  updateGeometry();
  ApplyResizeRule();
  update();
  QAccessibleEvent event(this, QAccessible::NameChanged);
  QAccessible::updateAccessibility(&event);
}

void TCustomXPCheckButton::SetColor(const QColor& Value) {
  if (Value == FColor) return;
  FColor = Value;
  update();
}

void TCustomXPCheckButton::SetCaptionColor(const QColor& Value) {
  if (Value == FCaptionColor) return;
  FCaptionColor = Value;
  update();
}

void TCustomXPCheckButton::SetAlign(TAlign Value) {
  FAlign = Value;
}

void TCustomXPCheckButton::Toggle() {
  SetChecked(!FChecked);
  setFocus(Qt::OtherFocusReason);
  emit Clicked();
}

QImage TCustomXPCheckButton::GetGlyph() const {
  return LoadGlyph(Kind(), FChecked, FHot, devicePixelRatioF());
}

QSize TCustomXPCheckButton::sizeHint() const {
  return RuleSize(font());
}

QSize TCustomXPCheckButton::RuleSize(const QFont& Font) const {
  const QSize extent = TextExtent(Font, FCaption);
  // Never below the glyph: a paint would grow the control again and the resize rule shrink
  // it, over and over, for a font under eight pixels.
  return {extent.width() + 23,
          std::max(extent.height() + 6, GetGlyph().deviceIndependentSize().toSize().height())};
}

void TCustomXPCheckButton::ApplyResizeRule() {
  // Without a parent the size is the owner's to choose; the guard stops the resize this rule
  // makes from running the rule again.
  if (parentWidget() == nullptr || FInResizeRule) return;
  const QSize size = RuleSize(FCanvasFont);
  const int w = size.width();
  const int h = size.height();
  const bool widthFree =
      FAlign != TAlign::alTop && FAlign != TAlign::alBottom && FAlign != TAlign::alClient;
  const bool heightFree =
      FAlign != TAlign::alLeft && FAlign != TAlign::alRight && FAlign != TAlign::alClient;
  const bool changeWidth = widthFree && w != width();
  const bool changeHeight = heightFree && h != height();
  if (!changeWidth && !changeHeight) return;
  FInResizeRule = true;
  setGeometry(x(), y(), changeWidth ? w : width(), changeHeight ? h : height());
  FInResizeRule = false;
}

void TCustomXPCheckButton::paintEvent(QPaintEvent*) {
  const QImage glyph = GetGlyph();
  const QSize glyphSize = glyph.deviceIndependentSize().toSize();
  FCanvasFont = font();
  const QSize text = TextExtent(FCanvasFont, FCaption);
  int th = text.height();
  if (glyphSize.height() > th) th = glyphSize.height();
  // A caption taller than the control makes it grow; the resize rule adds the margins later.
  if (height() < th) resize(width(), th);

  QPainter painter(this);
  painter.setFont(FCanvasFont);
  painter.fillRect(rect(), FColor);
  painter.drawImage(QPoint(0, (height() - glyphSize.height()) / 2), glyph);

  const QFontMetrics metrics(FCanvasFont);
  painter.setPen(FCaptionColor);
  painter.setBackground(FColor);
  painter.setBackgroundMode(Qt::OpaqueMode);
  const int textTop = (height() - text.height()) / 2;
  painter.drawText(QPoint(glyphSize.width() + 4, textTop + metrics.ascent()), FCaption);

  if (FWantTextFrame && hasFocus())
    DrawTextFrame(painter, FColor, 18, 3, text.width() + 22, text.height() + 4);
}

void TCustomXPCheckButton::enterEvent(QEnterEvent* Event) {
  SetHot(true);
  QWidget::enterEvent(Event);
}

void TCustomXPCheckButton::leaveEvent(QEvent* Event) {
  // Leaving may come while the window is being torn down: nothing here may escape into Qt.
  try {
    SetHot(false);
    QWidget::leaveEvent(Event);
  } catch (...) {
  }
}

void TCustomXPCheckButton::mousePressEvent(QMouseEvent* Event) {
  if (Event->button() != Qt::LeftButton) {
    QWidget::mousePressEvent(Event);
    return;
  }
  // The press changes the state; the release inside only reports the click.
  FPressed = true;
  SetChecked(!FChecked);
  setFocus(Qt::MouseFocusReason);
  Event->accept();
}

void TCustomXPCheckButton::mouseReleaseEvent(QMouseEvent* Event) {
  if (Event->button() != Qt::LeftButton || !FPressed) {
    QWidget::mouseReleaseEvent(Event);
    return;
  }
  FPressed = false;
  Event->accept();
  if (rect().contains(Event->position().toPoint())) emit Clicked();
}

void TCustomXPCheckButton::mouseDoubleClickEvent(QMouseEvent* Event) {
  if (Event->button() != Qt::LeftButton) {
    QWidget::mouseDoubleClickEvent(Event);
    return;
  }
  // The second press toggles back; its click is reported at once so the answer is stored
  // even when the release falls outside.
  FPressed = false;
  Event->accept();
  Toggle();
}

void TCustomXPCheckButton::keyPressEvent(QKeyEvent* Event) {
  if (!IsToggleKey(*Event)) {
    QWidget::keyPressEvent(Event);
    return;
  }
  Event->accept();
  SetChecked(!FChecked);
  emit Clicked();
}

void TCustomXPCheckButton::focusInEvent(QFocusEvent* Event) {
  update();
  QWidget::focusInEvent(Event);
}

void TCustomXPCheckButton::focusOutEvent(QFocusEvent* Event) {
  update();
  QWidget::focusOutEvent(Event);
}

void TCustomXPCheckButton::moveEvent(QMoveEvent* Event) {
  ApplyResizeRule();
  update();
  QWidget::moveEvent(Event);
}

void TCustomXPCheckButton::resizeEvent(QResizeEvent* Event) {
  QWidget::resizeEvent(Event);
  ApplyResizeRule();
}

bool TCustomXPCheckButton::event(QEvent* Event) {
  const bool handled = QWidget::event(Event);
  // A hidden control gets no move events, so joining a parent sizes it at once.
  if (Event->type() == QEvent::ParentChange) ApplyResizeRule();
  return handled;
}

TCustomXPRadioButton::TCustomXPRadioButton(QWidget* Parent) : TXPCheckButton(Parent) {}

void TCustomXPRadioButton::SetChecked(bool Value) {
  if (Value == FChecked) return;
  FChecked = Value;
  // Tab reaches a radio button only while it is checked; a click still focuses it.
  setFocusPolicy(Value ? Qt::StrongFocus : Qt::ClickFocus);
  CheckedChanged();
  if (Value) UncheckSiblings();
}

void TCustomXPRadioButton::UncheckSiblings() {
  const QWidget* parent = parentWidget();
  if (parent == nullptr) return;
  const QObjectList siblings = parent->children();
  for (QObject* sibling : siblings) {
    auto* radio = qobject_cast<TXPRadioButton*>(sibling);
    if (radio != nullptr && radio != this) radio->SetChecked(false);
  }
}
