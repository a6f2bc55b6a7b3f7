// Drawing of the zoom buttons' pictures at one and two device pixels per pixel.
#include "ZoomIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

// An arrow head at Tip pointing along (Dx, Dy), each a unit step.
void Head(QPainter& p, QPointF Tip, qreal Dx, qreal Dy) {
  const qreal s = 3.5;
  QPainterPath head;
  head.moveTo(Tip);
  head.lineTo(Tip.x() - s * Dx - s * Dy, Tip.y() - s * Dy - s * Dx);
  head.lineTo(Tip.x() - s * Dx + s * Dy, Tip.y() - s * Dy + s * Dx);
  head.closeSubpath();
  p.fillPath(head, p.pen().color());
}

QPixmap Draw(bool WholePage, qreal Ratio) {
  const int side = 24;
  QPixmap pixmap(qRound(side * Ratio), qRound(side * Ratio));
  pixmap.setDevicePixelRatio(Ratio);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  // The page: white with a dark outline and a few grey lines of text.
  const QRectF page = WholePage ? QRectF(6.5, 2.5, 11, 19) : QRectF(2.5, 5.5, 19, 15);
  p.setPen(QPen(QColor(60, 60, 60), 1));
  p.setBrush(Qt::white);
  p.drawRect(page);
  p.setPen(QPen(QColor(160, 160, 160), 1));
  for (qreal y = page.top() + 3; y < page.bottom() - 2; y += 3)
    p.drawLine(QPointF(page.left() + 2.5, y), QPointF(page.right() - 2.5, y));
  p.setPen(QPen(QColor(0, 90, 170), 1.5));
  if (WholePage) {
    // Up and down to the edges: the whole height fits.
    p.drawLine(QPointF(12, 3.5), QPointF(12, 20.5));
    Head(p, QPointF(12, 1.5), 0, -1);
    Head(p, QPointF(12, 22.5), 0, 1);
  } else {
    // Both ways to the edges.
    p.drawLine(QPointF(3.5, 13), QPointF(20.5, 13));
    Head(p, QPointF(1.5, 13), -1, 0);
    Head(p, QPointF(22.5, 13), 1, 0);
  }
  return pixmap;
}

}  // namespace

QIcon ZoomIcon(bool WholePage) {
  QIcon drawn;
  for (qreal ratio : {1.0, 2.0}) drawn.addPixmap(Draw(WholePage, ratio));
  return QIcon::fromTheme(QLatin1String(WholePage ? "zoom-fit-best" : "zoom-fit-width"), drawn);
}
