// TGdiPlayer: the device context's state and coordinates, its object table, pens and brushes.
#include "GdiPlayer.h"
#include "GdiPlayerShared.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr size_t kMaxObjects = 65536;
constexpr size_t kMaxSavedStates = 4096;

enum : uint32_t { PS_NULL = 5, PS_USERSTYLE = 7, PS_GEOMETRIC = 0x10000 };

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
  // A geometric pen strokes with its brush: a hatch or a pattern, laid as a brush's fill is.
  if (geometric && (p.Brush.Kind == TGdiBrush::bkHatched || p.Brush.Kind == TGdiBrush::bkPattern))
    pen.setBrush(MakeBrush(RopBrush(p.Brush), t));
  return pen;
}

TGdiBrush TGdiPlayer::RopBrush(const TGdiBrush& b) const {
  if (b.Kind == TGdiBrush::bkNull || (S.Rop2 != R2_BLACK && S.Rop2 != R2_WHITE)) return b;
  TGdiBrush out = b;
  out.Color = S.Rop2 == R2_BLACK ? Qt::black : Qt::white;
  if (out.Kind == TGdiBrush::bkPattern) {
    out.Kind = TGdiBrush::bkSolid;
    out.Pattern = QImage();
  }
  return out;
}

QColor TGdiPlayer::RopBackground() const {
  if (S.Rop2 == R2_BLACK) return Qt::black;
  if (S.Rop2 == R2_WHITE) return Qt::white;
  return S.BkColor;
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
