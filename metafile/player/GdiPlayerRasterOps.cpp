// TGdiPlayer: thin lines drawn with a raster operation straight into the page image.
#include "GdiPlayer.h"
#include "GdiPlayerShared.h"

#include <QPaintDevice>
#include <algorithm>
#include <cmath>

namespace {

// The pen P combined with the destination D as the ROP2 code says, on the colour bits; the
// surface stays opaque.
inline uint32_t Rop2(uint32_t code, uint32_t p, uint32_t d) {
  uint32_t r = d;
  switch (code) {
    case 2:
      r = ~(p | d);
      break;
    case 3:
      r = ~p & d;
      break;
    case 4:
      r = ~p;
      break;
    case 5:
      r = p & ~d;
      break;
    case 6:
      r = ~d;
      break;
    case 7:
      r = p ^ d;
      break;
    case 8:
      r = ~(p & d);
      break;
    case 9:
      r = p & d;
      break;
    case 10:
      r = ~(p ^ d);
      break;
    case 12:
      r = ~p | d;
      break;
    case 14:
      r = p | ~d;
      break;
    case 15:
      r = p | d;
      break;
    default:
      break;
  }
  return r | 0xFF000000u;
}

// Calls each(y, left, right) for the pixels within `reach` of the segment a-b, row by row
// inside box.
template <class TEach>
void ForEachNearPixelRow(QPointF a, QPointF b, int reach, const QRect& box, TEach each) {
  const int top = std::max(box.top(), static_cast<int>(std::floor(std::min(a.y(), b.y()))) - reach);
  const int bottom =
      std::min(box.bottom(), static_cast<int>(std::ceil(std::max(a.y(), b.y()))) + reach);
  for (int y = top; y <= bottom; ++y) {
    double x0 = std::min(a.x(), b.x()), x1 = std::max(a.x(), b.x());
    if (a.y() != b.y()) {
      // Where the segment crosses the rows within reach of this one.
      auto xAt = [&](double yy) {
        const double t = std::clamp((yy - a.y()) / (b.y() - a.y()), 0.0, 1.0);
        return a.x() + t * (b.x() - a.x());
      };
      const double u = xAt(y - reach), v = xAt(y + reach + 1);
      x0 = std::min(u, v);
      x1 = std::max(u, v);
    }
    const int left = std::max(box.left(), static_cast<int>(std::floor(x0)) - reach);
    const int right = std::min(box.right(), static_cast<int>(std::ceil(x1)) + reach);
    if (left <= right) each(y, left, right);
  }
}

}  // namespace

bool TGdiPlayer::StrokeWithRasterOp(const QPainterPath& pixels, const QPen& pen) {
  // The toolkit blends raster operations span by span through its thread pool and waits on
  // every batch of spans: a long hairline costs milliseconds. Here the toolkit still decides
  // which pixels the line lights, drawn in a plain colour no pixel near the line has (a fill
  // of each span), and the operation is then applied to the pixels of that colour from the
  // ones kept before.
  if (S.Rop2 == R2_BLACK || S.Rop2 == R2_WHITE || S.Rop2 == 13 || !Draws()) return false;
  QPaintDevice* device = FPainter.device();
  if (device == nullptr || device->devType() != QInternal::Image) return false;
  auto* page = static_cast<QImage*>(device);
  if (page->format() != QImage::Format_RGB32) return false;
  if (FPainter.deviceTransform().type() != QTransform::TxNone) return false;
  if (pen.brush().style() != Qt::SolidPattern || !pen.color().isValid()) return false;
  // A pen of one pixel or less is drawn by the toolkit's hairline stroker; a wider one is
  // filled as an outline whose edge pixels are only partly covered. The stroker lights the
  // same pixels at any such width, only fainter below one pixel, and a raster operation takes
  // no notice of how faint; the marker is drawn at full strength. Dashes are as long as the
  // pen is wide: a dashed pen keeps its width, which must then be a whole pixel.
  if (!pen.isCosmetic() || pen.widthF() > 1) return false;
  const bool dashed = pen.style() != Qt::SolidLine;
  if (dashed && pen.widthF() != 1) return false;
  // One segment: two segments of a hairline may light the same pixel twice, and the operation
  // applied twice (XOR undone) is not what one colour can say.
  if (pixels.elementCount() != 2 || !pixels.elementAt(1).isLineTo()) return false;

  const QPointF a = pixels.elementAt(0), b = pixels.elementAt(1);
  constexpr int reach = 2;
  const QRect box = pixels.controlPointRect()
                        .toAlignedRect()
                        .adjusted(-reach, -reach, reach, reach)
                        .intersected(page->rect());
  if (box.isEmpty()) return true;
  uchar* bits = page->bits();  // detached once, before the row pointers are taken
  const qsizetype stride = page->bytesPerLine();
  auto row = [&](int y) { return reinterpret_cast<QRgb*>(bits + y * stride); };
  FRopKept.clear();
  ForEachNearPixelRow(a, b, reach, box, [&](int y, int left, int right) {
    const QRgb* r = row(y);
    FRopKept.insert(FRopKept.end(), r + left, r + right + 1);
  });
  // A marker colour absent from every pixel the line may reach.
  QRgb marker = 0xFF010203u;
  while (std::find(FRopKept.begin(), FRopKept.end(), marker) != FRopKept.end()) marker += 0x050307;
  QPen plain = pen;
  plain.setColor(QColor::fromRgb(marker));
  if (!dashed) plain.setWidthF(1);
  const QPainter::CompositionMode mode = FPainter.compositionMode();
  FPainter.setCompositionMode(QPainter::CompositionMode_SourceOver);
  FPainter.strokePath(pixels, plain);
  FPainter.setCompositionMode(mode);
  const uint32_t color = pen.color().rgb();
  size_t k = 0;
  ForEachNearPixelRow(a, b, reach, box, [&](int y, int left, int right) {
    QRgb* r = row(y);
    for (int x = left; x <= right; ++x, ++k)
      if (r[x] == marker) r[x] = Rop2(S.Rop2, color, FRopKept[k]);
  });
  return true;
}
