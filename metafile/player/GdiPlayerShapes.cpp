// TGdiPlayer: lines, shapes, gradient fills and paths.
#include "GdiPlayer.h"
#include "GdiPlayerShared.h"

#include <QtMath>
#include <algorithm>
#include <cmath>
#include <optional>

namespace {

// The pixels an axis-aligned rectangle covers once its edges are rounded (at least one pixel
// each way), or nothing when the path is not one such rectangle.
std::optional<QRect> WholePixelBox(const QPainterPath& path, const QTransform& toPixels) {
  const int n = path.elementCount();
  if (n < 4 || n > 5) return std::nullopt;
  const QRectF box = toPixels.mapRect(path.controlPointRect());
  for (int i = 0; i < n; ++i) {
    const QPainterPath::Element e = path.elementAt(i);
    if (e.isCurveTo() || (i > 0 && e.isMoveTo())) return std::nullopt;
    const QPointF p = toPixels.map(QPointF(e.x, e.y));
    const bool onX = std::abs(p.x() - box.left()) < 1e-6 || std::abs(p.x() - box.right()) < 1e-6;
    const bool onY = std::abs(p.y() - box.top()) < 1e-6 || std::abs(p.y() - box.bottom()) < 1e-6;
    if (!onX || !onY) return std::nullopt;
  }
  if (!(box.width() > 0 && box.height() > 0)) return std::nullopt;
  constexpr double kLimit = 1 << 28;
  if (!(std::abs(box.left()) < kLimit && std::abs(box.right()) < kLimit &&
        std::abs(box.top()) < kLimit && std::abs(box.bottom()) < kLimit))
    return std::nullopt;
  const int left = static_cast<int>(std::floor(box.left() + 0.5));
  const int top = static_cast<int>(std::floor(box.top() + 0.5));
  const int right = std::max(left + 1, static_cast<int>(std::floor(box.right() + 0.5)));
  const int bottom = std::max(top + 1, static_cast<int>(std::floor(box.bottom() + 0.5)));
  return QRect(left, top, right - left, bottom - top);
}

QColor MeanColor(const QColor (&c)[3]) {
  return QColor((c[0].red() + c[1].red() + c[2].red()) / 3,
                (c[0].green() + c[1].green() + c[2].green()) / 3,
                (c[0].blue() + c[1].blue() + c[2].blue()) / 3);
}

// The pixels of box (in the triangle's coordinates) coloured by their barycentric weights;
// det is the triangle's doubled signed area, not zero.
QImage BlendedTriangle(const QRect& box, const QPolygonF& tri, const QColor (&c)[3], double det) {
  const double ax = tri[1].x() - tri[0].x(), ay = tri[1].y() - tri[0].y();
  const double bx = tri[2].x() - tri[0].x(), by = tri[2].y() - tri[0].y();
  QImage shade(box.size(), QImage::Format_RGB32);
  for (int y = 0; y < shade.height(); ++y) {
    QRgb* line = reinterpret_cast<QRgb*>(shade.scanLine(y));
    const double py = box.top() + y + 0.5 - tri[0].y();
    for (int x = 0; x < shade.width(); ++x) {
      const double px = box.left() + x + 0.5 - tri[0].x();
      // Weights held inside the triangle for the pixels its edges only touch.
      const double w1 = std::clamp((px * by - py * bx) / det, 0.0, 1.0);
      const double w2 = std::clamp((ax * py - ay * px) / det, 0.0, 1.0 - w1);
      const double w0 = 1 - w1 - w2;
      auto mix = [&](int c0, int c1, int c2) {
        return static_cast<int>(std::lround(w0 * c0 + w1 * c1 + w2 * c2));
      };
      line[x] = qRgb(mix(c[0].red(), c[1].red(), c[2].red()),
                     mix(c[0].green(), c[1].green(), c[2].green()),
                     mix(c[0].blue(), c[1].blue(), c[2].blue()));
    }
  }
  return shade;
}

bool HasCurves(const QPainterPath& path) {
  for (int i = 0; i < path.elementCount(); ++i)
    if (path.elementAt(i).isCurveTo()) return true;
  return false;
}

}  // namespace

void TGdiPlayer::FillAndStroke(const QPainterPath& shape, bool fill, bool stroke) {
  QPainter::CompositionMode mode;
  if (!BeginDraw(&mode)) return;
  QTransform t = LogicalToOutput();
  const QPen pen = stroke ? MakePen(t) : QPen(Qt::NoPen);
  // A shape wholly off the page draws nothing; one reaching far beyond it (a damaged or
  // hostile coordinate) is drawn in output units with its points held near the page, since
  // the rasteriser's work grows with the length of the curves it flattens.
  const QRectF bounds = t.mapRect(shape.controlPointRect());
  const double reach = pen.style() == Qt::NoPen ? 1 : pen.widthF() + 1;
  if (!std::isfinite(bounds.width() + bounds.height() + bounds.left() + bounds.top()) ||
      !bounds.adjusted(-reach, -reach, reach, reach).intersects(FTarget))
    return;
  QPainterPath path = shape;
  const double kMargin = 4 * std::max(FTarget.width(), FTarget.height()) + 1000;
  const QRectF near = FTarget.adjusted(-kMargin, -kMargin, kMargin, kMargin);
  if (!near.contains(bounds)) {
    path = t.map(shape);
    for (int i = 0; i < path.elementCount(); ++i) {
      const QPainterPath::Element e = path.elementAt(i);
      path.setElementPositionAt(i, std::clamp(e.x, near.left(), near.right()),
                                std::clamp(e.y, near.top(), near.bottom()));
    }
    t = QTransform();
  }
  const QTransform toPixels = t * FPainterBase * FPixelsFromPainter;
  FPainter.setTransform(t * FPainterBase);
  const TGdiBrush brush = RopBrush(S.Brush);
  if (fill && brush.Kind == TGdiBrush::bkSolid && toPixels.type() <= QTransform::TxScale) {
    if (const std::optional<QRect> box = WholePixelBox(path, toPixels)) {
      // GDI fills whole pixels between rounded edges: a one-pixel table rule stays one sharp
      // pixel at any scale, and cells that share an edge neither overlap nor part.
      FPainter.setTransform(FPixelsFromPainter.inverted());
      FPainter.fillRect(*box, brush.Color);
      FPainter.setTransform(t * FPainterBase);
      fill = false;
    }
  }
  if (fill && brush.Kind != TGdiBrush::bkNull) {
    if (brush.Kind == TGdiBrush::bkHatched && S.BkMode == 2)
      FPainter.fillPath(path, RopBackground());
    FPainter.fillPath(path, MakeBrush(brush, t));
  }
  if (pen.style() == Qt::NoPen) return;
  QPen stroker = pen;
  // A pattern is laid from the output's origin in the coordinates the path is drawn in.
  if (stroker.brush().style() != Qt::SolidPattern) stroker.setBrush(MakePen(t).brush());
  StrokeWithPen(path, stroker, toPixels);
}

void TGdiPlayer::StrokeWithPen(const QPainterPath& path, const QPen& pen,
                               const QTransform& toPixels) {
  const bool solid = pen.brush().style() == Qt::SolidPattern;
  if (!solid && S.Pen.Brush.Kind == TGdiBrush::bkHatched && S.BkMode == 2) {
    // An opaque background shows between the lines of a hatched pen, as it does in a fill.
    QPen under = pen;
    under.setBrush(RopBackground());
    FPainter.strokePath(path, under);
  }
  if (solid && pen.widthF() <= 1.5 && !HasCurves(path)) {
    StrokeOnPixelCentres(path.toSubpathPolygons(toPixels), pen);
    return;
  }
  FPainter.strokePath(path, pen);
}

// GDI lights whole pixels: a hairline lies on the pixel row or column its points fall in.
// Drawn between two rows it would come out as two half-grey rows, the blur a table border
// must not have, so the points of straight hairlines move to the centres of their pixels.
void TGdiPlayer::StrokeOnPixelCentres(const QList<QPolygonF>& polygons, const QPen& pen) {
  QPainterPath snapped;
  for (const QPolygonF& polygon : polygons) {
    for (qsizetype i = 0; i < polygon.size(); ++i) {
      const QPointF p(std::floor(polygon[i].x()) + 0.5, std::floor(polygon[i].y()) + 0.5);
      if (i == 0)
        snapped.moveTo(p);
      else
        snapped.lineTo(p);
    }
  }
  FPainter.setTransform(FPixelsFromPainter.inverted());
  if (StrokeWithRasterOp(snapped, pen)) return;
  FPainter.strokePath(snapped, pen);
}

void TGdiPlayer::StrokeOpen(const QPainterPath& shape) {
  FillAndStroke(shape, false, true);
}

// ---- primitives ----

QRectF TGdiPlayer::DeviceExclusive(const QRectF& r) const {
  // GDI's rectangle-based shapes end one pixel before their right and bottom edges: a pixel of
  // the surface they are drawn on, whatever the resolution the metafile was recorded at.
  const QTransform d = LogicalToOutput() * FPainterBase * FPixelsFromPainter;
  if (d.isRotating() || FInPath) return r.normalized();
  bool ok = false;
  const QTransform back = d.inverted(&ok);
  if (!ok) return r.normalized();
  QRectF dev = d.mapRect(r.normalized());
  if (dev.width() > 1) dev.setRight(dev.right() - 1);
  if (dev.height() > 1) dev.setBottom(dev.bottom() - 1);
  return back.mapRect(dev);
}

void TGdiPlayer::MoveTo(QPointF p) {
  S.Current = p;
  if (FInPath) {
    FPath.moveTo(p);
    FFigureStart = p;
  }
}

void TGdiPlayer::LineTo(QPointF p) {
  if (FInPath) {
    if (FPath.elementCount() == 0) FPath.moveTo(S.Current);
    FPath.lineTo(p);
  } else {
    QPainterPath path(S.Current);
    path.lineTo(p);
    StrokeOpen(path);
  }
  S.Current = p;
}

void TGdiPlayer::Polyline(const QPolygonF& pts) {
  if (pts.size() < 2) return;
  if (FInPath) {
    FPath.moveTo(pts[0]);
    for (qsizetype i = 1; i < pts.size(); ++i) FPath.lineTo(pts[i]);
    return;
  }
  QPainterPath path;
  path.addPolygon(pts);
  StrokeOpen(path);
}

void TGdiPlayer::PolylineTo(const QPolygonF& pts) {
  if (pts.isEmpty()) return;
  if (FInPath) {
    if (FPath.elementCount() == 0) FPath.moveTo(S.Current);
    for (const QPointF& p : pts) FPath.lineTo(p);
  } else {
    QPainterPath path(S.Current);
    for (const QPointF& p : pts) path.lineTo(p);
    StrokeOpen(path);
  }
  S.Current = pts.back();
}

void TGdiPlayer::PolyBezier(const QPolygonF& pts, bool fromCurrent) {
  qsizetype i = 0;
  QPainterPath local;
  QPainterPath& path = FInPath ? FPath : local;
  if (fromCurrent) {
    if (!FInPath || FPath.elementCount() == 0) path.moveTo(S.Current);
  } else {
    if (pts.size() < 4) return;
    path.moveTo(pts[0]);
    i = 1;
  }
  for (; i + 2 < pts.size(); i += 3) path.cubicTo(pts[i], pts[i + 1], pts[i + 2]);
  if (fromCurrent && i > 0) S.Current = pts[i - 1];
  if (!FInPath) StrokeOpen(local);
}

void TGdiPlayer::Polygon(const QPolygonF& pts) {
  if (pts.size() < 2) return;
  if (FInPath) {
    FPath.addPolygon(pts);
    FPath.closeSubpath();
    return;
  }
  QPainterPath path;
  path.setFillRule(FillRule());
  path.addPolygon(pts);
  path.closeSubpath();
  FillAndStroke(path, true, true);
}

void TGdiPlayer::PolyPolygon(const std::vector<QPolygonF>& polys) {
  QPainterPath path;
  path.setFillRule(FillRule());
  for (const QPolygonF& p : polys) {
    if (p.size() < 2) continue;
    path.addPolygon(p);
    path.closeSubpath();
  }
  if (FInPath) {
    FPath.addPath(path);
    return;
  }
  FillAndStroke(path, true, true);
}

void TGdiPlayer::PolyDraw(const QPolygonF& pts, const uint8_t* types) {
  QPainterPath local;
  QPainterPath& path = FInPath ? FPath : local;
  if (path.elementCount() == 0) path.moveTo(S.Current);
  for (qsizetype i = 0; i < pts.size(); ++i) {
    const uint8_t type = types[i] & 0x6;
    if (type == 6) {
      path.moveTo(pts[i]);
    } else if (type == 4 && i + 2 < pts.size()) {
      path.cubicTo(pts[i], pts[i + 1], pts[i + 2]);
      i += 2;
    } else {
      path.lineTo(pts[i]);
    }
    if (types[i] & 1) path.closeSubpath();
    S.Current = pts[i];
  }
  if (!FInPath) StrokeOpen(local);
}

void TGdiPlayer::Rectangle(const QRectF& r) {
  QPainterPath path;
  path.addRect(DeviceExclusive(r));
  if (FInPath) {
    FPath.addPath(path);
    return;
  }
  FillAndStroke(path, true, true);
}

void TGdiPlayer::RoundRect(const QRectF& r, QSizeF corner) {
  QPainterPath path;
  path.addRoundedRect(DeviceExclusive(r), std::abs(corner.width()) / 2,
                      std::abs(corner.height()) / 2);
  if (FInPath) {
    FPath.addPath(path);
    return;
  }
  FillAndStroke(path, true, true);
}

void TGdiPlayer::Ellipse(const QRectF& r) {
  QPainterPath path;
  path.addEllipse(DeviceExclusive(r));
  if (FInPath) {
    FPath.addPath(path);
    return;
  }
  FillAndStroke(path, true, true);
}

QPainterPath TGdiPlayer::ArcPath(const QRectF& boxIn, QPointF start, QPointF end, TArcKind kind,
                                 QPointF* arcStart, QPointF* arcEnd) const {
  const QRectF box = boxIn.normalized();
  const QPointF c = box.center();
  const double rx = std::max(box.width() / 2, 1e-9), ry = std::max(box.height() / 2, 1e-9);
  auto angleOf = [&](QPointF p) {
    return qRadiansToDegrees(std::atan2(-(p.y() - c.y()) / ry, (p.x() - c.x()) / rx));
  };
  const double a0 = angleOf(start), a1 = angleOf(end);
  double sweep = std::fmod(a1 - a0 + 720.0, 360.0);
  if (sweep <= 1e-9) sweep = 360.0;
  // Counter-clockwise as seen on the output; a flipped mapping turns it round in logical units.
  bool counterClockwise = S.ArcDirection != 2;
  if (LogicalToOutput().determinant() < 0) counterClockwise = !counterClockwise;
  if (!counterClockwise) sweep = sweep - 360.0;
  QPainterPath path;
  path.arcMoveTo(box, a0);
  if (arcStart) *arcStart = path.currentPosition();
  if (kind == akPie) {
    path = QPainterPath(c);
    path.arcTo(box, a0, sweep);
  } else {
    path.arcTo(box, a0, sweep);
  }
  if (arcEnd) *arcEnd = path.currentPosition();
  if (kind == akChord || kind == akPie) path.closeSubpath();
  return path;
}

void TGdiPlayer::ArcShape(const QRectF& box, QPointF start, QPointF end, TArcKind kind) {
  QPointF from, to;
  QPainterPath path = ArcPath(box, start, end, kind, &from, &to);
  if (kind == akArcTo) {
    QPainterPath joined(S.Current);
    joined.lineTo(from);
    joined.connectPath(path);
    path = joined;
    S.Current = to;
  }
  if (FInPath) {
    if (kind == akArcTo && FPath.elementCount() > 0) {
      FPath.lineTo(from);
      FPath.connectPath(ArcPath(box, start, end, kind, nullptr, nullptr));
    } else {
      FPath.addPath(path);
    }
    return;
  }
  if (kind == akArc || kind == akArcTo)
    StrokeOpen(path);
  else
    FillAndStroke(path, true, true);
}

void TGdiPlayer::AngleArc(QPointF center, double radius, double startDeg, double sweepDeg) {
  const QRectF box(center.x() - radius, center.y() - radius, 2 * radius, 2 * radius);
  QPainterPath arc;
  arc.arcMoveTo(box, startDeg);
  const QPointF from = arc.currentPosition();
  arc.arcTo(box, startDeg, sweepDeg);
  if (FInPath) {
    if (FPath.elementCount() == 0) FPath.moveTo(S.Current);
    FPath.lineTo(from);
    FPath.connectPath(arc);
  } else {
    QPainterPath path(S.Current);
    path.lineTo(from);
    path.connectPath(arc);
    StrokeOpen(path);
  }
  S.Current = arc.currentPosition();
}

void TGdiPlayer::SetPixel(QPointF p, const QColor& c) {
  QPainter::CompositionMode mode;
  if (!BeginDraw(&mode)) return;
  const QPointF o = LogicalToOutput().map(p);
  FPainter.setTransform(FPainterBase);
  const double s = std::max(FPixelScale, 1.0);
  FPainter.fillRect(QRectF(o.x(), o.y(), s, s), c);
}

void TGdiPlayer::FillGradient(const QPolygonF& logical, const QBrush& brush) {
  QPainter::CompositionMode mode;
  if (!BeginDraw(&mode)) return;
  FPainter.setTransform(LogicalToOutput() * FPainterBase);
  QPainterPath path;
  path.addPolygon(logical);
  FPainter.fillPath(path, brush);
}

void TGdiPlayer::FillShadedTriangle(const QPolygonF& logical, const QColor (&colors)[3]) {
  QPainter::CompositionMode mode;
  if (!BeginDraw(&mode) || logical.size() != 3) return;
  const QPolygonF tri = (LogicalToOutput() * FPainterBase * FPixelsFromPainter).map(logical);
  for (const QPointF& p : tri)
    if (!std::isfinite(p.x()) || !std::isfinite(p.y())) return;
  const QRectF page = (FPainterBase * FPixelsFromPainter).mapRect(FTarget);
  const QRect box = tri.boundingRect().intersected(page).toAlignedRect();
  if (box.isEmpty()) return;
  QPainterPath path;
  path.addPolygon(tri);
  path.closeSubpath();
  FPainter.setTransform(FPixelsFromPainter.inverted());
  // The blend is computed per pixel; a triangle too thin to have an area, or one past the
  // page's budget of blended pixels (a file can hold many thousand triangles), takes the mean
  // colour instead.
  const double det = (tri[1].x() - tri[0].x()) * (tri[2].y() - tri[0].y()) -
                     (tri[1].y() - tri[0].y()) * (tri[2].x() - tri[0].x());
  constexpr int64_t kBlendBudget = int64_t{1} << 25;
  const int64_t area = int64_t{box.width()} * box.height();
  if (std::abs(det) < 1e-9 || FBlendedPixels + area > kBlendBudget) {
    FPainter.fillPath(path, MeanColor(colors));
    return;
  }
  FBlendedPixels += area;
  QBrush brush(BlendedTriangle(box, tri, colors, det));
  brush.setTransform(QTransform::fromTranslate(box.left(), box.top()));
  // Whole pixels, as GDI fills them: triangles sharing an edge then meet without a seam.
  FPainter.setRenderHint(QPainter::Antialiasing, false);
  FPainter.fillPath(path, brush);
}

// ---- paths ----

void TGdiPlayer::BeginPath() {
  FPath = QPainterPath();
  FInPath = true;
}

void TGdiPlayer::AbortPath() {
  FPath = QPainterPath();
  FInPath = false;
}

void TGdiPlayer::CloseFigure() {
  if (FInPath) FPath.closeSubpath();
}

void TGdiPlayer::DrawPath(bool fill, bool stroke) {
  FInPath = false;
  FPath.setFillRule(FillRule());
  FillAndStroke(FPath, fill, stroke);
  FPath = QPainterPath();
}

void TGdiPlayer::FlattenPath() {
  QPainterPath flat;
  for (const QPolygonF& poly : FPath.toSubpathPolygons()) flat.addPolygon(poly);
  FPath = flat;
}

void TGdiPlayer::WidenPath() {
  QPainterPathStroker stroker;
  const double width = S.Pen.Width > 0 ? S.Pen.Width : 1.0;
  stroker.setWidth(width);
  FPath = stroker.createStroke(FPath);
}
