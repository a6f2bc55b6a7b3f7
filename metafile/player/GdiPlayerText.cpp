// TGdiPlayer: text records laid out and drawn with the font in effect.
#include "GdiPlayer.h"
#include "GdiPlayerShared.h"

#include <QFontMetricsF>
#include <QGlyphRun>
#include <QTextLayout>
#include <QtMath>
#include <algorithm>
#include <cmath>

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
