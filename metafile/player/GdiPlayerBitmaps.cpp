// TGdiPlayer: bitmaps and pattern blits with their raster operations.
#include "GdiPlayer.h"
#include "GdiPlayerShared.h"

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
