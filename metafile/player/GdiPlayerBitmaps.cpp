// TGdiPlayer: bitmaps and pattern blits with their raster operations.
#include "GdiPlayer.h"
#include "GdiPlayerShared.h"

#include <cmath>

namespace {

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

}  // namespace

void TGdiPlayer::Blit(const QRectF& dst, const QImage& image, const QRectF& src, uint32_t rop) {
  if (image.isNull()) return;
  if (S.Rop2 == R2_NOP) return;
  ApplyClip();
  FPainter.setRenderHint(QPainter::Antialiasing, false);
  DrawSource(dst, image, src, Rop3Mode(rop));
  FPainter.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void TGdiPlayer::DrawSource(const QRectF& dst, const QImage& image, const QRectF& src,
                            QPainter::CompositionMode mode) {
  // An empty source has no pixels to draw (the toolkit would take the rest of the image).
  if (!(src.width() != 0 && src.height() != 0)) return;
  FPainter.setCompositionMode(mode);
  FPainter.setTransform(LogicalToOutput() * FPainterBase);
  QImage img = image;
  QRectF d = dst, s = src;
  const bool mx = (d.width() < 0) != (s.width() < 0), my = (d.height() < 0) != (s.height() < 0);
  d = d.normalized();
  s = s.normalized();
  if (mx || my) {
    img = img.mirrored(mx, my);
    if (mx) s.moveLeft(img.width() - s.right());
    if (my) s.moveTop(img.height() - s.bottom());
  }
  FPainter.drawImage(d, img, s);
}

namespace {

// A ternary raster operation with the pattern P fixed: bit i of code is the result where the
// pattern, source and destination bits are those of i (4, 2 and 1). Each colour bit of the
// result, once the source bit is known, is 0, 1, D or not D: the page takes D & And(S), then
// ^ Xor(S).
class TRop3 {
 public:
  TRop3(uint8_t code, uint32_t p)
      : FOn0(Of(code, p, ~0u, 0)),
        FOff0(Of(code, p, 0, 0)),
        FOn1(Of(code, p, ~0u, ~0u)),
        FOff1(Of(code, p, 0, ~0u)) {}
  uint32_t And(uint32_t s) const { return Result0(s) ^ Result1(s); }
  uint32_t Xor(uint32_t s) const { return Result0(s); }

 private:
  uint32_t FOn0, FOff0, FOn1, FOff1;  // the result for source bits 1 and 0, where D is 0 / 1
  uint32_t Result0(uint32_t s) const { return ((s & FOn0) | (~s & FOff0)) & 0xFFFFFFu; }
  uint32_t Result1(uint32_t s) const { return ((s & FOn1) | (~s & FOff1)) & 0xFFFFFFu; }
  static uint32_t Of(uint8_t code, uint32_t p, uint32_t s, uint32_t d) {
    uint32_t r = 0;
    for (int i = 0; i < 8; ++i)
      if ((code >> i) & 1) r |= ((i & 4) ? p : ~p) & ((i & 2) ? s : ~s) & ((i & 1) ? d : ~d);
    return r;
  }
};

// A mask pixel is 1 where it is nearer white than black, as a DIB becomes a monochrome bitmap.
bool MaskBit(const QImage& mask, int x, int y) {
  return x >= 0 && y >= 0 && x < mask.width() && y < mask.height() &&
         qGray(mask.pixel(x, y)) >= 128;
}

}  // namespace

void TGdiPlayer::MaskBlit(const QRectF& dst, const QImage& image, const QRectF& src,
                          const QImage& mask, QPoint maskAt, uint8_t fore, uint8_t back) {
  if (image.isNull() || S.Rop2 == R2_NOP) return;
  // A source running backwards mirrors the picture: the destination runs backwards instead.
  QRectF d = dst, s = src;
  if (s.width() < 0) {
    d = QRectF(d.right(), d.top(), -d.width(), d.height());
    s = s.normalized();
  }
  if (s.height() < 0) {
    d = QRectF(d.left(), d.bottom(), d.width(), -d.height());
    s = s.normalized();
  }
  const QRect pixels = s.toAlignedRect();
  const QRect area = pixels.intersected(image.rect());
  if (area.isEmpty() || s.width() == 0 || s.height() == 0) return;
  // The pattern is the brush's colour (a hatch's or a pattern's pixels are not followed).
  const uint32_t p = S.Brush.Color.rgb();
  const TRop3 ops[2] = {TRop3(back, p), TRop3(fore, p)};
  QImage andWith(area.size(), QImage::Format_RGB32), xorWith(area.size(), QImage::Format_RGB32);
  const QImage source = image.convertToFormat(QImage::Format_RGB32);
  const QPoint maskOrigin = maskAt - pixels.topLeft();
  bool anyAnd = false, anyXor = false;
  for (int y = 0; y < area.height(); ++y) {
    const int sy = area.top() + y;
    const QRgb* in = reinterpret_cast<const QRgb*>(source.constScanLine(sy));
    QRgb* a = reinterpret_cast<QRgb*>(andWith.scanLine(y));
    QRgb* b = reinterpret_cast<QRgb*>(xorWith.scanLine(y));
    for (int x = 0; x < area.width(); ++x) {
      const int sx = area.left() + x;
      const TRop3& op = ops[MaskBit(mask, sx + maskOrigin.x(), sy + maskOrigin.y())];
      const uint32_t andBits = op.And(in[sx]), xorBits = op.Xor(in[sx]);
      a[x] = 0xFF000000u | andBits;
      b[x] = 0xFF000000u | xorBits;
      anyAnd |= andBits != 0xFFFFFFu;
      anyXor |= xorBits != 0;
    }
  }
  // Where the source runs off the bitmap, the destination shrinks with it.
  const double kx = d.width() / s.width(), ky = d.height() / s.height();
  const QRectF part(d.left() + (area.left() - s.left()) * kx, d.top() + (area.top() - s.top()) * ky,
                    area.width() * kx, area.height() * ky);
  ApplyClip();
  FPainter.save();
  // Both passes must light the same pixels with the colours computed: no smoothing.
  FPainter.setRenderHint(QPainter::Antialiasing, false);
  FPainter.setRenderHint(QPainter::SmoothPixmapTransform, false);
  const QRectF whole(QPointF(0, 0), QSizeF(area.size()));
  if (anyAnd) DrawSource(part, andWith, whole, QPainter::RasterOp_SourceAndDestination);
  if (anyXor) DrawSource(part, xorWith, whole, QPainter::RasterOp_SourceXorDestination);
  FPainter.restore();
}

void TGdiPlayer::BlitParallelogram(const QPointF (&corners)[3], const QImage& image,
                                   const QRectF& src, const QImage& mask, QPoint maskAt) {
  if (image.isNull() || S.Rop2 == R2_NOP) return;
  if (!(src.width() != 0 && src.height() != 0)) return;
  const QPointF across = corners[1] - corners[0], down = corners[2] - corners[0];
  const double m11 = across.x() / src.width(), m12 = across.y() / src.width();
  const double m21 = down.x() / src.height(), m22 = down.y() / src.height();
  const QTransform toLogical(m11, m12, m21, m22,
                             corners[0].x() - m11 * src.left() - m21 * src.top(),
                             corners[0].y() - m12 * src.left() - m22 * src.top());
  if (!toLogical.isInvertible() ||
      !std::isfinite(toLogical.m11() + toLogical.m12() + toLogical.m21() + toLogical.m22() +
                     toLogical.dx() + toLogical.dy()))
    return;
  const QRectF area = src.normalized().intersected(QRectF(image.rect()));
  if (area.isEmpty()) return;
  QImage img = image;
  if (!mask.isNull()) {
    img = image.convertToFormat(QImage::Format_ARGB32);
    const QPoint maskOrigin = maskAt - src.normalized().toAlignedRect().topLeft();
    for (int y = 0; y < img.height(); ++y) {
      QRgb* line = reinterpret_cast<QRgb*>(img.scanLine(y));
      for (int x = 0; x < img.width(); ++x)
        if (!MaskBit(mask, x + maskOrigin.x(), y + maskOrigin.y())) line[x] = 0;
    }
  }
  ApplyClip();
  FPainter.setCompositionMode(QPainter::CompositionMode_SourceOver);
  FPainter.setRenderHint(QPainter::Antialiasing, false);
  FPainter.setTransform(toLogical * LogicalToOutput() * FPainterBase);
  FPainter.drawImage(area, img, area);
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
