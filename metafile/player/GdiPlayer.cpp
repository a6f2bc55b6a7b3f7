// TGdiPlayer: GDI device-context state, object table, clipping, paths and shapes on QPainter.
#include "GdiPlayer.h"

#include <optional>

#include <QFontMetricsF>
#include <QGlyphRun>
#include <QLinearGradient>
#include <QTextLayout>
#include <QtMath>
#include <algorithm>
#include <cmath>

namespace {

constexpr size_t kMaxObjects = 65536;
constexpr size_t kMaxSavedStates = 4096;

enum : uint32_t { PS_NULL = 5, PS_USERSTYLE = 7, PS_GEOMETRIC = 0x10000 };
enum : uint32_t { R2_BLACK = 1, R2_NOP = 11, R2_COPYPEN = 13, R2_WHITE = 16 };

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

QPainter::CompositionMode Rop2Mode(uint32_t rop) {
  switch (rop) {
    case 2:
      return QPainter::RasterOp_NotSourceAndNotDestination;
    case 3:
      return QPainter::RasterOp_NotSourceAndDestination;
    case 4:
      return QPainter::RasterOp_NotSource;
    case 5:
      return QPainter::RasterOp_SourceAndNotDestination;
    case 6:
      return QPainter::RasterOp_NotDestination;
    case 7:
      return QPainter::RasterOp_SourceXorDestination;
    case 8:
      return QPainter::RasterOp_NotSourceOrNotDestination;
    case 9:
      return QPainter::RasterOp_SourceAndDestination;
    case 10:
      return QPainter::RasterOp_NotSourceXorDestination;
    case 12:
      return QPainter::RasterOp_NotSourceOrDestination;
    case 14:
      return QPainter::RasterOp_SourceOrNotDestination;
    case 15:
      return QPainter::RasterOp_SourceOrDestination;
    default:
      return QPainter::CompositionMode_SourceOver;
  }
}

// Raster operations of bitmap records that have a counterpart; others draw as a plain copy.
QPainter::CompositionMode Rop3Mode(uint32_t rop) {
  switch (rop >> 16) {
    case 0x88:
      return QPainter::RasterOp_SourceAndDestination;  // SRCAND
    case 0xEE:
      return QPainter::RasterOp_SourceOrDestination;  // SRCPAINT
    case 0x66:
      return QPainter::RasterOp_SourceXorDestination;  // SRCINVERT
    case 0x33:
      return QPainter::RasterOp_NotSource;  // NOTSRCCOPY
    case 0x44:
      return QPainter::RasterOp_SourceAndNotDestination;  // SRCERASE
    case 0xBB:
      return QPainter::RasterOp_NotSourceOrDestination;  // MERGEPAINT
    case 0x11:
      return QPainter::RasterOp_NotSourceAndNotDestination;  // NOTSRCERASE
    default:
      return QPainter::CompositionMode_SourceOver;
  }
}

double Length(QPointF v) {
  return std::hypot(v.x(), v.y());
}

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

TGdiPlayer::TGdiPlayer(QPainter& painter, const QRectF& target, const QTransform& deviceToOutput,
                       double devicePixelsPerMM, double pixelScale)
    : FPainter(painter),
      FPainterBase(painter.transform()),
      FPixelsFromPainter(painter.transform().inverted() * painter.deviceTransform()),
      FDeviceToOutput(deviceToOutput),
      FDevicePxPerMM(devicePixelsPerMM > 0 ? devicePixelsPerMM : 96.0 / 25.4),
      FPixelScale(pixelScale > 0 ? pixelScale : 1.0),
      FTarget(target) {
  FPainter.save();
  FPainter.setRenderHint(QPainter::Antialiasing, true);
  FPainter.setRenderHint(QPainter::TextAntialiasing, true);
  FPainter.setRenderHint(QPainter::SmoothPixmapTransform, true);
  S.Font.Height = -12;
  S.Font.Weight = 400;
  S.Font.FaceName = QStringLiteral("Arial");
  ApplyClip();
}

TGdiPlayer::~TGdiPlayer() {
  FPainter.restore();
}

// ---- objects ----

void TGdiPlayer::ResizeObjects(size_t count) {
  FObjects.resize(std::min(count, kMaxObjects));
}

void TGdiPlayer::PutObject(uint32_t index, TGdiObject object) {
  if (index >= kMaxObjects) return;
  if (index >= FObjects.size()) FObjects.resize(index + 1);
  FObjects[index] = std::move(object);
}

void TGdiPlayer::PutObjectFirstFree(TGdiObject object) {
  for (TGdiObject& slot : FObjects) {
    if (slot.Type == TGdiObject::otNone) {
      slot = std::move(object);
      return;
    }
  }
  if (FObjects.size() < kMaxObjects) FObjects.push_back(std::move(object));
}

const TGdiObject* TGdiPlayer::Object(uint32_t index) const {
  return index < FObjects.size() && FObjects[index].Type != TGdiObject::otNone ? &FObjects[index]
                                                                               : nullptr;
}

void TGdiPlayer::SelectObject(uint32_t index) {
  if (index & 0x80000000u) {
    const uint32_t stock = index & 0x7FFFFFFFu;
    auto brush = [&](TGdiBrush::TKind kind, QColor c) {
      S.Brush = TGdiBrush{};
      S.Brush.Kind = kind;
      S.Brush.Color = c;
    };
    auto pen = [&](uint32_t style, QColor c) {
      S.Pen = TGdiPen{};
      S.Pen.Style = style;
      S.Pen.Color = c;
    };
    switch (stock) {
      case 0:
      case 18:
        brush(TGdiBrush::bkSolid, Qt::white);
        break;
      case 1:
        brush(TGdiBrush::bkSolid, QColor(0xC0, 0xC0, 0xC0));
        break;
      case 2:
        brush(TGdiBrush::bkSolid, QColor(0x80, 0x80, 0x80));
        break;
      case 3:
        brush(TGdiBrush::bkSolid, QColor(0x40, 0x40, 0x40));
        break;
      case 4:
        brush(TGdiBrush::bkSolid, Qt::black);
        break;
      case 5:
        brush(TGdiBrush::bkNull, Qt::white);
        break;
      case 6:
        pen(0, Qt::white);
        break;
      case 7:
      case 19:
        pen(0, Qt::black);
        break;
      case 8:
        pen(PS_NULL, Qt::black);
        break;
      case 10:
      case 11:
      case 16:
        S.Font = TLogFont{};
        S.Font.Height = 12;
        S.Font.FaceName = QStringLiteral("Courier New");
        break;
      case 12:
      case 13:
      case 14:
      case 17:
        S.Font = TLogFont{};
        S.Font.Height = 16;
        S.Font.Weight = stock == 13 ? 700 : 400;
        S.Font.FaceName = QStringLiteral("Arial");
        break;
      default:
        break;
    }
    return;
  }
  const TGdiObject* o = Object(index);
  if (!o) return;
  switch (o->Type) {
    case TGdiObject::otPen:
      S.Pen = o->Pen;
      break;
    case TGdiObject::otBrush:
      S.Brush = o->Brush;
      break;
    case TGdiObject::otFont:
      S.Font = o->Font;
      break;
    case TGdiObject::otRegion: {
      // Selecting a region (WMF) makes it the clip region, in logical units.
      QRegion out;
      for (const QRect& r : o->Region) out += LogicalRectToOutput(QRectF(r));
      SelectClipRegion(out, 5);
      break;
    }
    default:
      break;
  }
}

void TGdiPlayer::DeleteObject(uint32_t index) {
  if (index < FObjects.size()) FObjects[index] = TGdiObject{};
}

// ---- state and coordinates ----

void TGdiPlayer::SaveDC() {
  if (FStack.size() < kMaxSavedStates) FStack.push_back(S);
}

void TGdiPlayer::RestoreDC(int32_t which) {
  if (FStack.empty()) return;
  size_t keep;  // how many saved states stay on the stack after restoring
  if (which < 0) {
    const uint64_t back = static_cast<uint64_t>(-static_cast<int64_t>(which));
    if (back > FStack.size()) return;
    keep = FStack.size() - back;
  } else if (which > 0) {
    if (static_cast<uint64_t>(which) > FStack.size()) return;
    keep = static_cast<size_t>(which) - 1;
  } else {
    return;
  }
  S = FStack[keep];
  FStack.resize(keep);
  ApplyClip();
}

void TGdiPlayer::SetMapMode(uint32_t mode) {
  if (mode < 1 || mode > 8) return;
  S.MapMode = mode;
  if (mode == 1) {  // MM_TEXT: one logical unit per device pixel again
    S.WindowExt = S.ViewportExt = QPointF(1, 1);
  }
}

void TGdiPlayer::SetWindowExt(QPointF e) {
  if (e.x() == 0 || e.y() == 0) return;
  S.WindowExt = e;
}

void TGdiPlayer::SetViewportExt(QPointF e) {
  if (e.x() == 0 || e.y() == 0) return;
  S.ViewportExt = e;
}

void TGdiPlayer::ModifyWorld(const QTransform& m, uint32_t mode) {
  switch (mode) {
    case 1:
      S.World = QTransform();
      break;
    case 2:
      S.World = m * S.World;
      break;
    case 3:
      S.World = S.World * m;
      break;
    case 4:
      S.World = m;
      break;
    default:
      break;
  }
}

QTransform TGdiPlayer::PageToDevice() const {
  double sx = 1, sy = 1;
  const double perMM = FDevicePxPerMM;
  switch (S.MapMode) {
    case 2:
      sx = perMM * 0.1;
      sy = -sx;
      break;
    case 3:
      sx = perMM * 0.01;
      sy = -sx;
      break;
    case 4:
      sx = perMM * 0.254;
      sy = -sx;
      break;
    case 5:
      sx = perMM * 0.0254;
      sy = -sx;
      break;
    case 6:
      sx = perMM * 25.4 / 1440.0;
      sy = -sx;
      break;
    case 7:
    case 8: {
      sx = S.ViewportExt.x() / S.WindowExt.x();
      sy = S.ViewportExt.y() / S.WindowExt.y();
      if (S.MapMode == 7) {
        const double m = std::min(std::abs(sx), std::abs(sy));
        sx = std::copysign(m, sx);
        sy = std::copysign(m, sy);
      }
      break;
    }
    default:
      break;
  }
  return QTransform(sx, 0, 0, sy, S.ViewportOrg.x() - S.WindowOrg.x() * sx,
                    S.ViewportOrg.y() - S.WindowOrg.y() * sy);
}

QTransform TGdiPlayer::LogicalToOutput() const {
  return S.World * PageToDevice() * FDeviceToOutput;
}

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

// ---- drawing helpers ----

bool TGdiPlayer::Draws() const {
  return S.Rop2 != R2_NOP;
}

bool TGdiPlayer::BeginDraw(QPainter::CompositionMode* mode) {
  if (!Draws()) return false;
  ApplyClip();
  *mode = Rop2Mode(S.Rop2);
  FPainter.setCompositionMode(*mode);
  FPainter.setRenderHint(QPainter::Antialiasing, *mode == QPainter::CompositionMode_SourceOver);
  return true;
}

QPen TGdiPlayer::MakePen(const QTransform& t) const {
  const TGdiPen& p = S.Pen;
  if (p.Null()) return Qt::NoPen;
  QColor color = p.Color;
  if (S.Rop2 == R2_BLACK) color = Qt::black;
  if (S.Rop2 == R2_WHITE) color = Qt::white;
  const double scale = Length(t.map(QPointF(1, 0)) - t.map(QPointF(0, 0)));
  const bool geometric = (p.Style & PS_GEOMETRIC) != 0;
  // A zero width is one pixel; a real width keeps its scale, so thin lines on a reduced page
  // come out light rather than as heavy as a hairline.
  // A pen wider than the page covers it all; wider still only costs the rasteriser time.
  const double widest = 2 * (FTarget.width() + FTarget.height());
  const double width = p.Width > 0 ? std::clamp(p.Width * scale, 0.25, widest) : 1.0;
  QPen pen(color, width);
  pen.setCosmetic(true);
  const uint32_t cap = p.Style & 0xF00, join = p.Style & 0xF000;
  pen.setCapStyle(cap == 0x100 ? Qt::SquareCap : cap == 0x200 ? Qt::FlatCap : Qt::RoundCap);
  pen.setJoinStyle(join == 0x1000 ? Qt::BevelJoin : join == 0x2000 ? Qt::MiterJoin : Qt::RoundJoin);
  const uint32_t style = p.Style & 0xF;
  // An old-style pen wider than one unit draws solid, whatever its style says.
  // Dashing a pen as wide as the page only multiplies the rasteriser's work: it draws solid.
  const bool dashable = (geometric || p.Width <= 1) && width < 0.25 * widest;
  if (style >= 1 && style <= 4 && dashable) {
    QVector<qreal> d;
    if (geometric) {
      if (style == 1) d = {3, 1};
      if (style == 2) d = {1, 1};
      if (style == 3) d = {3, 1, 1, 1};
      if (style == 4) d = {3, 1, 1, 1, 1, 1};
    } else {
      const double k = FPixelScale / width;
      if (style == 1) d = {18 * k, 6 * k};
      if (style == 2) d = {3 * k, 3 * k};
      if (style == 3) d = {9 * k, 6 * k, 3 * k, 6 * k};
      if (style == 4) d = {9 * k, 3 * k, 3 * k, 3 * k, 3 * k, 3 * k};
    }
    pen.setCapStyle(Qt::FlatCap);
    pen.setDashPattern(d);
  } else if (style == PS_USERSTYLE && !p.UserDashes.empty() && width < 0.25 * widest) {
    QVector<qreal> d;
    for (double len : p.UserDashes) d.push_back(std::max(len * scale, 1.0) / width);
    if (d.size() % 2) d.push_back(d.back());
    pen.setDashPattern(d);
  }
  return pen;
}

QBrush TGdiPlayer::MakeBrush(const TGdiBrush& b, const QTransform& t) const {
  switch (b.Kind) {
    case TGdiBrush::bkNull:
      return Qt::NoBrush;
    case TGdiBrush::bkHatched: {
      static const Qt::BrushStyle kHatch[] = {Qt::HorPattern,   Qt::VerPattern,
                                              Qt::FDiagPattern, Qt::BDiagPattern,
                                              Qt::CrossPattern, Qt::DiagCrossPattern};
      return QBrush(b.Color, b.Hatch < 6 ? kHatch[b.Hatch] : Qt::SolidPattern);
    }
    case TGdiBrush::bkPattern: {
      if (b.Pattern.isNull()) return QBrush(b.Color);
      QImage img = b.Pattern;
      if (b.Mono && img.format() == QImage::Format_Mono) {
        img.setColor(0, S.TextColor.rgb());
        img.setColor(1, S.BkColor.rgb());
      }
      QBrush brush(img);
      // Pattern pixels are device pixels, laid from the output's origin.
      bool ok = false;
      const QTransform inv = t.inverted(&ok);
      if (ok) brush.setTransform(QTransform::fromScale(FPixelScale, FPixelScale) * inv);
      return brush;
    }
    default:
      return QBrush(b.Color);
  }
}

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
  if (fill && S.Brush.Kind == TGdiBrush::bkSolid && toPixels.type() <= QTransform::TxScale) {
    if (const std::optional<QRect> box = WholePixelBox(path, toPixels)) {
      // GDI fills whole pixels between rounded edges: a one-pixel table rule stays one sharp
      // pixel at any scale, and cells that share an edge neither overlap nor part.
      FPainter.setTransform(FPixelsFromPainter.inverted());
      FPainter.fillRect(*box, S.Brush.Color);
      FPainter.setTransform(t * FPainterBase);
      fill = false;
    }
  }
  if (fill && S.Brush.Kind != TGdiBrush::bkNull) {
    if (S.Brush.Kind == TGdiBrush::bkHatched && S.BkMode == 2) FPainter.fillPath(path, S.BkColor);
    FPainter.fillPath(path, MakeBrush(S.Brush, t));
  }
  if (pen.style() == Qt::NoPen) return;
  if (pen.widthF() <= 1.5 && !HasCurves(path)) {
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

void TGdiPlayer::FillRegion(const QRegion& logical, const TGdiBrush& brush) {
  QPainter::CompositionMode mode;
  if (!BeginDraw(&mode)) return;
  const QTransform t = LogicalToOutput();
  FPainter.setTransform(t * FPainterBase);
  FPainter.fillPath(RegionPath(logical), MakeBrush(brush, t));
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

// ---- text ----

bool TGdiPlayer::DrawPositioned(const QFont& font, const QString& text,
                                const std::vector<QPointF>& pos, QPointF origin) {
  // One shaping pass for the whole string; the glyphs then move to the file's advances.
  // Ligatures, fallback fonts or surrogates change the glyph count: those go glyph by glyph.
  QTextLayout layout(text, font);
  layout.beginLayout();
  layout.createLine();
  layout.endLayout();
  const QList<QGlyphRun> runs = layout.glyphRuns();
  if (runs.size() != 1) return false;
  QGlyphRun run = runs.front();
  if (run.glyphIndexes().size() != text.size() || pos.size() != static_cast<size_t>(text.size()))
    return false;
  QList<QPointF> positions(run.positions().size());
  for (qsizetype i = 0; i < positions.size(); ++i) positions[i] = pos[i];
  run.setPositions(positions);
  FPainter.drawGlyphRun(origin, run);
  return true;
}

const TGdiPlayer::TFontEntry& TGdiPlayer::ResolveFont(double pixelHeight) {
  const TLogFont& f = S.Font;
  for (const TFontEntry& e : FFonts) {
    const TLogFont& g = e.Font;
    if (e.PixelHeight == pixelHeight && g.Height == f.Height && g.Width == f.Width &&
        g.Weight == f.Weight && g.Italic == f.Italic && g.Underline == f.Underline &&
        g.StrikeOut == f.StrikeOut && g.CharSet == f.CharSet &&
        g.PitchAndFamily == f.PitchAndFamily && g.FaceName == f.FaceName)
      return e;
  }
  constexpr size_t kMaxFonts = 64;
  if (FFonts.size() >= kMaxFonts) FFonts.erase(FFonts.begin());
  const QFont font = MakeQFont(f, pixelHeight);
  const QFontMetricsF fm(font);
  FFonts.push_back({f, pixelHeight, font, fm.ascent(), fm.descent(), fm.height()});
  return FFonts.back();
}

void TGdiPlayer::TextOut(QPointF ref, const QString& text, const std::vector<double>& dx,
                         const std::vector<double>& dy, uint32_t options, const QRectF* rect) {
  // The text goes out before any font is resolved: a walk that only gathers text costs no
  // layout, and gathers exactly the strings a drawing walk draws.
  if (!Draws()) return;
  if (Texts && !text.isEmpty()) Texts->push_back(text);
  if (TextOnly) return;
  QPainter::CompositionMode mode;
  BeginDraw(&mode);
  const QTransform t = LogicalToOutput();
  const bool updateCP = (S.TextAlign & 1) != 0;
  if (updateCP) ref = S.Current;
  if (rect && (options & 0x2)) {  // ETO_OPAQUE
    FPainter.setTransform(t * FPainterBase);
    FPainter.fillRect(rect->normalized(), S.BkColor);
  }
  if (text.isEmpty()) return;
  const QPointF origin = t.map(ref);
  const QPointF vx = t.map(QPointF(1, 0)) - t.map(QPointF(0, 0));
  const QPointF vy = t.map(QPointF(0, 1)) - t.map(QPointF(0, 0));
  const double scaleX = Length(vx), scaleY = Length(vy);
  // The escapement turns counter-clockwise as the logical axes stand: where the window makes
  // y grow upwards, that reads clockwise in the y-down output.
  const bool yUp = (S.MapMode >= 2 && S.MapMode <= 6) ||
                   ((S.MapMode == 7 || S.MapMode == 8) && S.WindowExt.y() < 0);
  const double escapement = (yUp ? 1.0 : -1.0) * S.Font.Escapement / 10.0;
  double angle = qRadiansToDegrees(std::atan2(vx.y(), vx.x())) + escapement;
  if (vx.x() < 0 && std::abs(vx.y()) < 1e-9) angle = escapement;
  const double ySign = vy.y() < 0 ? -1.0 : 1.0;
  double pixelHeight = S.Font.Height * scaleY;
  if (S.Font.Height == 0) pixelHeight = -12 * FPixelScale;
  // Glyphs taller than any page are a damaged record, not text to rasterise.
  constexpr double kMaxPixelHeight = 4096;
  if (!std::isfinite(pixelHeight)) return;
  pixelHeight = std::clamp(pixelHeight, -kMaxPixelHeight, kMaxPixelHeight);
  const TFontEntry& resolved = ResolveFont(pixelHeight);
  const QFont font = resolved.QtFont;
  const double ascent = resolved.Ascent, descent = resolved.Descent;

  // Glyph positions along the baseline, in output pixels.
  std::vector<QPointF> pos;
  double width = 0;
  if (!dx.empty()) {
    pos.reserve(text.size());
    double x = 0, y = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
      pos.emplace_back(x, y);
      if (static_cast<size_t>(i) < dx.size()) x += dx[i] * scaleX;
      if (static_cast<size_t>(i) < dy.size()) y -= dy[i] * scaleY * ySign;
    }
    width = x;
  } else {
    width = QFontMetricsF(font).horizontalAdvance(text);
  }
  double x0 = 0, y0 = 0;
  const uint32_t h = S.TextAlign & 6, v = S.TextAlign & 24;
  if (h == 6)
    x0 = -width / 2;
  else if (h == 2)
    x0 = -width;
  if (v == 0)
    y0 = ascent;
  else if (v == 8)
    y0 = -descent;

  QTransform local;
  local.translate(origin.x(), origin.y());
  local.rotate(angle);
  if (rect && (options & 0x4)) {  // ETO_CLIPPED
    FPainter.setTransform(FPainterBase);
    FPainter.setClipPath(t.map([&] {
      QPainterPath p;
      p.addRect(rect->normalized());
      return p;
    }()),
                         Qt::IntersectClip);
  }
  FPainter.setTransform(local * FPainterBase);
  if (S.BkMode == 2) FPainter.fillRect(QRectF(x0, y0 - ascent, width, ascent + descent), S.BkColor);
  FPainter.setFont(font);
  FPainter.setPen(S.TextColor);
  if (pos.empty()) {
    FPainter.drawText(QPointF(x0, y0), text);
  } else if (!DrawPositioned(font, text, pos, QPointF(x0, y0))) {
    for (qsizetype i = 0; i < text.size(); ++i) {
      qsizetype n = 1;
      if (text[i].isHighSurrogate() && i + 1 < text.size()) n = 2;
      if (!text[i].isSpace())
        FPainter.drawText(QPointF(x0 + pos[i].x(), y0 + pos[i].y()), text.mid(i, n));
      i += n - 1;
    }
  }
  if (rect && (options & 0x4)) {
    FClipApplied = false;
    ApplyClip();
  }
  if (updateCP && scaleX > 0) {
    const double advance = width / scaleX;
    const double sign = vx.x() < 0 ? -1.0 : 1.0;
    if (h == 0)
      S.Current.rx() += advance * sign;
    else if (h == 2)
      S.Current.rx() -= advance * sign;
  }
}

// ---- bitmaps ----

void TGdiPlayer::Blit(const QRectF& dst, const QImage& image, const QRectF& src, uint32_t rop) {
  if (image.isNull()) return;
  if (S.Rop2 == R2_NOP) return;
  ApplyClip();
  const QPainter::CompositionMode mode = Rop3Mode(rop);
  FPainter.setCompositionMode(mode);
  FPainter.setRenderHint(QPainter::Antialiasing, false);
  FPainter.setTransform(LogicalToOutput() * FPainterBase);
  QImage img = image;
  QRectF d = dst, s = src;
  if (d.width() < 0 || d.height() < 0) {
    const bool mx = d.width() < 0, my = d.height() < 0;
    img = img.mirrored(mx, my);
    if (mx) s.moveLeft(img.width() - s.right());
    if (my) s.moveTop(img.height() - s.bottom());
    d = d.normalized();
  }
  FPainter.drawImage(d, img, s);
  FPainter.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void TGdiPlayer::PatBlt(const QRectF& dst, uint32_t rop) {
  ApplyClip();
  const QTransform t = LogicalToOutput();
  FPainter.setTransform(t * FPainterBase);
  FPainter.setRenderHint(QPainter::Antialiasing, false);
  const QRectF r = dst.normalized();
  switch (rop) {
    case 0x00000042:
      FPainter.fillRect(r, Qt::black);
      break;
    case 0x00FF0062:
      FPainter.fillRect(r, Qt::white);
      break;
    case 0x00550009:
      FPainter.setCompositionMode(QPainter::RasterOp_NotDestination);
      FPainter.fillRect(r, Qt::black);
      break;
    case 0x005A0049:
      FPainter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
      FPainter.fillRect(r, MakeBrush(S.Brush, t));
      break;
    case 0x00AA0029:
      break;  // destination unchanged
    default:
      if (S.Brush.Kind != TGdiBrush::bkNull) FPainter.fillRect(r, MakeBrush(S.Brush, t));
      break;
  }
  FPainter.setCompositionMode(QPainter::CompositionMode_SourceOver);
}
