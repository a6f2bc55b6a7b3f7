// The group box's frame with cut corners and its caption over the frame line.
#include <QFontMetrics>
#include <QPainter>
#include <QPalette>

#include "XPCtrls.h"
#include "XPPaint.h"

namespace {

// A one-pixel outline inside the rectangle from (Left, Top) to (Right, Bottom), both exclusive.
void Outline(QPainter& Painter, int Left, int Top, int Right, int Bottom, const QColor& Colour) {
  DrawOutline(Painter, QRect(Left, Top, Right - Left, Bottom - Top), Colour);
}

void Pixel(QPainter& Painter, int X, int Y, const QColor& Colour) {
  Painter.fillRect(QRect(X, Y, 1, 1), Colour);
}

// The caption as it is shown: an ampersand underlines the next character and is not drawn
// itself; a doubled one stands for one.
QString ShownText(const QString& Caption) {
  QString shown;
  shown.reserve(Caption.size());
  for (qsizetype i = 0; i < Caption.size(); ++i) {
    if (Caption[i] == QLatin1Char('&') && i + 1 < Caption.size()) ++i;
    shown += Caption[i];
  }
  return shown;
}

}  // namespace

void TXPGroupBox::SetCtl3D(bool Value) {
  if (Value == FCtl3D) return;
  FCtl3D = Value;
  update();
}

void TXPGroupBox::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setFont(font());
  const QFontMetrics metrics(font());
  const int h = metrics.height();
  const QColor back = palette().color(backgroundRole());
  const QColor light = palette().color(QPalette::Light);

  int l = 0;
  int t = h / 2 - 1;
  int r = width();
  int b = height();
  QColor frame;
  if (FCtl3D) {
    Outline(painter, l + 1, t + 1, r, b, light);
    r -= 1;
    b -= 1;
    frame = palette().color(QPalette::Dark);
  } else {
    frame = palette().color(QPalette::WindowText);
  }
  Outline(painter, l, t, r, b, frame);

  // Each corner: three background pixels round it off, three frame pixels draw the bend, and
  // with the 3D look three light pixels follow the bend inside. Offsets point inwards.
  struct TCorner {
    int x, y, dx, dy;
  };
  const TCorner corners[] = {
      {l, t, 1, 1}, {r - 1, t, -1, 1}, {r - 1, b - 1, -1, -1}, {l, b - 1, 1, -1}};
  const QPoint backs[] = {{0, 0}, {1, 0}, {0, 1}};
  const QPoint bends[] = {{1, 1}, {2, 1}, {1, 2}};
  const QPoint lights[] = {{2, 2}, {3, 2}, {2, 3}};
  for (const TCorner& c : corners) {
    const auto put = [&](const QPoint(&offsets)[3], const QColor& colour) {
      for (const QPoint& o : offsets)
        Pixel(painter, c.x + o.x() * c.dx, c.y + o.y() * c.dy, colour);
    };
    put(backs, back);
    put(bends, frame);
    if (FCtl3D) put(lights, light);
  }

  const QString caption = title();
  if (caption.isEmpty()) return;
  const int tw = metrics.horizontalAdvance(ShownText(caption));
  const int left = isRightToLeft() ? r - tw - 8 : 8;
  const QRect textRect(left, 0, tw, h);
  constexpr int kFlags = Qt::TextSingleLine | Qt::TextShowMnemonic;
  painter.fillRect(textRect, back);
  painter.setPen(palette().color(foregroundRole()));
  painter.drawText(textRect, kFlags | Qt::AlignLeft | Qt::AlignTop, caption);
}
