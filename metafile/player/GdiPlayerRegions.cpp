// TGdiPlayer: clipping and regions.
#include "GdiPlayer.h"
#include "GdiPlayerShared.h"

#include <algorithm>
#include <cmath>

namespace {

QPainterPath RegionPath(const QRegion& r) {
  QPainterPath p;
  for (const QRect& rect : r) p.addRect(QRectF(rect));
  return p;
}

// Clip coordinates far off the page are held where an int still holds them (and a non-finite one
// at 0): a hostile extent or transform must not overflow the integer region.
int OutputInt(double v) {
  constexpr double kMaxOutputCoord = 1 << 28;
  if (!std::isfinite(v)) return 0;
  return static_cast<int>(std::lround(std::clamp(v, -kMaxOutputCoord, kMaxOutputCoord)));
}

QPolygon OutputPolygon(const QPolygonF& poly) {
  QPolygon out;
  out.reserve(poly.size());
  for (const QPointF& p : poly) out << QPoint(OutputInt(p.x()), OutputInt(p.y()));
  return out;
}

// Qt turns a polygon taller than 100000 rows into an empty region and leaks its edge table on
// the way: such a polygon gets the empty region here without reaching Qt.
QRegion PolygonRegion(const QPolygonF& poly, Qt::FillRule rule) {
  const QPolygon out = OutputPolygon(poly);
  const QRect bounds = out.boundingRect();
  if (int64_t(bounds.bottom()) - bounds.top() > 100000) return QRegion();
  return QRegion(out, rule);
}

QRegion PathRegion(const QPainterPath& path, Qt::FillRule rule) {
  QRegion out;
  QPainterPath p = path;
  p.setFillRule(rule);
  for (const QPolygonF& poly : p.toFillPolygons()) out = out.xored(PolygonRegion(poly, rule));
  return out;
}

}  // namespace

// ---- clipping ----

QRegion TGdiPlayer::LogicalRectToOutput(const QRectF& r) const {
  const QTransform t = LogicalToOutput();
  if (t.isRotating()) {
    return PolygonRegion(t.map(QPolygonF(r.normalized())), Qt::OddEvenFill);
  }
  return QRegion(OutputRect(t.mapRect(r.normalized())));
}

QRect TGdiPlayer::OutputRect(const QRectF& output) const {
  const QRectF o = output.normalized();
  return QRect(QPoint(OutputInt(o.left()), OutputInt(o.top())),
               QPoint(OutputInt(o.left() + o.width()) - 1, OutputInt(o.top() + o.height()) - 1));
}

void TGdiPlayer::ApplyClip() {
  QRegion want = S.HasClip ? S.Clip : QRegion(FTarget.toAlignedRect());
  if (S.HasMeta) want = want.intersected(S.Meta);
  if (FClipApplied && want == FAppliedClip) return;
  FPainter.setTransform(FPainterBase);
  FPainter.setClipRegion(want.intersected(FTarget.toAlignedRect()));
  FAppliedClip = want;
  FClipApplied = true;
}

void TGdiPlayer::IntersectClip(const QRectF& logical) {
  const QRegion r = LogicalRectToOutput(logical);
  S.Clip = S.HasClip ? S.Clip.intersected(r) : r;
  S.HasClip = true;
  ApplyClip();
}

void TGdiPlayer::ExcludeClip(const QRectF& logical) {
  const QRegion base = S.HasClip ? S.Clip : QRegion(FTarget.toAlignedRect());
  S.Clip = base.subtracted(LogicalRectToOutput(logical));
  S.HasClip = true;
  ApplyClip();
}

void TGdiPlayer::OffsetClip(QPointF logical) {
  if (!S.HasClip) return;
  const QTransform t = LogicalToOutput();
  const QPointF d = t.map(logical) - t.map(QPointF(0, 0));
  S.Clip.translate(OutputInt(d.x()), OutputInt(d.y()));
  ApplyClip();
}

void TGdiPlayer::SelectClipRegion(const QRegion& output, uint32_t mode) {
  const QRegion universe(FTarget.toAlignedRect());
  const QRegion current = S.HasClip ? S.Clip : universe;
  switch (mode) {
    case 1:
      S.Clip = current.intersected(output);
      break;
    case 2:
      S.Clip = current.united(output);
      break;
    case 3:
      S.Clip = current.xored(output);
      break;
    case 4:
      S.Clip = current.subtracted(output);
      break;
    default:
      S.Clip = output;
      break;
  }
  S.HasClip = true;
  ApplyClip();
}

void TGdiPlayer::SetMetaRegion() {
  if (S.HasClip) {
    S.Meta = S.HasMeta ? S.Meta.intersected(S.Clip) : S.Clip;
    S.HasMeta = true;
  }
  S.HasClip = false;
  S.Clip = QRegion();
  ApplyClip();
}

void TGdiPlayer::ResetClip() {
  S.HasClip = false;
  S.Clip = QRegion();
  ApplyClip();
}

void TGdiPlayer::SelectClipPath(uint32_t mode) {
  const QPainterPath out = LogicalToOutput().map(FPath);
  SelectClipRegion(PathRegion(out, FillRule()), mode);
  FPath = QPainterPath();
  FInPath = false;
}

// ---- region fills ----

void TGdiPlayer::FillRegion(const QRegion& logical, const TGdiBrush& brush) {
  QPainter::CompositionMode mode;
  if (!BeginDraw(&mode)) return;
  const QTransform t = LogicalToOutput();
  FPainter.setTransform(t * FPainterBase);
  FPainter.fillPath(RegionPath(logical), MakeBrush(RopBrush(brush), t));
}

void TGdiPlayer::FrameRegion(const QRegion& logical, const TGdiBrush& brush, QSizeF stroke) {
  // The frame is the region less the region shrunk by the stroke size.
  QRegion inner;
  const int w = std::max(1, static_cast<int>(std::abs(stroke.width())));
  const int h = std::max(1, static_cast<int>(std::abs(stroke.height())));
  for (const QRect& r : logical) inner += r.adjusted(w, h, -w, -h);
  FillRegion(logical.subtracted(inner), brush);
}

void TGdiPlayer::InvertRegion(const QRegion& logical) {
  const uint32_t saved = S.Rop2;
  S.Rop2 = 6;
  QPainter::CompositionMode mode;
  if (BeginDraw(&mode)) {
    FPainter.setTransform(LogicalToOutput() * FPainterBase);
    FPainter.fillPath(RegionPath(logical), Qt::black);
  }
  S.Rop2 = saved;
}
