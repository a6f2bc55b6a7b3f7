// Qt colours, brushes and images turned into what GDI records hold (no alpha, DIB rows).
#include "EmfImageValues.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr qint64 kMaxDibPixels = 64LL << 20;  // larger images are scaled down first

QColor AverageImageColor(const QImage& image) {
  if (image.isNull()) return Qt::black;
  const QImage one = image.convertToFormat(QImage::Format_ARGB32)
                         .scaled(1, 1, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  return one.pixelColor(0, 0);
}

QImage PremultipliedPixels(const QImage& image) {
  QImage src = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
  if (qint64{src.width()} * src.height() > kMaxDibPixels)
    src = src.scaled(4096, 4096, Qt::KeepAspectRatio, Qt::SmoothTransformation);
  return src;
}

}  // namespace

// GDI has no alpha: a translucent colour is drawn as it would look over white paper.
uint32_t ColorRefOnWhite(const QColor& c, double opacity) {
  const double a = c.alphaF() * opacity;
  auto mix = [a](int v) { return static_cast<uint32_t>(std::lround(v * a + 255 * (1 - a))); };
  return mix(c.red()) | (mix(c.green()) << 8) | (mix(c.blue()) << 16);
}

// The colour a gradient or texture brush averages to, for places that take one colour.
QColor AverageColor(const QBrush& brush) {
  if (const QGradient* g = brush.gradient()) {
    const QGradientStops stops = g->stops();
    if (stops.isEmpty()) return Qt::black;
    double r = 0, gr = 0, b = 0, a = 0, prev = 0;
    QColor prevColor = stops.front().second;
    auto add = [&](double w, const QColor& c1, const QColor& c2) {
      r += w * (c1.redF() + c2.redF()) / 2;
      gr += w * (c1.greenF() + c2.greenF()) / 2;
      b += w * (c1.blueF() + c2.blueF()) / 2;
      a += w * (c1.alphaF() + c2.alphaF()) / 2;
    };
    for (const QGradientStop& s : stops) {
      add(s.first - prev, prevColor, s.second);
      prev = s.first;
      prevColor = s.second;
    }
    add(1 - prev, prevColor, prevColor);
    return QColor::fromRgbF(static_cast<float>(r), static_cast<float>(gr), static_cast<float>(b),
                            static_cast<float>(a));
  }
  if (brush.style() == Qt::TexturePattern) return AverageImageColor(brush.textureImage());
  return brush.color();
}

bool HasTranslucentPixels(const QImage& image) {
  if (!image.hasAlphaChannel()) return false;
  const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < argb.height(); ++y) {
    const QRgb* line = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
    for (int x = 0; x < argb.width(); ++x)
      if (qAlpha(line[x]) != 255) return true;
  }
  return false;
}

// A 32-bit bottom-up DIB keeping the premultiplied alpha, for ALPHABLEND.
TEmfDib AlphaDibFromImage(const QImage& image) {
  const QImage src = PremultipliedPixels(image);
  TEmfDib dib;
  dib.Width = src.width();
  dib.Height = src.height();
  dib.BitCount = 32;
  dib.Bits.resize(4 * size_t(dib.Width) * dib.Height);
  char* out = dib.Bits.data();
  for (int y = dib.Height - 1; y >= 0; --y) {
    const QRgb* line = reinterpret_cast<const QRgb*>(src.constScanLine(y));
    for (int x = 0; x < dib.Width; ++x) {
      *out++ = static_cast<char>(qBlue(line[x]));
      *out++ = static_cast<char>(qGreen(line[x]));
      *out++ = static_cast<char>(qRed(line[x]));
      *out++ = static_cast<char>(qAlpha(line[x]));
    }
  }
  return dib;
}

// A 24-bit bottom-up DIB of the image composited over white, for places without alpha.
TEmfDib DibFromImage(const QImage& image, double opacity) {
  const QImage src = PremultipliedPixels(image);
  TEmfDib dib;
  dib.Width = src.width();
  dib.Height = src.height();
  const size_t rowBytes = (3 * size_t(dib.Width) + 3) & ~size_t{3};
  dib.Bits.assign(rowBytes * dib.Height, '\0');
  const int o = static_cast<int>(std::lround(std::clamp(opacity, 0.0, 1.0) * 256));
  for (int y = 0; y < dib.Height; ++y) {
    const QRgb* line = reinterpret_cast<const QRgb*>(src.constScanLine(dib.Height - 1 - y));
    char* out = dib.Bits.data() + rowBytes * y;
    for (int x = 0; x < dib.Width; ++x) {
      const QRgb p = line[x];
      const int white = 255 - qAlpha(p) * o / 256;
      *out++ = static_cast<char>(qBlue(p) * o / 256 + white);
      *out++ = static_cast<char>(qGreen(p) * o / 256 + white);
      *out++ = static_cast<char>(qRed(p) * o / 256 + white);
    }
  }
  return dib;
}

// An axis-aligned rectangle on whole pixels, which a clip region holds exactly.
std::optional<TEmfRect> WholePixelRect(const QPainterPath& path) {
  const int n = path.elementCount();
  if (n < 4 || n > 5) return std::nullopt;
  const QRectF br = path.boundingRect();
  auto whole = [](double v) { return std::abs(v - std::round(v)) < 1e-6; };
  if (!whole(br.left()) || !whole(br.top()) || !whole(br.right()) || !whole(br.bottom()))
    return std::nullopt;
  QPointF prev = path.elementAt(0);
  for (int i = 0; i < n; ++i) {
    const QPainterPath::Element e = path.elementAt(i);
    if (e.isCurveTo()) return std::nullopt;
    const bool onX = e.x == br.left() || e.x == br.right();
    const bool onY = e.y == br.top() || e.y == br.bottom();
    if (!onX || !onY || (i > 0 && e.x != prev.x() && e.y != prev.y())) return std::nullopt;
    prev = e;
  }
  return TEmfRect{static_cast<int32_t>(std::lround(br.left())),
                  static_cast<int32_t>(std::lround(br.top())),
                  static_cast<int32_t>(std::lround(br.right())),
                  static_cast<int32_t>(std::lround(br.bottom()))};
}
