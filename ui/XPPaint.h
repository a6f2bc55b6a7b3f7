// Drawing shared by the painted controls.
#pragma once

#include <QBrush>
#include <QPainter>
#include <QRect>

// A one-pixel outline just inside Rect, in a colour or a pattern.
inline void DrawOutline(QPainter& Painter, const QRect& Rect, const QBrush& Brush) {
  if (Rect.isEmpty()) return;
  Painter.fillRect(QRect(Rect.left(), Rect.top(), Rect.width(), 1), Brush);
  Painter.fillRect(QRect(Rect.left(), Rect.bottom(), Rect.width(), 1), Brush);
  Painter.fillRect(QRect(Rect.left(), Rect.top(), 1, Rect.height()), Brush);
  Painter.fillRect(QRect(Rect.right(), Rect.top(), 1, Rect.height()), Brush);
}
